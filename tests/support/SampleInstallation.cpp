// The sample installation, the report and the run helpers of the drivers.
#include "tests/support/SampleInstallation.h"

#include <string>

#include "tests/support/ExpectedTexts.h"
#include "tests/support/Staging.h"

// C:\Program Files\Quellor\入侵防护系统\ in code page 936.
const char kSampleInstallDir[] =
    "C:\\Program Files\\Quellor\\\xC8\xEB\xC7\xD6\xB7\xC0\xBB\xA4\xCF\xB5\xCD\xB3\\";

namespace {

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

}  // namespace

int StageSampleInstallation()
{
    bool ok = StagedInstallation::StageKept(
        kSampleInstallDir, "[System]\r\nWord1=Quellor 1.8.5\r\nWord2=build 20190312\r\n");
    ok = WriteFileBytes(
             RegistrationFilePath(),
             "; registration of the installed product\r\n[license]\r\nserial=Q-1234-5678\r\n")
         && ok;
    printf("staged: service zbk -> \"%sQServer.exe\" -service\n",
           ToUtf8(kSampleInstallDir).c_str());
    printf("staged: %siis\\config.ini with Word1=Quellor 1.8.5\n",
           ToUtf8(kSampleInstallDir).c_str());
    printf("staged: %s\n", ToUtf8(RegistrationFileName()).c_str());
    return ok ? 0 : 1;
}

Report::Report(const std::string& path, bool append)
    : m_file(fopen(path.c_str(), append ? "ab" : "wb"))
{
}

Report::~Report()
{
    if (m_file != nullptr)
        fclose(m_file);
}

void Report::Line(const std::string& ansi)
{
    std::string utf8 = ToUtf8(ansi) + "\n";
    if (m_file != nullptr) {
        fwrite(utf8.data(), 1, utf8.size(), m_file);
        fflush(m_file);
    }
}

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
    HWND dialog = WaitForMainDialog(process);
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
    std::string apppath = LowerAsciiLetters(kSampleInstallDir);
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

int DriverMain(int argc, char** argv, const char* pszProgram, const char* pszMode,
               int (*run)(const std::string& syncDir, Report& report))
{
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "stage")
        return StageSampleInstallation();
    if (mode != pszMode || argc < 3) {
        fprintf(stderr, "usage: %s stage | %s SYNC_DIR\n", pszProgram, pszMode);
        return 64;
    }
    std::string syncDir = argv[2];
    if (syncDir.back() != '\\')
        syncDir += '\\';
    int status;
    {
        Report report(syncDir + "report.txt");
        status = run(syncDir, report);
    }
    Report(syncDir + "report.txt", true).Line(status == 0 ? "result: ok" : "result: failed");
    return status;
}
