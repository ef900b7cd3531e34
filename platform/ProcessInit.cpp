// Start-up of every program: runs before any static object is constructed.
#include "platform/Process.h"

__attribute__((constructor(101))) static void InitProgramProcess()
{
    InitProcess();
}
