// The demo's driver: stages the sample installation, or runs UpgradePatch.exe beside it as a user
// would (the About box, then Start), asking for a screenshot at each step, and reports in UTF-8
// what it showed and did.
//   PatchDemo.exe stage            the sample installation
//   PatchDemo.exe drive SYNC_DIR   the run; the report goes to SYNC_DIR\report.txt
#include <string>

#include "tests/support/ExpectedTexts.h"
#include "tests/support/ProcessDriver.h"
#include "tests/support/SampleInstallation.h"

namespace {

int Drive(const std::string& syncDir, Report& report)
{
    DrivenProcess process(ProgramDirectory() + "UpgradePatch.exe");
    HWND dialog = OpenMainDialog(process, report);
    if (dialog == NULL)
        return 1;
    Screenshot(syncDir, "main-dialog");

    ::PostMessageA(dialog, WM_SYSCOMMAND, 0x0010, 0);
    HWND about = process.WaitForDialog(dialog, expected::kAboutCaption);
    if (about == NULL) {
        report.Line("no About box opened from the system menu");
        return 1;
    }
    report.Line("About box: " + WindowText(about));
    for (const ControlInfo& control : Controls(about))
        if ((control.style & SS_TYPEMASK) != SS_ICON)
            report.Line("  " + control.text);
    Screenshot(syncDir, "about-box");
    ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 100 && ::IsWindow(about); ++i)
        ::Sleep(20);

    report.Line("pressing Start");
    PressButton(dialog, 1000);
    HWND box = process.WaitForDialog(dialog);
    if (box == NULL) {
        report.Line("no message box answered");
        return 1;
    }
    const std::string caption = WindowText(box);
    const std::string text = MessageBoxText(box);
    report.Line("message box [" + caption + "]: " + text);
    Screenshot(syncDir, "success-box");
    ::PostMessageA(box, WM_COMMAND, IDOK, 0);
    if (caption != expected::kSuccessCaption || text != expected::kSuccessText) {
        report.Line("that is not the success box");
        Finish(process, report);
        return 1;
    }
    return Finish(process, report);
}

}  // namespace

int main(int argc, char** argv)
{
    return DriverMain(argc, argv, "PatchDemo.exe", "drive", &Drive);
}
