// Test entry: the multibyte code page follows the ANSI code page, and the process is DPI aware,
// as in the program itself (its manifest says so): what a test measures in pixels is never scaled.
#include <gtest/gtest.h>

#include "platform/Win32.h"
#include "tests/support/TestChild.h"

int main(int argc, char** argv)
{
    _setmbcp(_MB_CP_ANSI);
    ::SetProcessDPIAware();
    int childStatus = RunChildIfAsked(argc, argv);
    if (childStatus >= 0)
        return childStatus;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
