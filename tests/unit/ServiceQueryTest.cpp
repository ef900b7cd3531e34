// The service image locator against services created in the real service control manager.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ServiceQuery.h"
#include "tests/support/ImportHook.h"
#include "tests/support/Staging.h"

namespace {

const char kTestService[] = "zbk_locator_test";

struct ImageRow
{
    const char* binaryPath;
    const char* directory;  // keepFileName == 0
    const char* file;       // keepFileName != 0
};

class ServiceImagePath : public testing::TestWithParam<ImageRow>
{
};

}  // namespace

TEST_P(ServiceImagePath, CutsTheBinaryPathName)
{
    const ImageRow& row = GetParam();
    ScopedService service(kTestService, row.binaryPath);
    ASSERT_TRUE(service.created()) << "CreateService failed: " << service.error();
    CServiceQuery query;
    EXPECT_EQ(std::string(row.directory), std::string(query.GetImagePath(kTestService, 0)));
    EXPECT_EQ(std::string(row.file), std::string(query.GetImagePath(kTestService, 1)));
    EXPECT_EQ(std::string(row.file), std::string(query.GetImagePath(kTestService, -7)));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ServiceImagePath,
    testing::Values(
        ImageRow{ "\"C:\\Program Files\\Prod\\Svc.EXE\" -service", "c:\\program files\\prod\\",
                  "c:\\program files\\prod\\svc.exe" },
        ImageRow{ "C:\\Prod\\svc.exe /run", "c:\\prod\\", "c:\\prod\\svc.exe" },
        // Without ".exe" the arguments stay, and a backslash inside them is the last one.
        ImageRow{ "C:\\Prod\\svc.bin -a", "c:\\prod\\", "c:\\prod\\svc.bin -a" },
        ImageRow{ "C:\\Prod\\svc.bin -log C:\\Logs", "c:\\prod\\svc.bin -log c:\\",
                  "c:\\prod\\svc.bin -log c:\\logs" },
        // The first ".exe" counts, even inside a directory name.
        ImageRow{ "C:\\Tools.exe.d\\svc.exe", "c:\\", "c:\\tools.exe" },
        ImageRow{ "SVC.EXE", "svc.exe", "svc.exe" },
        // Only a quote at the very start is dropped.
        ImageRow{ "C:\\a\"b\\x.exe\"", "c:\\a\"b\\", "c:\\a\"b\\x.exe" },
        // D:\圓淺\Svc.EXE: 圓 ends in 'A' (stays upper case), 淺 ends in 0x5C (no separator).
        ImageRow{ "\"D:\\\x88\x41\x9C\x5C\\Svc.EXE\" -service", "d:\\\x88\x41\x9C\x5C\\",
                  "d:\\\x88\x41\x9C\x5C\\svc.exe" },
        // D:\Srv\淺 with no extension: the 0x5C trail byte is not the last backslash.
        ImageRow{ "D:\\Srv\\\x9C\x5C", "d:\\srv\\", "d:\\srv\\\x9C\x5C" },
        // 並 (81 4B) and full-width Ａ (A3 C1) keep both bytes.
        ImageRow{ "E:\\\x81\x4B\xA3\xC1X\\QS.Exe", "e:\\\x81\x4B\xA3\xC1x\\",
                  "e:\\\x81\x4B\xA3\xC1x\\qs.exe" }));

// Release order, observed through the imports of this executable.
namespace {

std::vector<std::string> g_calls;
SC_HANDLE g_manager;
SC_HANDLE g_service;
int g_queries;
int g_managerOpens;
ImportHook* g_openManagerHook;
ImportHook* g_openServiceHook;
ImportHook* g_closeHook;
ImportHook* g_freeHook;
ImportHook* g_queryHook;

SC_HANDLE WINAPI RecordOpenManager(LPCSTR machine, LPCSTR database, DWORD access)
{
    ++g_managerOpens;
    g_manager =
        g_openManagerHook->Original<decltype(&::OpenSCManagerA)>()(machine, database, access);
    return g_manager;
}

SC_HANDLE WINAPI RecordOpenService(SC_HANDLE manager, LPCSTR name, DWORD access)
{
    g_service = g_openServiceHook->Original<decltype(&::OpenServiceA)>()(manager, name, access);
    return g_service;
}

BOOL WINAPI RecordClose(SC_HANDLE h)
{
    g_calls.push_back(h == g_service   ? "close service"
                      : h == g_manager ? "close manager"
                                       : "close ?");
    return g_closeHook->Original<decltype(&::CloseServiceHandle)>()(h);
}

HLOCAL WINAPI RecordFree(HLOCAL h)
{
    g_calls.push_back("free buffer");
    return g_freeHook->Original<decltype(&::LocalFree)>()(h);
}

BOOL WINAPI RecordQuery(SC_HANDLE h, LPQUERY_SERVICE_CONFIGA config, DWORD size, LPDWORD needed)
{
    ++g_queries;
    return g_queryHook->Original<decltype(&::QueryServiceConfigA)>()(h, config, size, needed);
}

HLOCAL WINAPI FailAlloc(UINT, SIZE_T)
{
    ::SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return NULL;
}

class ReleaseOrder : public testing::Test
{
protected:
    ReleaseOrder()
        : m_openManager("advapi32.dll", "OpenSCManagerA", &::OpenSCManagerA, &RecordOpenManager),
          m_openService("advapi32.dll", "OpenServiceA", &::OpenServiceA, &RecordOpenService),
          m_close("advapi32.dll", "CloseServiceHandle", &::CloseServiceHandle, &RecordClose),
          m_free("kernel32.dll", "LocalFree", &::LocalFree, &RecordFree),
          m_query("advapi32.dll", "QueryServiceConfigA", &::QueryServiceConfigA, &RecordQuery)
    {
        g_openManagerHook = &m_openManager;
        g_openServiceHook = &m_openService;
        g_closeHook = &m_close;
        g_freeHook = &m_free;
        g_queryHook = &m_query;
        g_calls.clear();
        g_manager = g_service = NULL;
        g_queries = g_managerOpens = 0;
    }
    void SetUp() override
    {
        ASSERT_TRUE(m_openManager.Installed() && m_openService.Installed() && m_close.Installed()
                    && m_free.Installed() && m_query.Installed());
    }

    ImportHook m_openManager, m_openService, m_close, m_free, m_query;
};

using Calls = std::vector<std::string>;

}  // namespace

TEST_F(ReleaseOrder, SuccessFreesTheBufferThenClosesServiceThenManager)
{
    ScopedService service(kTestService, "C:\\Prod\\svc.exe");
    ASSERT_TRUE(service.created());
    g_calls.clear();
    EXPECT_EQ("c:\\prod\\", std::string(CServiceQuery().GetImagePath(kTestService, 0)));
    EXPECT_EQ((Calls{ "free buffer", "close service", "close manager" }), g_calls);
}

TEST_F(ReleaseOrder, FailedQueryClosesServiceThenManagerThenFreesTheBuffer)
{
    ScopedService service(kTestService, "C:\\" + std::string(4500, 'd') + "\\svc.exe");
    ASSERT_TRUE(service.created());
    g_calls.clear();
    // The configuration no longer fits the 4096-byte buffer: a failure, not a truncated path.
    EXPECT_TRUE(CServiceQuery().GetImagePath(kTestService, 0).IsEmpty());
    EXPECT_EQ(1, g_queries);  // one attempt, no retry at the reported size
    EXPECT_EQ((Calls{ "close service", "close manager", "free buffer" }), g_calls);
    EXPECT_TRUE(CServiceQuery().GetImagePath(kTestService, 1).IsEmpty());
}

// An unknown service yields an empty text.
TEST_F(ReleaseOrder, MissingServiceClosesTheManager)
{
    EXPECT_TRUE(CServiceQuery().GetImagePath("zbk_no_such_service", 0).IsEmpty());
    EXPECT_EQ((Calls{ "close manager" }), g_calls);
    EXPECT_EQ(0, g_queries);
}

TEST_F(ReleaseOrder, EmptyNameAsksTheServiceManagerNothing)
{
    EXPECT_TRUE(CServiceQuery().GetImagePath("", 0).IsEmpty());
    EXPECT_EQ(0, g_managerOpens);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(ReleaseOrder, NoBufferMeansNoQueryAndEverythingReleased)
{
    ScopedService service(kTestService, "C:\\Prod\\svc.exe");
    ASSERT_TRUE(service.created());
    g_calls.clear();
    ImportHook alloc("kernel32.dll", "LocalAlloc", &::LocalAlloc, &FailAlloc);
    ASSERT_TRUE(alloc.Installed());
    EXPECT_TRUE(CServiceQuery().GetImagePath(kTestService, 0).IsEmpty());
    EXPECT_EQ(0, g_queries);
    EXPECT_EQ((Calls{ "close service", "close manager" }), g_calls);
}
