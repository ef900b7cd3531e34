// Replaces one imported function of the test executable while the object lives, so that the
// calls which the code under test makes to the system can be recorded or made to fail.
#pragma once

#include "platform/Win32.h"

class ImportHook
{
public:
    // imported is the function itself (&::LoadStringA): the replacement must have its type,
    // calling convention included. A replacement without WINAPI would corrupt the stack on i686;
    // this way the i686 build does not compile it.
    template <typename F>
    ImportHook(const char* dll, const char* function, F* imported, F* replacement)
        : ImportHook(dll, function, reinterpret_cast<void*>(replacement))
    {
        static_cast<void>(imported);
    }
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool Installed() const { return m_slot != nullptr; }
    template <typename F> F Original() const { return reinterpret_cast<F>(m_original); }

private:
    ImportHook(const char* dll, const char* function, void* replacement);

    void** m_slot = nullptr;
    void* m_original = nullptr;
};
