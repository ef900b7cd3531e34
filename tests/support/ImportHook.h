// Replaces one imported function of the test executable while the object lives, so that the
// calls which the code under test makes to the system can be recorded or made to fail.
#pragma once

#include "platform/Win32.h"

class ImportHook
{
public:
    ImportHook(const char* dll, const char* function, void* replacement);
    ~ImportHook();
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool Installed() const { return m_slot != nullptr; }
    template <typename F> F Original() const { return reinterpret_cast<F>(m_original); }

private:
    void** m_slot = nullptr;
    void* m_original = nullptr;
};
