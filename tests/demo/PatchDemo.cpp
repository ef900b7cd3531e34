// Driver of the demo and of the real-input test: stages a sample installation, or runs the real
// program as a user would and reports in UTF-8 what it showed and did.
//
//   PatchDemo.exe stage            sample installation: service "zbk", install directory with a
//                                  Chinese name, Word1 "Quellor 1.8.5", a registration file
//   PatchDemo.exe drive SYNC_DIR   run UpgradePatch.exe, open About, press Start, asking for a
//                                  screenshot at each step; the report goes to SYNC_DIR\report.txt
//   PatchDemo.exe input SYNC_DIR   the same through real input events: Alt+Space and keys for the
//                                  About box, a mouse click on Start, Enter for each box
//   (screenshots, keys and clicks are asked of the script through SYNC_DIR\N.request and awaited
//   as SYNC_DIR\N.done)
//   PatchDemo.exe bench RUNS       start UpgradePatch.exe RUNS times and print how long its main
//                                  dialog takes to appear (a registration file is staged for it)
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/ExpectedTexts.h"
#include "tests/support/ProcessDriver.h"
#include "tests/support/Staging.h"

namespace {

// C:\Program Files\Quellor\入侵防护系统\ in code page 936.
const char kInstallDir[] =
    "C:\\Program Files\\Quellor\\\xC8\xEB\xC7\xD6\xB7\xC0\xBB\xA4\xCF\xB5\xCD\xB3\\";

std::string ToUtf8(const std::string& ansi)
{
    if (ansi.empty())
        return ansi;
    int wide = ::MultiByteToWideChar(936, 0, ansi.data(), static_cast<int>(ansi.size()), NULL, 0);
    std::wstring w(wide, L'\0');
    ::MultiByteToWideChar(936, 0, ansi.data(), static_cast<int>(ansi.size()), &w[0], wide);
    int n = ::WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, NULL, 0, NULL, NULL);
    std::string out(n, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, &out[0], n, NULL, NULL);
    return out;
}

// The registration file as this program names it, and where a 32-bit program under 64-bit
// Windows really finds it: in the 32-bit view of the system directory.
std::string RegistrationFileName()
{
    std::string path = RegistrationFilePath();
    BOOL wow64 = FALSE;
    if (::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64)
        path += " (for this 32-bit program: " + Wow64SystemDirectory() + "zbk.db)";
    return path;
}

int Stage()
{
    for (size_t at = 0; (at = std::string(kInstallDir).find('\\', at + 1)) != std::string::npos;)
        ::CreateDirectoryA(std::string(kInstallDir).substr(0, at).c_str(), NULL);
    ::CreateDirectoryA((std::string(kInstallDir) + "iis").c_str(), NULL);
    bool ok = WriteFileBytes(std::string(kInstallDir) + "iis\\config.ini",
                             "[System]\r\nWord1=Quellor 1.8.5\r\nWord2=build 20190312\r\n");
    ok = WriteFileBytes(std::string(kInstallDir) + "QServer.exe", "") && ok;
    ok = WriteFileBytes(
             RegistrationFilePath(),
             "; registration of the installed product\r\n[license]\r\nserial=Q-1234-5678\r\n")
         && ok;
    ScopedService service("zbk", "\"" + std::string(kInstallDir) + "QServer.exe\" -service");
    ok = service.created() && ok;
    service.Keep();
    printf("staged: service zbk -> \"%sQServer.exe\" -service\n", ToUtf8(kInstallDir).c_str());
    printf("staged: %siis\\config.ini with Word1=Quellor 1.8.5\n", ToUtf8(kInstallDir).c_str());
    printf("staged: %s\n", ToUtf8(RegistrationFileName()).c_str());
    return ok ? 0 : 1;
}

class Report
{
public:
    explicit Report(const std::string& path, bool append = false)
        : m_file(fopen(path.c_str(), append ? "ab" : "wb"))
    {
    }
    ~Report()
    {
        if (m_file != nullptr)
            fclose(m_file);
    }
    void Line(const std::string& ansi)
    {
        std::string utf8 = ToUtf8(ansi) + "\n";
        if (m_file != nullptr) {
            fwrite(utf8.data(), 1, utf8.size(), m_file);
            fflush(m_file);
        }
    }

private:
    FILE* m_file;
};

// Asks the script for an action (x11-session.sh: a screenshot, key presses, a click) and waits
// until it is done.
void Request(const std::string& syncDir, const std::string& action)
{
    static int number = 0;
    std::string name = syncDir + std::to_string(++number);
    // Written under another name first: the script never reads a half-written request.
    WriteFileBytes(name + ".tmp", action);
    ::MoveFileA((name + ".tmp").c_str(), (name + ".request").c_str());
    for (int i = 0; i < 300 && !PathExists(name + ".done"); ++i)
        ::Sleep(100);
}

void Screenshot(const std::string& syncDir, const std::string& name)
{
    ::Sleep(500);  // let the window finish painting
    Request(syncDir, "shot " + name);
}

// The program's main dialog, reported as it opens; NULL when it does not.
HWND OpenMainDialog(const DrivenProcess& process, Report& report)
{
    if (!process.started()) {
        report.Line("UpgradePatch.exe could not be started");
        return NULL;
    }
    HWND dialog = process.WaitForDialog(NULL, expected::kMainCaption);
    if (dialog == NULL) {
        report.Line("the main dialog did not open");
        return NULL;
    }
    report.Line("main dialog: " + WindowText(dialog));
    for (const ControlInfo& control : Controls(dialog))
        report.Line("  " + control.text);
    return dialog;
}

// Waits for the program to end and reports the registration file. 0 when the program ended with
// status 0 and the file holds the sample installation's version and install directory.
int Finish(const DrivenProcess& process, Report& report)
{
    DWORD exitCode = 99;
    if (!process.WaitForExit(&exitCode)) {
        report.Line("the program did not end");
        return 1;
    }
    report.Line("UpgradePatch.exe ended with status " + std::to_string(exitCode));
    std::string bytes;
    ReadFileBytes(RegistrationFilePath(), &bytes);
    report.Line("registration file " + RegistrationFileName() + " now reads:");
    report.Line(bytes);

    // What the patch must have written: the version, and the directory with A-Z lowered.
    std::string apppath = LowerAsciiLetters(kInstallDir);
    char version[64] = { 0 };
    char path[MAX_PATH] = { 0 };
    ::GetPrivateProfileStringA("zbk", "version", "", version, sizeof(version),
                               RegistrationFilePath().c_str());
    ::GetPrivateProfileStringA("zbk", "apppath", "", path, sizeof(path),
                               RegistrationFilePath().c_str());
    if (std::string(version) != "1.8.5" || path != apppath) {
        report.Line("the registration file does not hold version 1.8.5 and " + apppath);
        return 1;
    }
    return exitCode == 0 ? 0 : 1;
}

int Drive(const std::string& syncDir, Report& report)
{
    DrivenProcess process(ProgramDirectory() + "UpgradePatch.exe");
    HWND dialog = OpenMainDialog(process, report);
    if (dialog == NULL)
        return 1;
    Screenshot(syncDir, "main-dialog");

    ::PostMessageA(dialog, WM_SYSCOMMAND, 0x0010, 0);
    HWND about = process.WaitForDialog(dialog, expected::kAboutCaption);
    if (about != NULL) {
        report.Line("About box: " + WindowText(about));
        for (const ControlInfo& control : Controls(about))
            if ((control.style & SS_TYPEMASK) != SS_ICON)
                report.Line("  " + control.text);
        Screenshot(syncDir, "about-box");
        ::PostMessageA(about, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 100 && ::IsWindow(about); ++i)
            ::Sleep(20);
    }

    report.Line("pressing Start");
    PressButton(dialog, 1000);
    HWND box = process.WaitForDialog(dialog);
    if (box == NULL) {
        report.Line("no message box answered");
        return 1;
    }
    report.Line("message box [" + WindowText(box) + "]: " + MessageBoxText(box));
    Screenshot(syncDir, "success-box");
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    return Finish(process, report);
}

// True once a popup menu (class #32768) of the process is on the screen.
bool WaitForPopupMenu(const DrivenProcess& process)
{
    for (int i = 0; i < 100; ++i) {
        for (HWND hWnd : process.VisibleWindows()) {
            char className[16] = { 0 };
            ::GetClassNameA(hWnd, className, sizeof(className));
            if (std::string(className) == "#32768")
                return true;
        }
        ::Sleep(50);
    }
    return false;
}

// The program as a person uses it, through real input events that the script sends.
int Input(const std::string& syncDir, Report& report)
{
    DrivenProcess process(ProgramDirectory() + "UpgradePatch.exe");
    HWND dialog = OpenMainDialog(process, report);
    if (dialog == NULL)
        return 1;

    // The About entry, from the system menu with the keyboard. Wine's system menu has an entry of
    // its own with the same access key ahead of ours ("About Wine", &A), which the key would open:
    // ours is reached as the menu's last item instead.
    Request(syncDir, "key alt+space");
    if (!WaitForPopupMenu(process)) {
        report.Line("Alt+Space opened no system menu");
        return 1;
    }
    Request(syncDir, "key Up Return");
    HWND about = process.WaitForDialog(dialog, expected::kAboutCaption, 5000);
    if (about == NULL) {
        report.Line("the About box did not open from the system menu");
        return 1;
    }
    report.Line("About box opened from the system menu: " + WindowText(about));
    Request(syncDir, "key Return");
    for (int i = 0; i < 100 && ::IsWindow(about); ++i)
        ::Sleep(50);
    if (::IsWindow(about)) {
        report.Line("Enter did not close the About box");
        return 1;
    }

    RECT rc;
    ::GetWindowRect(::GetDlgItem(dialog, 1000), &rc);
    int x = (rc.left + rc.right) / 2;
    int y = (rc.top + rc.bottom) / 2;
    report.Line("clicking Start at " + std::to_string(x) + "," + std::to_string(y));
    Request(syncDir, "click " + std::to_string(x) + " " + std::to_string(y));
    HWND box = process.WaitForDialog(dialog, "", 5000);
    if (box == NULL) {
        report.Line("the click on Start brought no message box");
        return 1;
    }
    std::string text = MessageBoxText(box);
    report.Line("message box [" + WindowText(box) + "]: " + text);
    if (text != expected::kSuccessText)
        return 1;
    Request(syncDir, "key Return");
    return Finish(process, report);
}

// Start-to-dialog time: from CreateProcess until the main dialog is visible, in milliseconds.
int Bench(int runs)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, "[zbk]\r\n");
    std::vector<double> times;
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER start, shown;
        ::QueryPerformanceCounter(&start);
        DrivenProcess process(ProgramDirectory() + "UpgradePatch.exe");
        HWND dialog = process.WaitForDialog(NULL, expected::kMainCaption);
        ::QueryPerformanceCounter(&shown);
        if (dialog == NULL) {
            fprintf(stderr, "bench: the main dialog did not open\n");
            return 1;
        }
        times.push_back(1000.0 * static_cast<double>(shown.QuadPart - start.QuadPart)
                        / static_cast<double>(frequency.QuadPart));
        ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        DWORD exitCode = 0;
        process.WaitForExit(&exitCode);
    }
    std::sort(times.begin(), times.end());
    printf("%d runs: median %.0f ms, fastest %.0f ms, slowest %.0f ms\n", runs,
           times[times.size() / 2], times.front(), times.back());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "stage")
        return Stage();
    if ((mode == "drive" || mode == "input") && argc > 2) {
        std::string syncDir = argv[2];
        if (syncDir.back() != '\\')
            syncDir += '\\';
        int status;
        {
            Report report(syncDir + "report.txt");
            status = mode == "drive" ? Drive(syncDir, report) : Input(syncDir, report);
        }
        // The last line is the verdict: whoever started the driver may not see its exit status.
        Report(syncDir + "report.txt", true).Line(status == 0 ? "result: ok" : "result: failed");
        return status;
    }
    if (mode == "bench" && argc > 2 && atoi(argv[2]) > 0)
        return Bench(atoi(argv[2]));
    fprintf(stderr, "usage: PatchDemo.exe stage | drive SYNC_DIR | input SYNC_DIR | bench RUNS\n");
    return 64;
}
