// Start-up of every program: runs before any static object is constructed.
#include <stdlib.h>

#include "platform/Process.h"

__attribute__((constructor(101))) static void InitProgramProcess()
{
    AfxInitProcess();
}

// The programs never allocate with new. Classes with a virtual destructor still name operator
// delete in their deleting destructors, which would bring in the C++ run-time's own operators;
// these serve instead, on the run-time heap. Without exceptions, an allocation that fails ends
// the process rather than returning nothing.
void* operator new(size_t nSize)
{
    void* p = malloc(nSize != 0 ? nSize : 1);
    if (p == NULL)
        abort();
    return p;
}

void operator delete(void* p) noexcept
{
    free(p);
}

void operator delete(void* p, size_t) noexcept
{
    free(p);
}
