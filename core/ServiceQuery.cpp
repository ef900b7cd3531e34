// Service image locator: one configuration query through the service control manager.
#include "core/ServiceQuery.h"

#include "platform/Handles.h"

namespace {

// One attempt only: a larger configuration is reported as "not found", never retried.
const DWORD kConfigBufferSize = 4096;

}  // namespace

CString CServiceQuery::GetImagePath(CString serviceName, int keepFileName)
{
    if (serviceName.IsEmpty())
        return CString();

    CString result;
    // Declared in the order acquired: the destructors release buffer, service, then manager.
    ScHandle manager(::OpenSCManagerA(NULL, NULL, SC_MANAGER_ENUMERATE_SERVICE));
    if (!manager.IsValid())
        return result;
    ScHandle service(::OpenServiceA(manager.Get(), serviceName, SERVICE_QUERY_CONFIG));
    if (!service.IsValid())
        return result;

    LocalBuffer buffer(::LocalAlloc(LMEM_ZEROINIT, kConfigBufferSize));
    QUERY_SERVICE_CONFIGA* config = buffer.As<QUERY_SERVICE_CONFIGA>();
    DWORD dwBytesNeeded = 0;
    // Without a block there is nothing to query into: the same outcome as a failed query.
    if (config == NULL
        || !::QueryServiceConfigA(service.Get(), config, kConfigBufferSize, &dwBytesNeeded)) {
        service.Close();
        manager.Close();
        buffer.Free();
        return result;
    }

    result = config->lpBinaryPathName;
    result.MakeLower();
    if (result.Find("\"") == 0)
        result = result.Right(result.GetLength() - 1);
    // The first ".exe" ends the executable's name: a closing quote and arguments are cut off.
    int nExe = result.Find(".exe");
    if (nExe >= 0)
        result = result.Left(nExe + 4);
    if (keepFileName == 0) {
        int nSlash = result.ReverseFind('\\');
        if (nSlash >= 0)
            result = result.Left(nSlash + 1);
    }

    buffer.Free();
    service.Close();
    manager.Close();
    return result;
}
