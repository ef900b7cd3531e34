// The real UpgradePatch.exe, driven from this process against staged installations.
#include <gtest/gtest.h>

#include <string.h>

#include <memory>
#include <string>

#include "platform/RollbackJournal.h"
#include "tests/support/ExpectedTexts.h"
#include "tests/support/ProcessDriver.h"
#include "tests/support/Staging.h"

namespace {

const char kOtherContent[] =
    "; registration of the installed product\r\n"
    "[license]\r\n"
    "serial = Q-1234-5678\r\n"
    "\r\n"
    "[zbk]\r\n"
    "id=7\r\n"
    "version=1.0.0\r\n"
    "[tail]\r\n"
    "x=y\r\n";

std::string ProgramPath()
{
    return ProgramDirectory() + "UpgradePatch.exe";
}

// A message box that the program showed, read and then dismissed.
struct Box
{
    bool shown = false;
    std::string text;
    std::string caption;
};

// Presses Start on the open main dialog and dismisses the box that answers.
Box PressStart(const DrivenProcess& process, HWND dialog)
{
    Box box;
    PressButton(dialog, 1000);
    HWND hBox = process.WaitForDialog(dialog);
    if (hBox == NULL)
        return box;
    box.shown = true;
    box.text = MessageBoxText(hBox);
    box.caption = WindowText(hBox);
    // The box is modal: the dialog stays disabled until it is dismissed.
    EXPECT_FALSE(::IsWindowEnabled(dialog));
    ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 250 && ::IsWindow(hBox); ++i)
        ::Sleep(20);
    return box;
}

// Presses OK in the About box and waits until it is gone and its owner enabled again. Ending the
// box enables its owner before the box's window is destroyed.
void CloseAboutBox(HWND about, HWND dialog)
{
    ::PostMessageA(about, WM_COMMAND, IDOK, 0);
    for (int i = 0; i < 100 && (::IsWindow(about) || !::IsWindowEnabled(dialog)); ++i)
        ::Sleep(20);
}

// Closes the main dialog with its close box and returns the exit status (99: it did not end).
DWORD CloseDialog(const DrivenProcess& process, HWND dialog)
{
    ::PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD exitCode = 99;
    if (!process.WaitForExit(&exitCode))
        return 99;
    return exitCode;
}

// Each test starts the program and opens its main dialog through Open().
class PatchProgram : public testing::Test
{
protected:
    HWND Open()
    {
        m_process = std::make_unique<DrivenProcess>(ProgramPath());
        return WaitForMainDialog(*m_process);
    }
    const DrivenProcess& process() const { return *m_process; }
    // Opens the main dialog and presses Start twice: each press answers with this box, and the
    // dialog stays open until it is closed, without a patch.
    void ExpectFailedStart(const std::string& text, const char* caption)
    {
        HWND dialog = Open();
        ASSERT_NE(nullptr, dialog);
        for (int press = 0; press < 2; ++press) {
            Box box = PressStart(process(), dialog);
            EXPECT_EQ(text, box.text);
            EXPECT_EQ(caption, box.caption);
        }
        EXPECT_TRUE(::IsWindow(dialog));
        EXPECT_EQ(2u, CloseDialog(process(), dialog));
    }

    std::unique_ptr<DrivenProcess> m_process;
};

}  // namespace

TEST_F(PatchProgram, WithoutRegistrationFileOnlyTheMissingProductBoxShows)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kAbsent);
    ASSERT_TRUE(registration.ok());
    // Arguments change nothing.
    for (const char* arguments : { "", "/s --silent C:\\x" }) {
        SCOPED_TRACE(arguments);
        DrivenProcess process(ProgramPath(), arguments);
        ASSERT_TRUE(process.started());
        HWND box = process.WaitForDialog(NULL);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(expected::kNotInstalledCaption, WindowText(box));
        EXPECT_EQ(expected::kNotInstalledText, MessageBoxText(box));
        EXPECT_EQ(1u, process.VisibleWindows().size());
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        DWORD exitCode = 0;
        ASSERT_TRUE(process.WaitForExit(&exitCode));
        EXPECT_EQ(1u, exitCode);
        EXPECT_FALSE(PathExists(RegistrationFilePath()));
    }
}

// Its texts, as the template holds them: Resources.MainDialogTemplate.
TEST_F(PatchProgram, MainDialogFocusesStartAndClosesWithoutAPatch)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, kOtherContent);
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(4u, Controls(dialog).size());
    EXPECT_EQ(::GetDlgItem(dialog, 1000), FocusOf(dialog));
    // An application window: it has a taskbar button.
    EXPECT_TRUE(::GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(2u, CloseDialog(process(), dialog));
    EXPECT_EQ(kOtherContent, RegistrationFileBytes());
}

TEST_F(PatchProgram, AboutBoxOpensFromEverySystemCommandOfItsRange)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, "");
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    // Its texts, as the template holds them: Resources.AboutBoxTemplate.
    for (WPARAM command : { 0x0010, 0x0017, 0x001F }) {
        SCOPED_TRACE(command);
        ::PostMessageA(dialog, WM_SYSCOMMAND, command, 0);
        HWND about = process().WaitForDialog(dialog, expected::kAboutCaption);
        ASSERT_NE(nullptr, about);
        EXPECT_FALSE(::IsWindowEnabled(dialog));
        EXPECT_EQ(4u, Controls(about).size());
        CloseAboutBox(about, dialog);
        EXPECT_TRUE(::IsWindowEnabled(dialog));
        EXPECT_FALSE(::IsWindow(about));
    }
    // 0x0020 is another command: no About box.
    ::PostMessageA(dialog, WM_SYSCOMMAND, 0x0020, 0);
    EXPECT_EQ(nullptr, process().WaitForDialog(dialog, "", 500));
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    DWORD exitCode = 0;
    ASSERT_TRUE(process().WaitForExit(&exitCode));
    EXPECT_EQ(2u, exitCode);
}

namespace {

RECT WindowRect(HWND hWnd)
{
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

// Centres agree to the pixel that halving an odd size loses.
void ExpectCentredOver(const RECT& outer, const RECT& inner)
{
    EXPECT_NEAR((outer.left + outer.right) / 2, (inner.left + inner.right) / 2, 1);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, (inner.top + inner.bottom) / 2, 1);
}

struct PlacementRow
{
    const char* name;
    // Where the main dialog is moved before the About box opens, as a fraction of the work area
    // (the main dialog's top-left corner); negative: left where it opened.
    double x, y;
    bool pushedIntoCorner;  // the box cannot be centred and sits in the work area's corner
};

}  // namespace

TEST_F(PatchProgram, AboutBoxOpensCentredOverTheMainDialogAndOnTheWorkArea)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, "");
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    // The main dialog has no owner: it opens centred on the work area.
    ExpectCentredOver(work, WindowRect(dialog));

    const PlacementRow rows[] = {
        { "where it opened", -1, -1, false },
        { "moved near the top-left corner", 0.04, 0.04, false },
        { "partly off the bottom-right of the work area", 0.8, 0.85, true },
    };
    for (const PlacementRow& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.x >= 0) {
            int x = work.left + static_cast<int>(row.x * (work.right - work.left));
            int y = work.top + static_cast<int>(row.y * (work.bottom - work.top));
            ::SetWindowPos(dialog, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        ::PostMessageA(dialog, WM_SYSCOMMAND, 0x0010, 0);
        HWND about = process().WaitForDialog(dialog, expected::kAboutCaption);
        ASSERT_NE(nullptr, about);
        RECT box = WindowRect(about);
        EXPECT_GE(box.left, work.left);
        EXPECT_GE(box.top, work.top);
        EXPECT_LE(box.right, work.right);
        EXPECT_LE(box.bottom, work.bottom);
        if (row.pushedIntoCorner) {
            EXPECT_EQ(work.right, box.right);
            EXPECT_EQ(work.bottom, box.bottom);
        } else {
            ExpectCentredOver(WindowRect(dialog), box);
        }
        CloseAboutBox(about, dialog);
    }
    EXPECT_EQ(2u, CloseDialog(process(), dialog));
}

namespace {

// The screen resolution that Wine's configuration sets (winecfg writes it here), for the programs
// started while the object lives.
class ScopedLogPixels
{
public:
    explicit ScopedLogPixels(DWORD dpi)
    {
        ::RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, NULL, 0, KEY_ALL_ACCESS,
                          NULL, &m_key, NULL);
        DWORD size = sizeof(m_saved);
        m_hadValue = ::RegQueryValueExA(m_key, "LogPixels", NULL, NULL,
                                        reinterpret_cast<BYTE*>(&m_saved), &size)
                     == ERROR_SUCCESS;
        ::RegSetValueExA(m_key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                         sizeof(dpi));
    }
    ~ScopedLogPixels()
    {
        if (m_hadValue)
            ::RegSetValueExA(m_key, "LogPixels", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&m_saved), sizeof(m_saved));
        else
            ::RegDeleteValueA(m_key, "LogPixels");
        ::RegCloseKey(m_key);
    }
    ScopedLogPixels(const ScopedLogPixels&) = delete;
    ScopedLogPixels& operator=(const ScopedLogPixels&) = delete;

private:
    HKEY m_key = NULL;
    DWORD m_saved = 0;
    bool m_hadValue = false;
};

// A dialog's client size and its controls (rectangles in client coordinates, and texts).
struct Layout
{
    SIZE client;
    std::vector<RECT> rects;
    std::vector<ControlInfo> controls;
};

Layout LayoutOf(HWND dialog)
{
    Layout layout;
    RECT rc;
    ::GetClientRect(dialog, &rc);
    layout.client = { rc.right, rc.bottom };
    layout.controls = Controls(dialog);
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != NULL;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::GetWindowRect(child, &rc);
        ::MapWindowPoints(NULL, dialog, reinterpret_cast<POINT*>(&rc), 2);
        layout.rects.push_back(rc);
    }
    return layout;
}

// The main dialog's and the About box's layouts, as the program shows them.
std::vector<Layout> ShownLayouts()
{
    std::vector<Layout> layouts;
    DrivenProcess process(ProgramPath());
    HWND dialog = WaitForMainDialog(process);
    if (dialog == NULL)
        return layouts;
    layouts.push_back(LayoutOf(dialog));
    ::PostMessageA(dialog, WM_SYSCOMMAND, 0x0010, 0);
    HWND about = process.WaitForDialog(dialog, expected::kAboutCaption);
    if (about != NULL) {
        layouts.push_back(LayoutOf(about));
        CloseAboutBox(about, dialog);
    }
    CloseDialog(process, dialog);
    return layouts;
}

// Every control lies inside the client area, none overlaps another, and every text fits its
// control, measured in the dialogs' font at that resolution.
void ExpectNothingClippedOrOverlapping(const Layout& layout, int dpi)
{
    HDC dc = ::CreateCompatibleDC(NULL);
    // 9-point SimSun, as the templates ask.
    HFONT font = ::CreateFontA(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                               DEFAULT_CHARSET, 0, 0, 0, 0, "\xCB\xCE\xCC\xE5");
    HGDIOBJ old = ::SelectObject(dc, font);
    for (size_t i = 0; i < layout.rects.size(); ++i) {
        const RECT& rc = layout.rects[i];
        const ControlInfo& control = layout.controls[i];
        SCOPED_TRACE(control.text);
        EXPECT_GE(rc.left, 0);
        EXPECT_GE(rc.top, 0);
        EXPECT_LE(rc.right, layout.client.cx);
        EXPECT_LE(rc.bottom, layout.client.cy);
        for (size_t j = 0; j < i; ++j) {
            RECT both;
            EXPECT_FALSE(::IntersectRect(&both, &rc, &layout.rects[j]))
                << "overlaps " << layout.controls[j].text;
        }
        if ((control.style & SS_TYPEMASK) == SS_ICON && control.className == "Static")
            continue;
        RECT text = { 0, 0, rc.right - rc.left, 0 };
        UINT format = control.className == "Button" ? DT_SINGLELINE : DT_WORDBREAK;
        ::DrawTextA(dc, control.text.c_str(), -1, &text, DT_CALCRECT | DT_NOPREFIX | format);
        EXPECT_LE(text.right, rc.right - rc.left);
        EXPECT_LE(text.bottom, rc.bottom - rc.top);
    }
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    ::DeleteDC(dc);
}

}  // namespace

TEST_F(PatchProgram, AtOneAndAHalfTimesTheDpiTheDialogsGrowWithTheirFont)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, "");
    std::vector<Layout> normal;
    std::vector<Layout> large;
    {
        ScopedLogPixels dpi(96);
        normal = ShownLayouts();
    }
    {
        ScopedLogPixels dpi(144);
        large = ShownLayouts();
    }
    ASSERT_EQ(2u, normal.size());
    ASSERT_EQ(2u, large.size());
    for (size_t d = 0; d < 2; ++d) {
        SCOPED_TRACE(d == 0 ? "main dialog" : "About box");
        // Dialog units follow the font, whose metrics do not grow exactly in proportion.
        EXPECT_GE(large[d].client.cx, normal[d].client.cx * 13 / 10);
        EXPECT_GE(large[d].client.cy, normal[d].client.cy * 13 / 10);
        ExpectNothingClippedOrOverlapping(normal[d], 96);
        ExpectNothingClippedOrOverlapping(large[d], 144);
    }
}

// Every road of Start that fails, end to end: the box that answers each of two presses, a dialog
// still open, and the registration file as it was. What each outcome says is the message table's
// (PatchMessages); which version texts count is the procedure's (PatchProcedure.Word1Values).
TEST_F(PatchProgram, EveryFailedStartIsReportedAndLeavesTheDialogOpen)
{
    {
        SCOPED_TRACE("no service");
        ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, kOtherContent);
        // The empty path, then the text.
        ExpectFailedStart(expected::kMissingPathSuffix, expected::kErrorCaption);
        SCOPED_TRACE("a service whose directory does not exist");
        ScopedService service("zbk", "\"C:\\No\\Such\\Dir\\QServer.EXE\" -service");
        ASSERT_TRUE(service.created());
        ExpectFailedStart(std::string("c:\\no\\such\\dir\\") + expected::kMissingPathSuffix,
                          expected::kErrorCaption);
        EXPECT_EQ(kOtherContent, RegistrationFileBytes());
    }
    {
        SCOPED_TRACE("no version");
        ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, kOtherContent);
        StagedInstallation installation("Quellor", ConfigIni("V 185"));
        ASSERT_TRUE(installation.ok());
        ExpectFailedStart(expected::kNoVersionText, expected::kNoVersionCaption);
        EXPECT_EQ(kOtherContent, RegistrationFileBytes());
    }
    StagedInstallation installation("Quellor", ConfigIni("V 1.9.0"));
    ASSERT_TRUE(installation.ok());
    for (int kind = 0; kind < UnwritableRegistrationFile::kKinds; ++kind) {
        auto unwritable = static_cast<UnwritableRegistrationFile::Kind>(kind);
        SCOPED_TRACE(UnwritableRegistrationFile::Name(unwritable));
        std::string after;
        {
            UnwritableRegistrationFile registration(unwritable, kOtherContent);
            ASSERT_TRUE(registration.ok());
            ExpectFailedStart(ShownRegistrationFilePath()
                                  + UnwritableRegistrationFile::FailureText(unwritable),
                              expected::kErrorCaption);
            registration.Release();
            ReadFileBytes(RegistrationFilePath(), &after);
        }
        if (unwritable != UnwritableRegistrationFile::kDirectoryInstead) {
            EXPECT_EQ(kOtherContent, after);
        }
    }
}

TEST_F(PatchProgram, SuccessRecordsVersionAndLowerCaseDirectoryThenEnds)
{
    std::string original = kOtherContent;
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, original);
    StagedInstallation installation(expected::kDbcsInstallLeaf, ConfigIni("Quellor 1.8.5"));
    ASSERT_TRUE(installation.ok());
    std::string apppath = installation.lowerInstallDir();

    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run == 0 ? "first run" : "second run");
        std::string before = RegistrationFileBytes();
        HWND dialog = Open();
        ASSERT_NE(nullptr, dialog);
        Box box = PressStart(process(), dialog);
        EXPECT_EQ(expected::kSuccessText, box.text);
        EXPECT_EQ(expected::kSuccessCaption, box.caption);
        DWORD exitCode = 99;
        ASSERT_TRUE(process().WaitForExit(&exitCode));
        EXPECT_EQ(0u, exitCode);
        EXPECT_TRUE(process().VisibleWindows().empty());

        // 圓 keeps its 'A' trail byte, 淺 its 0x5C, the ASCII letters are lowered.
        EXPECT_NE(std::string::npos, apppath.find("prod\x88\x41\x9C\x5C"));
        // The bytes of the two profile writes of these values: both values and every other line.
        EXPECT_EQ(AfterPlatformWrites(before, "1.8.5", apppath), RegistrationFileBytes());
    }
    std::string after = RegistrationFileBytes();

    // A journal of a run cut short, and another program's write since: the success box says, after
    // its own text, where the bytes from before that run were kept.
    const std::string journal = RegistrationFilePath() + ".upgradepatch-journal";
    ASSERT_TRUE(CRollbackJournal(journal.c_str()).Save(after.data(), after.size(), "", 0));
    ASSERT_TRUE(WriteFileBytes(RegistrationFilePath(), after + "[service]\r\nstate=1\r\n"));
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    Box box = PressStart(process(), dialog);
    const std::string notice =
        std::string(expected::kSuccessText) + "\n\n" + expected::kKeptAsideLine;
    const size_t end = box.text.rfind(expected::kKeptAsideEnd);
    ASSERT_EQ(0u, box.text.find(notice + "zbk.db.upgradepatch-original-"));
    ASSERT_EQ(box.text.size() - strlen(expected::kKeptAsideEnd), end);
    const std::string kept =
        SystemDirectory() + box.text.substr(notice.size(), end - notice.size());
    EXPECT_TRUE(PathExists(kept));
    DWORD exitCode = 99;
    EXPECT_TRUE(process().WaitForExit(&exitCode) && exitCode == 0);
    ::DeleteFileA(kept.c_str());
}

// Why the release is 32-bit: the product's installer reads the registration file through the
// 32-bit view of the system directory. Each build must write into its own view only: the i686
// programs into syswow64, the x86_64 programs into system32.
TEST_F(PatchProgram, EachBuildWritesOnlyIntoTheSystemDirectoryViewOfItsArchitecture)
{
    if (Wow64SystemDirectory().empty())
        GTEST_SKIP() << "this system has a single view of the system directory";
#ifdef _WIN64
    const std::string own = NativeSystemDirectory() + "zbk.db";
    const std::string other = Wow64SystemDirectory() + "zbk.db";
#else
    const std::string own = Wow64SystemDirectory() + "zbk.db";
    const std::string other = NativeSystemDirectory() + "zbk.db";
#endif
    const std::string otherBytes = "; the other view\r\n[zbk]\r\nversion=0.9\r\n";
    ScopedRegistrationFile otherView(ScopedRegistrationFile::kFile, otherBytes, other);
    ASSERT_TRUE(otherView.ok()) << other;
    StagedInstallation installation("Quellor", ConfigIni("V 1.8.5"));
    ASSERT_TRUE(installation.ok());

    for (const char* program : { "UpgradePatchCmd.exe", "UpgradePatch.exe" }) {
        SCOPED_TRACE(program);
        ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, kOtherContent);
        ASSERT_TRUE(registration.ok());
        std::string ownBytes;
        ASSERT_TRUE(ReadFileBytes(own, &ownBytes)) << "the system directory is " << own;
        ASSERT_EQ(kOtherContent, ownBytes);

        if (std::string(program) == "UpgradePatchCmd.exe") {
            CapturedRun run = RunCaptured(ProgramDirectory() + program, "");
            EXPECT_EQ(0u, run.exitCode);
            // The file named is the file written.
            EXPECT_NE(std::string::npos, run.out.find("\r\n" + own + "\r\n")) << run.out;
        } else {
            HWND dialog = Open();
            ASSERT_NE(nullptr, dialog);
            EXPECT_EQ(expected::kSuccessText, PressStart(process(), dialog).text);
            DWORD exitCode = 99;
            ASSERT_TRUE(process().WaitForExit(&exitCode));
            EXPECT_EQ(0u, exitCode);
        }
        char value[1024] = { 0 };
        ::GetPrivateProfileStringA("zbk", "apppath", "", value, sizeof(value), own.c_str());
        EXPECT_EQ(installation.lowerInstallDir(), value) << own;
        ::GetPrivateProfileStringA("zbk", "version", "", value, sizeof(value), own.c_str());
        EXPECT_EQ(std::string("1.8.5"), value) << own;
        std::string after;
        ASSERT_TRUE(ReadFileBytes(other, &after));
        EXPECT_EQ(otherBytes, after) << other << " is left byte for byte as it was";
    }
}
