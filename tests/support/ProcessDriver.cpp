// Window driving across processes.
#include "tests/support/ProcessDriver.h"

#include "tests/support/ExpectedTexts.h"

namespace {

struct Search
{
    DWORD pid;
    HWND owner;
    const std::string* caption;
    HWND found;
    std::vector<HWND>* all;
};

BOOL CALLBACK VisitTopLevel(HWND hWnd, LPARAM lParam)
{
    Search* search = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != search->pid || !::IsWindowVisible(hWnd))
        return TRUE;
    if (search->all != nullptr) {
        search->all->push_back(hWnd);
        return TRUE;
    }
    char className[64] = { 0 };
    ::GetClassNameA(hWnd, className, sizeof(className));
    if (std::string(className) != "#32770" || ::GetWindow(hWnd, GW_OWNER) != search->owner)
        return TRUE;
    if (!search->caption->empty() && WindowText(hWnd) != *search->caption)
        return TRUE;
    search->found = hWnd;
    return FALSE;
}

BOOL CALLBACK VisitChild(HWND hWnd, LPARAM lParam)
{
    auto* controls = reinterpret_cast<std::vector<ControlInfo>*>(lParam);
    char className[64] = { 0 };
    ::GetClassNameA(hWnd, className, sizeof(className));
    controls->push_back(ControlInfo{ ::GetDlgCtrlID(hWnd), className, WindowText(hWnd),
                                     static_cast<DWORD>(::GetWindowLongA(hWnd, GWL_STYLE)) });
    return TRUE;
}

}  // namespace

std::string ProgramDirectory()
{
    char path[MAX_PATH] = { 0 };
    ::GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string dir = path;
    return dir.substr(0, dir.rfind('\\') + 1);
}

DrivenProcess::DrivenProcess(const std::string& exePath, const std::string& arguments)
{
    std::string commandLine = "\"" + exePath + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessA(exePath.c_str(), &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si,
                         &pi)) {
        m_process.Reset(pi.hProcess);
        KernelHandle thread(pi.hThread);  // not needed
        m_pid = pi.dwProcessId;
        ::WaitForInputIdle(m_process.Get(), 5000);
    }
}

HWND WaitForMainDialog(const DrivenProcess& process)
{
    return process.WaitForDialog(NULL, expected::kMainCaption);
}

DrivenProcess::~DrivenProcess()
{
    if (m_process.IsValid() && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(m_process.Get(), 99);
        ::WaitForSingleObject(m_process.Get(), 5000);
    }
}

HWND DrivenProcess::WaitForDialog(HWND owner, const std::string& caption, DWORD timeoutMs) const
{
    DWORD start = ::GetTickCount();
    do {
        Search search = { m_pid, owner, &caption, NULL, nullptr };
        ::EnumWindows(&VisitTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.found != NULL)
            return search.found;
        if (::WaitForSingleObject(m_process.Get(), 50) != WAIT_TIMEOUT)
            return NULL;  // the process is gone
    } while (::GetTickCount() - start < timeoutMs);
    return NULL;
}

std::vector<HWND> DrivenProcess::VisibleWindows() const
{
    std::vector<HWND> all;
    std::string none;
    Search search = { m_pid, NULL, &none, NULL, &all };
    ::EnumWindows(&VisitTopLevel, reinterpret_cast<LPARAM>(&search));
    return all;
}

bool DrivenProcess::WaitForExit(DWORD* exitCode, DWORD timeoutMs) const
{
    if (::WaitForSingleObject(m_process.Get(), timeoutMs) != WAIT_OBJECT_0)
        return false;
    ::GetExitCodeProcess(m_process.Get(), exitCode);
    return true;
}

namespace {

void Drain(HANDLE pipe, std::string* into)
{
    DWORD available = 0;
    while (::PeekNamedPipe(pipe, NULL, 0, NULL, &available, NULL) && available > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!::ReadFile(pipe, buffer, sizeof(buffer), &got, NULL) || got == 0)
            break;
        into->append(buffer, got);
    }
}

}  // namespace

namespace {

std::wstring Widened(const std::string& text)
{
    int n = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, NULL, 0);
    std::wstring wide(n, L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], n);
    wide.resize(n > 0 ? n - 1 : 0);
    return wide;
}

// The steps of Ansible's process helper, up to the point where the program runs.
bool StartAsAnsibleDoes(const std::string& exePath, const std::string& commandLine,
                        STARTUPINFOA& si, PROCESS_INFORMATION* pi)
{
    // Its host has no console.
    ::FreeConsole();
    bool allocated = false;
    if (::GetConsoleWindow() == NULL) {
        allocated = ::AllocConsole() != 0;
        ::SetConsoleCP(CP_UTF8);
        ::SetConsoleOutputCP(CP_UTF8);
    }
    STARTUPINFOEXW six = {};
    six.StartupInfo.cb = sizeof(six);
    six.StartupInfo.dwFlags = si.dwFlags;
    six.StartupInfo.hStdInput = si.hStdInput;
    six.StartupInfo.hStdOutput = si.hStdOutput;
    six.StartupInfo.hStdError = si.hStdError;
    // The environment, passed on as a Unicode block.
    std::wstring environment;
    LPWCH current = ::GetEnvironmentStringsW();
    for (LPWCH p = current; *p != L'\0'; p += wcslen(p) + 1)
        environment.append(p, wcslen(p) + 1);
    environment += L'\0';
    ::FreeEnvironmentStringsW(current);
    std::wstring command = Widened(commandLine);
    bool started = ::CreateProcessW(Widened(exePath).c_str(), &command[0], NULL, NULL, TRUE,
                                    CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT
                                        | EXTENDED_STARTUPINFO_PRESENT,
                                    &environment[0], NULL, &six.StartupInfo, pi)
                   != 0;
    if (allocated)
        ::FreeConsole();
    if (started)
        ::ResumeThread(pi->hThread);
    return started;
}

}  // namespace

CapturedRun RunCaptured(const std::string& exePath, const std::string& arguments, DWORD timeoutMs,
                        LaunchStyle style)
{
    CapturedRun run;
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), NULL, TRUE };
    HANDLE pipe[4] = {};  // out read, out write, err read, err write
    bool piped = ::CreatePipe(&pipe[0], &pipe[1], &inherit, 0) != 0;
    piped = ::CreatePipe(&pipe[2], &pipe[3], &inherit, 0) != 0 && piped;
    KernelHandle outRead(pipe[0]), outWrite(pipe[1]), errRead(pipe[2]), errWrite(pipe[3]);
    if (!piped)
        return run;
    ::SetHandleInformation(outRead.Get(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead.Get(), HANDLE_FLAG_INHERIT, 0);
    KernelHandle nul(::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherit, OPEN_EXISTING, 0, NULL));

    std::string commandLine = "\"" + exePath + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = nul.Get();
    si.hStdOutput = outWrite.Get();
    si.hStdError = errWrite.Get();
    PROCESS_INFORMATION pi = {};
    if (style == kAnsibleProcessHelper) {
        run.started = StartAsAnsibleDoes(exePath, commandLine, si, &pi);
    } else {
        DWORD flags = style == kNoConsole ? DETACHED_PROCESS : 0;
        run.started = ::CreateProcessA(exePath.c_str(), &commandLine[0], NULL, NULL, TRUE, flags,
                                       NULL, NULL, &si, &pi)
                      != 0;
    }
    // The program holds the writing ends now: the pipes end when it does.
    outWrite.Close();
    errWrite.Close();
    KernelHandle process(pi.hProcess);
    KernelHandle thread(pi.hThread);
    if (run.started) {
        DWORD start = ::GetTickCount();
        for (;;) {
            DWORD wait = ::WaitForSingleObject(process.Get(), 20);
            Drain(outRead.Get(), &run.out);
            Drain(errRead.Get(), &run.err);
            if (wait == WAIT_OBJECT_0) {
                run.ended = true;
                break;
            }
            if (::GetTickCount() - start > timeoutMs) {
                ::TerminateProcess(process.Get(), 99);
                break;
            }
        }
        ::GetExitCodeProcess(process.Get(), &run.exitCode);
    }
    return run;
}

std::string WindowText(HWND hWnd)
{
    char text[4096] = { 0 };
    DWORD_PTR length = 0;
    ::SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                          SMTO_ABORTIFHUNG, 5000, &length);
    return std::string(text);
}

std::vector<ControlInfo> Controls(HWND dialog)
{
    std::vector<ControlInfo> controls;
    ::EnumChildWindows(dialog, &VisitChild, reinterpret_cast<LPARAM>(&controls));
    return controls;
}

std::string MessageBoxText(HWND box)
{
    HWND text = ::GetDlgItem(box, 0xFFFF);
    // The box fills its text in while it initialises: wait until it is there.
    for (int i = 0; i < 100; ++i) {
        std::string value = WindowText(text);
        if (!value.empty())
            return value;
        ::Sleep(20);
    }
    return std::string();
}

void PressButton(HWND dialog, int id)
{
    // Posted, not sent: the handler may open a modal box and would block a sent message.
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

HWND FocusOf(HWND hWnd)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(hWnd, NULL), &info))
        return NULL;
    return info.hwndFocus;
}
