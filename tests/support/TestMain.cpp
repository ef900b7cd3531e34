// Test entry: the multibyte code page follows the ANSI code page, and the process is DPI aware,
// as in the program itself (its manifest says so): what a test measures in pixels is never scaled.
#include <gtest/gtest.h>

#include "platform/Win32.h"

int main(int argc, char** argv)
{
    _setmbcp(_MB_CP_ANSI);
    ::SetProcessDPIAware();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
