// Demo driver: stages a sample installation, or runs the real program as a user would, reporting
// in UTF-8 what it showed and asking the demo script for a screenshot at each step.
//
//   PatchDemo.exe stage            sample installation: service "zbk", install directory with a
//                                  Chinese name, Word1 "Quellor 1.8.5", a registration file
//   PatchDemo.exe drive SYNC_DIR   run UpgradePatch.exe, open About, press Start; the report goes
//                                  to SYNC_DIR\report.txt, screenshots are requested through
//                                  SYNC_DIR\NAME.request and awaited as SYNC_DIR\NAME.done
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
    ok = WriteFileBytes(RegistrationFilePath(),
                        "; registration of the installed product\r\n[license]\r\nserial=Q-1234-5678\r\n") && ok;
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
    explicit Report(const std::string& path) : m_file(fopen(path.c_str(), "wb")) {}
    ~Report() { if (m_file != nullptr) fclose(m_file); }
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

// Asks the demo script for a screenshot and waits until it is taken.
void Screenshot(const std::string& syncDir, const std::string& name)
{
    ::Sleep(500);  // let the window finish painting
    WriteFileBytes(syncDir + name + ".request", name);
    for (int i = 0; i < 300 && !PathExists(syncDir + name + ".done"); ++i)
        ::Sleep(100);
}

int Drive(std::string syncDir)
{
    if (syncDir.back() != '\\')
        syncDir += '\\';
    Report report(syncDir + "report.txt");
    DrivenProcess process(ProgramDirectory() + "UpgradePatch.exe");
    if (!process.started()) {
        report.Line("UpgradePatch.exe could not be started");
        return 1;
    }
    HWND dialog = process.WaitForDialog(NULL, expected::kMainCaption);
    if (dialog == NULL) {
        report.Line("the main dialog did not open");
        return 1;
    }
    report.Line("main dialog: " + WindowText(dialog));
    for (const ControlInfo& control : Controls(dialog))
        report.Line("  " + control.text);
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
    return exitCode == 0 ? 0 : 1;
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
    if (mode == "drive" && argc > 2)
        return Drive(argv[2]);
    if (mode == "bench" && argc > 2 && atoi(argv[2]) > 0)
        return Bench(atoi(argv[2]));
    fprintf(stderr, "usage: PatchDemo.exe stage | drive SYNC_DIR | bench RUNS\n");
    return 64;
}
