// Owning wrappers for kernel handles, service-manager handles, local-heap blocks and run-time heap
// buffers; Close/Free are idempotent.
#pragma once

#include <stdlib.h>
#include <string.h>

#include "platform/Win32.h"

// Owns a kernel object handle (a file, a mutex, a process). Both NULL and INVALID_HANDLE_VALUE
// count as none, as the functions that make handles use one or the other for failure.
class KernelHandle
{
public:
    explicit KernelHandle(HANDLE h = NULL) : m_h(h) {}
    ~KernelHandle() { Close(); }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

    HANDLE Get() const { return m_h; }
    BOOL IsValid() const { return m_h != NULL && m_h != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE h)
    {
        Close();
        m_h = h;
    }
    void Close()
    {
        if (IsValid())
            ::CloseHandle(m_h);
        m_h = NULL;
    }

private:
    HANDLE m_h;
};

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
    void Reset(HLOCAL h)
    {
        Free();
        m_h = h;
    }
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

// Owns a block from the run-time heap (malloc) that can grow; its bytes beyond what was written
// are zero. It moves, and is never copied.
class HeapBuffer
{
public:
    HeapBuffer() : m_p(NULL), m_nSize(0) {}
    ~HeapBuffer() { Free(); }
    HeapBuffer(const HeapBuffer&) = delete;
    HeapBuffer& operator=(const HeapBuffer&) = delete;
    HeapBuffer(HeapBuffer&& other) noexcept : m_p(other.m_p), m_nSize(other.m_nSize)
    {
        other.m_p = NULL;
        other.m_nSize = 0;
    }
    HeapBuffer& operator=(HeapBuffer&& other) noexcept
    {
        if (this != &other) {
            Free();
            m_p = other.m_p;
            m_nSize = other.m_nSize;
            other.m_p = NULL;
            other.m_nSize = 0;
        }
        return *this;
    }

    template <typename T> T* As() const { return static_cast<T*>(m_p); }
    size_t Size() const { return m_nSize; }
    // Grows the block to at least nSize bytes, keeping what it holds. FALSE, with the block as it
    // was, when the heap has no room.
    BOOL Grow(size_t nSize)
    {
        if (nSize <= m_nSize)
            return TRUE;
        void* p = realloc(m_p, nSize);
        if (p == NULL)
            return FALSE;
        memset(static_cast<char*>(p) + m_nSize, 0, nSize - m_nSize);
        m_p = p;
        m_nSize = nSize;
        return TRUE;
    }
    // A fresh zero-filled block of nSize bytes in place of what it held; FALSE when the heap has no
    // room.
    BOOL Allocate(size_t nSize)
    {
        Free();
        m_p = calloc(nSize, 1);
        m_nSize = m_p != NULL ? nSize : 0;
        return m_p != NULL;
    }
    void Free()
    {
        free(m_p);
        m_p = NULL;
        m_nSize = 0;
    }

private:
    void* m_p;
    size_t m_nSize;
};
