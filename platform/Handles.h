// Owning wrappers for service-manager handles and local-heap blocks; Close/Free are idempotent.
#pragma once

#include "platform/Win32.h"

// Owns an SC_HANDLE. Close() may be called early to fix the release order; the destructor then
// has nothing left to do.
class ScHandle
{
public:
    explicit ScHandle(SC_HANDLE h = NULL) : m_h(h) {}
    ~ScHandle() { Close(); }
    ScHandle(const ScHandle&) = delete;
    ScHandle& operator=(const ScHandle&) = delete;

    SC_HANDLE Get() const { return m_h; }
    BOOL IsValid() const { return m_h != NULL; }
    void Close()
    {
        if (m_h != NULL) {
            ::CloseServiceHandle(m_h);
            m_h = NULL;
        }
    }

private:
    SC_HANDLE m_h;
};

// Owns a block from LocalAlloc.
class LocalBuffer
{
public:
    explicit LocalBuffer(HLOCAL h = NULL) : m_h(h) {}
    ~LocalBuffer() { Free(); }
    LocalBuffer(const LocalBuffer&) = delete;
    LocalBuffer& operator=(const LocalBuffer&) = delete;

    template <typename T> T* As() const { return static_cast<T*>(m_h); }
    BOOL IsValid() const { return m_h != NULL; }
    void Free()
    {
        if (m_h != NULL) {
            ::LocalFree(m_h);
            m_h = NULL;
        }
    }

private:
    HLOCAL m_h;
};
