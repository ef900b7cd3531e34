// The real-input test's driver: stages the sample installation, or runs UpgradePatch.exe beside
// it through real input events that the script sends (Alt+Space and keys for the About box, a
// mouse click on Start, Enter for each box), and reports in UTF-8 what it showed and did.
//   PatchInput.exe stage            the sample installation
//   PatchInput.exe input SYNC_DIR   the run; the report goes to SYNC_DIR\report.txt
#include <string>

#include "tests/support/ExpectedTexts.h"
#include "tests/support/ProcessDriver.h"
#include "tests/support/SampleInstallation.h"

namespace {

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

}  // namespace

int main(int argc, char** argv)
{
    return DriverMain(argc, argv, "PatchInput.exe", "input", &Input);
}
