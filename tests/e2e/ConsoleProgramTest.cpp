// UpgradePatchCmd.exe against staged installations: exit statuses, texts decoded from the output
// code page, dry runs, usage, failed and concurrent writes, and the clients that launch it.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/RollbackJournal.h"
#include "tests/support/ExpectedTexts.h"
#include "tests/support/ProcessDriver.h"
#include "tests/support/Staging.h"

namespace {

const char kOtherContent[] = "; registration\r\n[license]\r\nserial=Q-1\r\n[zbk]\r\nid=7\r\n";

std::string ConsoleProgramPath()
{
    return ProgramDirectory() + "UpgradePatchCmd.exe";
}

// Bytes in code page cp, re-encoded in code page 936 for comparison with the expected texts.
std::string ToGbk(const std::string& bytes, UINT cp)
{
    if (bytes.empty())
        return bytes;
    int n = ::MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), NULL, 0);
    std::wstring wide(n, L'\0');
    ::MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], n);
    int m = ::WideCharToMultiByte(936, 0, wide.data(), n, NULL, 0, NULL, NULL);
    std::string out(m, '\0');
    ::WideCharToMultiByte(936, 0, wide.data(), n, &out[0], m, NULL, NULL);
    return out;
}

// The code page that a redirected console program writes in, seen from this process.
UINT OutputCodePage()
{
    UINT cp = ::GetConsoleOutputCP();
    return cp != 0 ? cp : ::GetOEMCP();
}

std::string Lines(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out + "\r\n";
}

class ConsoleProgram : public testing::Test
{
protected:
    CapturedRun Run(const std::string& arguments = "")
    {
        CapturedRun run = RunCaptured(ConsoleProgramPath(), arguments);
        EXPECT_TRUE(run.started && run.ended) << arguments << " error " << ::GetLastError();
        run.out = ToGbk(run.out, OutputCodePage());
        run.err = ToGbk(run.err, OutputCodePage());
        // The line for tools ends the output: its word is checked on its own.
        const std::string kResult = "upgradepatch-result: ";
        size_t at = run.out.rfind(kResult);
        if (at != std::string::npos && (at == 0 || run.out[at - 1] == '\n')) {
            run.result = run.out.substr(at + kResult.size());
            run.out.erase(at);
            EXPECT_EQ(2u, run.result.size() - run.result.find("\r\n")) << "the last line";
            run.result.erase(run.result.find("\r\n"));
        }
        return run;
    }
};

}  // namespace

TEST_F(ConsoleProgram, NotInstalledExitsOne)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kAbsent);
    CapturedRun run = Run();
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ(Lines(expected::kNotInstalledText), run.err);
    EXPECT_EQ("", run.out);
    EXPECT_EQ("not-installed", run.result);
    EXPECT_FALSE(PathExists(RegistrationFilePath()));
}

TEST_F(ConsoleProgram, NoUsableInstallDirectoryExitsThree)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, kOtherContent);
    CapturedRun run = Run();
    EXPECT_EQ(3u, run.exitCode);
    // No path at all: the fixed text (beginning with a blank), then which failure it was.
    EXPECT_EQ(Lines(std::string(expected::kMissingPathSuffix) + "\n" + expected::kNoServiceLine),
              run.err);
    EXPECT_EQ("no-install-dir", run.result);

    {
        ScopedService service("zbk", "C:\\No\\Such\\QServer.exe -service");
        ASSERT_TRUE(service.created());
        run = Run();
        EXPECT_EQ(3u, run.exitCode);
        EXPECT_EQ(Lines(std::string("c:\\no\\such\\") + expected::kMissingPathSuffix), run.err);
    }
    // Lines smuggled into the values are never written: CR LF in the service's binary path, which
    // still names an existing directory. (A tab in the version: PatchProcedure.Word1Values.)
    StagedInstallation installation("Quellor", ConfigIni("V 1.9.0"),
                                    "%sx\r\n[evil]\r\ninjected=yes\r\n\\..\\QServer.exe");
    ASSERT_TRUE(installation.ok());
    EXPECT_EQ(3u, Run().exitCode);
    EXPECT_EQ(kOtherContent, RegistrationFileBytes());
}

TEST_F(ConsoleProgram, UnreadableVersionExitsFour)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, kOtherContent);
    StagedInstallation installation("Quellor", ConfigIni("V1.0 185"));
    ASSERT_TRUE(installation.ok());
    for (const char* arguments : { "", "--dry-run" }) {
        CapturedRun run = Run(arguments);
        EXPECT_EQ(4u, run.exitCode) << arguments;
        EXPECT_EQ(Lines(expected::kNoVersionText), run.err);
        EXPECT_EQ("no-version", run.result);
    }
    EXPECT_EQ(kOtherContent, RegistrationFileBytes());
}

TEST_F(ConsoleProgram, SuccessPrintsTheTextThenWhatItWroteAndARerunWritesNothing)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, kOtherContent);
    StagedInstallation installation(expected::kDbcsInstallLeaf, ConfigIni("Quellor 1.8.5"));
    ASSERT_TRUE(installation.ok());
    const std::string values = "\nversion=1.8.5\napppath=" + installation.lowerInstallDir() + "\n"
                               + ShownRegistrationFilePath();
    CapturedRun run = Run();
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(Lines(expected::kSuccessText + values), run.out);
    EXPECT_EQ("patched", run.result);
    EXPECT_EQ("", run.err);
    char value[1024] = { 0 };
    ::GetPrivateProfileStringA("zbk", "apppath", "", value, sizeof(value),
                               RegistrationFilePath().c_str());
    EXPECT_EQ(installation.lowerInstallDir(), value);

    // Both values there already: nothing is written, and the output says so.
    const std::string written = RegistrationFileBytes();
    ASSERT_TRUE(::SetFileAttributesA(RegistrationFilePath().c_str(), FILE_ATTRIBUTE_READONLY));
    for (const char* arguments : { "", "--dry-run" }) {
        run = Run(arguments);
        EXPECT_EQ(0u, run.exitCode) << arguments;
        EXPECT_EQ(Lines(expected::kUnchangedText + values), run.out) << arguments;
        EXPECT_EQ("unchanged", run.result);
    }
    ::SetFileAttributesA(RegistrationFilePath().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(written, RegistrationFileBytes());
}

TEST_F(ConsoleProgram, DryRunChangesNothingAndShowsWhatItWouldWrite)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, kOtherContent);
    StagedInstallation installation("Quellor", ConfigIni("V 1.9.0"));
    ASSERT_TRUE(installation.ok());
    const std::string shown =
        Lines(std::string(expected::kDryRunHeader) + "\nversion=1.9.0\napppath="
              + installation.lowerInstallDir() + "\n" + ShownRegistrationFilePath());
    CapturedRun run = Run("--dry-run");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(kOtherContent, RegistrationFileBytes()) << "byte for byte";
    EXPECT_EQ(shown, run.out);
    EXPECT_EQ("would-patch", run.result);

    // A run cut short while it wrote the file left its journal: the dry run says what the next run
    // will do with it (that it writes nothing is the write step's test); where another program
    // wrote the file since, it will not be rolled back.
    const std::string journal = RegistrationFilePath() + ".upgradepatch-journal";
    const std::string patched = std::string(kOtherContent) + "version=1.9.0\r\n";
    ASSERT_TRUE(CRollbackJournal(journal.c_str())
                    .Save(kOtherContent, strlen(kOtherContent), patched.data(), patched.size()));
    // A power loss while the file grew: the original bytes, then zeros.
    const std::string cut =
        kOtherContent + std::string(patched.size() - strlen(kOtherContent), '\0');
    for (const std::string& file : { cut, std::string(kOtherContent) + "[x]\r\n" }) {
        ASSERT_TRUE(WriteFileBytes(RegistrationFilePath(), file));
        run = Run("--dry-run");
        EXPECT_EQ(0u, run.exitCode);
        if (file == cut)
            EXPECT_EQ(Lines(expected::kDryRestoreLine) + shown, run.out);
        else
            EXPECT_EQ(0u, run.out.find(expected::kDryKeepAsideLine
                                       + std::string("zbk.db.upgradepatch-original-")));
    }
    ::DeleteFileA(journal.c_str());
}

// Whatever stands under the program's own names beside the registration file: dealt with, or
// named at once as the cause.
TEST_F(ConsoleProgram, EverySideFileStateGetsItsCauseAtOnce)
{
    StagedInstallation installation("Quellor", ConfigIni("V 1.9.0"));
    ASSERT_TRUE(installation.ok());
    const std::string side = RegistrationFilePath() + ".upgradepatch-";
    const DWORD kInTheWay = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const struct
    {
        const char* name;  // after "zbk.db.upgradepatch-"
        bool directory;
        DWORD share;        // a file held open by another program with this sharing; ~0u: not held
        const char* cause;  // nullptr: dealt with, the run patches
        DWORD error;
    } rows[] = {
        { "lock", false, ~0u, nullptr, 0 },  // left by a power loss, read-only, hidden, system
        { "journal", false, ~0u, nullptr, 0 },
        { "scratch", false, ~0u, nullptr, 0 },
        { "lock", true, ~0u, expected::kFailureSideDirectory, ERROR_ACCESS_DENIED },
        { "journal", true, ~0u, nullptr,
          0 },  // journals and scratch copies take names of their own
        { "scratch", true, ~0u, nullptr, 0 },
        { "journal", false, FILE_SHARE_READ, expected::kFailureSideHeld, ERROR_SHARING_VIOLATION },
        { "journal", false, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, 0 },  // not deletable
    };
    for (const auto& row : rows) {
        const std::string path = side + row.name;
        SCOPED_TRACE(
            std::string(row.name) + (row.directory ? " (a directory)" : "")
            + (row.share != ~0u ? " held with share mode " + std::to_string(row.share) : ""));
        ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, kOtherContent);
        if (row.directory) {
            ASSERT_TRUE(::CreateDirectoryA(path.c_str(), NULL));
        } else {
            ASSERT_TRUE(WriteFileBytes(path, "left behind"));
            ASSERT_TRUE(::SetFileAttributesA(path.c_str(), row.share == ~0u ? kInTheWay : 0));
        }
        KernelHandle held(row.share == ~0u ? NULL
                                           : ::CreateFileA(path.c_str(), GENERIC_READ, row.share,
                                                           NULL, OPEN_EXISTING, 0, NULL));
        ULONGLONG start = ::GetTickCount64();
        CapturedRun run = Run();
        // At once: nothing but another run's lock is waited for (kRegistrationWaitMs).
        EXPECT_LT(::GetTickCount64() - start, 10000u);
        EXPECT_EQ(row.cause != nullptr ? 5u : 0u, run.exitCode);
        if (row.cause != nullptr) {
            EXPECT_EQ(
                Lines(ShownRegistrationFilePath()
                      + expected::WriteFailed(
                          (std::string(row.cause) + "zbk.db.upgradepatch-" + row.name).c_str(),
                          row.error)),
                run.err);
            EXPECT_EQ(kOtherContent, RegistrationFileBytes());
        }
        held.Close();
        ::RemoveDirectoryA(path.c_str());
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
    }
}

TEST_F(ConsoleProgram, FailedWritesExitFiveAndNeverZeroAndTheDryRunSaysSoFirst)
{
    StagedInstallation installation("Quellor", ConfigIni("V 1.9.0"));
    ASSERT_TRUE(installation.ok());
    for (int kind = 0; kind < UnwritableRegistrationFile::kKinds; ++kind) {
        auto unwritable = static_cast<UnwritableRegistrationFile::Kind>(kind);
        SCOPED_TRACE(UnwritableRegistrationFile::Name(unwritable));
        const std::string failed = Lines(ShownRegistrationFilePath()
                                         + UnwritableRegistrationFile::FailureText(unwritable));
        std::string after;
        {
            UnwritableRegistrationFile registration(unwritable, kOtherContent);
            ASSERT_TRUE(registration.ok());
            for (const char* arguments : { "--dry-run", "" }) {
                CapturedRun run = Run(arguments);
                EXPECT_EQ(5u, run.exitCode) << arguments;
                EXPECT_EQ(failed, run.err) << arguments;
                EXPECT_EQ("", run.out);
                EXPECT_EQ("write-failed", run.result);
            }
            registration.Release();
            ReadFileBytes(RegistrationFilePath(), &after);
        }
        if (unwritable != UnwritableRegistrationFile::kDirectoryInstead) {
            EXPECT_EQ(kOtherContent, after);
        }
    }
}

// Runs started at once take turns: a registration file large enough that a rewrite takes a while
// comes out of every round whole, with each key once.
TEST_F(ConsoleProgram, ConcurrentRunsTakeTurns)
{
    std::string original = "; registration\r\n";
    for (int i = 0; original.size() < 1024 * 1024; ++i)
        original += "[section" + std::to_string(i) + "]\r\nkey=" + std::string(40, 'v') + "\r\n";
    StagedInstallation installation("Quellor", ConfigIni("V 1.9.0"));
    ASSERT_TRUE(installation.ok());
    const std::string expectedBytes =
        AfterPlatformWrites(original, "1.9.0", installation.lowerInstallDir());

    const int kRuns = 6;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, original);
        ASSERT_TRUE(registration.ok());
        std::vector<std::unique_ptr<DrivenProcess>> runs;
        for (int i = 0; i < kRuns; ++i)
            runs.push_back(std::make_unique<DrivenProcess>(ConsoleProgramPath()));
        for (auto& run : runs) {
            DWORD exitCode = 99;
            ASSERT_TRUE(run->started());
            EXPECT_TRUE(run->WaitForExit(&exitCode, 120000));
            EXPECT_EQ(0u, exitCode);
        }
        EXPECT_TRUE(RegistrationFileBytes() == expectedBytes) << "the file is whole";
    }
}

// The undo of a fleet rollout: the kept file goes back only over what the patch wrote.
TEST_F(ConsoleProgram, RestoreWritesTheKeptFileBackOnlyOverWhatThePatchWrote)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, kOtherContent);
    StagedInstallation installation("Quellor", ConfigIni("V 1.9.0"));
    ASSERT_TRUE(installation.ok());
    TempDir dir("restore");
    // The record the patch keeps for the undo: the bytes it started from and those it wrote.
    ASSERT_EQ(0u, Run("--record \"" + dir.path() + ".\"").exitCode);
    const std::string patched = RegistrationFileBytes();
    std::string before;
    std::string recorded;
    EXPECT_TRUE(ReadFileBytes(dir.path() + "zbk.db.before", &before) && before == kOtherContent);
    EXPECT_TRUE(ReadFileBytes(dir.path() + "zbk.db.patched", &recorded) && recorded == patched);
    const std::string arguments =
        "--restore \"" + dir.path() + "zbk.db.before\" \"" + dir.path() + "zbk.db.patched\"";
    // The installer has written the file since the patch: it stands.
    const std::string installed = patched + "[installer]\r\nrelease=2.0\r\n";
    ASSERT_TRUE(WriteFileBytes(RegistrationFilePath(), installed));
    CapturedRun run = Run(arguments);
    EXPECT_EQ(6u, run.exitCode);
    EXPECT_EQ("refused", run.result);
    EXPECT_EQ(Lines(ShownRegistrationFilePath() + expected::kRestoreRefusedSuffix), run.err);
    EXPECT_EQ(installed, RegistrationFileBytes());
    ASSERT_TRUE(WriteFileBytes(RegistrationFilePath(), patched));
    for (const char* result : { "restored", "unchanged" }) {
        run = Run(arguments);
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(result, run.result);
        EXPECT_EQ(kOtherContent, RegistrationFileBytes());
    }
    // Given a directory, or the registration file itself: said so, and nothing is written.
    const struct
    {
        std::string kept;
        const char* cause;
    } wrong[] = { { dir.path() + ".", expected::kFailureRestoreDirectory },
                  { RegistrationFilePath(), expected::kFailureRestoreSelf } };
    for (const auto& row : wrong) {
        run = Run("--restore \"" + row.kept + "\" \"" + dir.path() + "zbk.db.patched\"");
        EXPECT_EQ(5u, run.exitCode);
        EXPECT_EQ(Lines(ShownRegistrationFilePath() + expected::WriteFailed(row.cause, 0)),
                  run.err);
    }
}

TEST_F(ConsoleProgram, HelpAndUnknownArguments)
{
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, kOtherContent);
    StagedInstallation installation("Quellor", ConfigIni("V 1.9.0"));  // a patch would succeed
    ASSERT_TRUE(installation.ok());
    // "用法：UpgradePatchCmd.exe [--dry-run | --record 目录]" opens the usage text.
    const std::string usageStart =
        "\xD3\xC3\xB7\xA8\xA3\xBAUpgradePatchCmd.exe [--dry-run | --record \xC4\xBF\xC2\xBC]\r\n";
    for (const char* arguments : { "/?", "--help", "--dry-run --help" }) {
        CapturedRun run = Run(arguments);
        EXPECT_EQ(0u, run.exitCode) << arguments;
        EXPECT_EQ(0u, run.out.find(usageStart)) << arguments;
        EXPECT_EQ("", run.err);
        EXPECT_EQ("", run.result);
    }
    for (const char* arguments :
         { "--force", "/s", "--dry-run extra", "-?", "--restore a", "--dry-run --restore a b",
           "--record", "--dry-run --record d", "--record d --restore a b" }) {
        CapturedRun run = Run(arguments);
        EXPECT_EQ(64u, run.exitCode) << arguments;
        EXPECT_EQ(0u, run.err.find(usageStart)) << arguments;
        EXPECT_EQ("", run.out);
        EXPECT_EQ("usage", run.result);
    }
    EXPECT_EQ(kOtherContent, RegistrationFileBytes()) << "nothing was touched";
}

namespace {

// Text in code page cp as wide characters.
std::wstring Wide(const std::string& bytes, UINT cp)
{
    int n = ::MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), NULL, 0);
    std::wstring wide(n, L'\0');
    ::MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), &wide[0], n);
    return wide;
}

// This run's system locale, as the test registration asks for it (wine-run.sh's PATCH_LOCALE).
void ExpectTheAskedAnsiCodePage()
{
    const char* locale = getenv("PATCH_LOCALE");
    if (locale != nullptr && std::string(locale) == "C.UTF-8") {
        EXPECT_EQ(1252u, ::GetACP()) << "the run meant to show another ANSI code page";
    }
}

// As a client that the fleet docs name starts the program and reads its output (decoding with
// cp), under the system's ANSI code page, whichever it is (the suite runs once more under 1252):
// the program's own texts arrive as themselves. Paths here are ASCII, which every code page holds.
void ExpectTheExactTexts(LaunchStyle style, UINT cp)
{
    ExpectTheAskedAnsiCodePage();
    StagedInstallation installation("Quellor", ConfigIni("V 1.9.0"));
    ASSERT_TRUE(installation.ok());
    {
        ScopedRegistrationFile registration(ScopedRegistrationFile::kAbsent);
        CapturedRun run = RunCaptured(ConsoleProgramPath(), "", 30000, style);
        ASSERT_TRUE(run.started && run.ended);
        EXPECT_EQ(1u, run.exitCode);
        EXPECT_TRUE(Wide(Lines(expected::kNotInstalledText), 936) == Wide(run.err, cp));
    }
    ScopedRegistrationFile registration(ScopedRegistrationFile::kFile, kOtherContent);
    CapturedRun run = RunCaptured(ConsoleProgramPath(), "--dry-run", 30000, style);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(Wide(Lines(std::string(expected::kDryRunHeader)
                           + "\nversion=1.9.0\napppath=" + installation.lowerInstallDir() + "\n"
                           + ShownRegistrationFilePath() + "\nupgradepatch-result: would-patch"),
                     936)
                == Wide(run.out, cp));
}

}  // namespace

TEST(ConsoleLaunch, AnsiblesProcessHelperReadsTheExactTexts)
{
    ExpectTheExactTexts(kAnsibleProcessHelper, CP_UTF8);
}

// PowerShell remoting: no console, the OEM code page.
TEST(ConsoleLaunch, AHostWithoutAConsoleReadsTheExactTexts)
{
    if (::GetOEMCP() != 936)
        GTEST_SKIP() << "the OEM code page " << ::GetOEMCP() << " holds no Chinese: such a "
                     << "server's output is read right only as Ansible reads it";
    ExpectTheExactTexts(kNoConsole, ::GetOEMCP());
}

TEST(ConsoleLaunch, ARealConsoleGetsTheTextThroughTheWideConsoleApi)
{
    ExpectTheAskedAnsiCodePage();
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), NULL, TRUE };
    HANDLE screen = ::CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                                CONSOLE_TEXTMODE_BUFFER, NULL);
    if (screen == INVALID_HANDLE_VALUE) {
        // No console to make it in yet: one of our own.
        ::FreeConsole();
        ASSERT_TRUE(::AllocConsole()) << ::GetLastError();
        screen = ::CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                             CONSOLE_TEXTMODE_BUFFER, NULL);
    }
    ASSERT_NE(INVALID_HANDLE_VALUE, screen) << ::GetLastError();
    // Whatever the console's code page, the characters arrive as themselves.
    UINT saved = ::GetConsoleOutputCP();
    ::SetConsoleOutputCP(437);

    std::string commandLine = "\"";
    commandLine += ConsoleProgramPath() + "\" --help";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = screen;
    si.hStdError = screen;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessA(ConsoleProgramPath().c_str(), &commandLine[0], NULL, NULL, TRUE, 0,
                                 NULL, NULL, &si, &pi));
    ::WaitForSingleObject(pi.hProcess, 30000);
    DWORD exitCode = 99;
    ::GetExitCodeProcess(pi.hProcess, &exitCode);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    ::SetConsoleOutputCP(saved);
    EXPECT_EQ(0u, exitCode);

    // The first line of the usage text: "用法：UpgradePatchCmd.exe [--dry-run | --record 目录]".
    WCHAR line[64] = {};
    DWORD read = 0;
    COORD origin = { 0, 0 };
    ASSERT_TRUE(::ReadConsoleOutputCharacterW(screen, line, 53, origin, &read));
    ::CloseHandle(screen);
    std::wstring text(line, read);
    text.erase(text.find_last_not_of(L' ') + 1);  // wide characters take two cells: spaces follow
    EXPECT_EQ(
        std::wstring(L"\u7528\u6CD5\uFF1AUpgradePatchCmd.exe [--dry-run | --record \u76EE\u5F55]"),
        text);
}
