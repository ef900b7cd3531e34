// The start-up benchmark: starts UpgradePatch.exe RUNS times (a registration file is staged for
// it) and prints how long its main dialog takes to appear. For the write benchmark it also makes
// the patch's two profile writes directly on a file, the yardstick of a patch's time.
//   PatchBench.exe RUNS
//   PatchBench.exe --profile-writes FILE VERSION APPPATH
//   PatchBench.exe --service-write FILE VALUE    [service] state=VALUE, as another program
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "tests/support/ProcessDriver.h"
#include "tests/support/Staging.h"

namespace {

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
        HWND dialog = WaitForMainDialog(process);
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
    if (argc > 1 && atoi(argv[1]) > 0)
        return Bench(atoi(argv[1]));
    if (argc == 5 && strcmp(argv[1], "--profile-writes") == 0)
        return ::WritePrivateProfileStringA("zbk", "version", argv[3], argv[2])
                       && ::WritePrivateProfileStringA("zbk", "apppath", argv[4], argv[2])
                   ? 0
                   : 1;
    // Another program's write, as the product's service makes one: a key of a section of its own.
    if (argc == 4 && strcmp(argv[1], "--service-write") == 0)
        return ::WritePrivateProfileStringA("service", "state", argv[3], argv[2]) ? 0 : 1;
    // A service that writes every few milliseconds: each profile write rewrites the whole file.
    if (argc == 4 && strcmp(argv[1], "--service-writes") == 0) {
        for (int i = 0; i < atoi(argv[3]); ++i) {
            char szValue[16];
            snprintf(szValue, sizeof(szValue), "%d", i);
            ::WritePrivateProfileStringA("service", "tick", szValue, argv[2]);
            ::Sleep(2);
        }
        return 0;
    }
    fprintf(stderr,
            "usage: PatchBench.exe RUNS | --profile-writes FILE VERSION APPPATH"
            " | --service-write FILE VALUE | --service-writes FILE COUNT\n");
    return 64;
}
