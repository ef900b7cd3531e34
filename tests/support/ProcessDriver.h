// Drives another process's windows the way a user would: finds its dialogs and message boxes,
// reads their texts, presses buttons, and waits for the process to end.
#pragma once

#include <string>
#include <vector>

#include "platform/Handles.h"
#include "platform/Win32.h"

// The directory of the running test program, with a trailing backslash: the programs under
// test are built next to it.
std::string ProgramDirectory();

struct ControlInfo
{
    int id;
    std::string className;
    std::string text;
    DWORD style;
};

class DrivenProcess
{
public:
    // Starts exePath with the given arguments; the process is ended by the destructor if it
    // is still running.
    explicit DrivenProcess(const std::string& exePath, const std::string& arguments = "");
    ~DrivenProcess();
    DrivenProcess(const DrivenProcess&) = delete;
    DrivenProcess& operator=(const DrivenProcess&) = delete;

    bool started() const { return m_process.IsValid() != FALSE; }
    DWORD pid() const { return m_pid; }

    // A visible top-level dialog (#32770) of the process with the given owner (NULL: none) and,
    // when caption is not empty, that caption; NULL after the timeout.
    HWND WaitForDialog(HWND owner, const std::string& caption = "", DWORD timeoutMs = 15000) const;
    // Every visible top-level window of the process.
    std::vector<HWND> VisibleWindows() const;

    // Waits for the process to end; false on timeout.
    bool WaitForExit(DWORD* exitCode, DWORD timeoutMs = 15000) const;

private:
    KernelHandle m_process;
    DWORD m_pid = 0;
};

// The main dialog of UpgradePatch.exe, by its caption; NULL when it does not open in time. The one
// way that the tests, the drivers and the benchmark open it.
HWND WaitForMainDialog(const DrivenProcess& process);

// A console program run to its end with its standard output and error captured.
struct CapturedRun
{
    bool started = false;
    bool ended = false;
    DWORD exitCode = 0;
    std::string out;  // bytes as written, in whatever encoding the program chose
    std::string err;
    std::string result;  // the console program's "upgradepatch-result:" word, taken off out
};
// How the program is started, as the clients that start it across a fleet do.
enum LaunchStyle
{
    // Pipes for standard input, output and error; the console, if any, is this process's.
    kPipes,
    // Ansible's process helper (ansible.windows, module_utils/Process.cs): its host has no
    // console, so it allocates one and sets both of its code pages to 65001, starts the program
    // suspended through CreateProcessW with a Unicode environment, inherited handles and pipes,
    // frees the console, lets the program run, and reads what arrives as UTF-8.
    kAnsibleProcessHelper,
    // A host without a console, as PowerShell remoting's: the program runs with pipes and no
    // console at all (it writes in the OEM code page).
    kNoConsole,
};
CapturedRun RunCaptured(const std::string& exePath, const std::string& arguments,
                        DWORD timeoutMs = 30000, LaunchStyle style = kPipes);

// Text of a window of another process (SendMessageTimeout with WM_GETTEXT).
std::string WindowText(HWND hWnd);
// Child controls in z order (which is the template order).
std::vector<ControlInfo> Controls(HWND dialog);
// The text of a message box: its static text control (id 0xFFFF).
std::string MessageBoxText(HWND box);
// Clicks a button of a dialog the way the dialog manager reports a click.
void PressButton(HWND dialog, int id);
// The window that has the keyboard focus in the thread that owns hWnd.
HWND FocusOf(HWND hWnd);
