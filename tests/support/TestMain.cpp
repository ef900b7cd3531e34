// Test entry: the multibyte code page follows the ANSI code page, as in the program itself.
#include <gtest/gtest.h>

#include "platform/Win32.h"

int main(int argc, char** argv)
{
    _setmbcp(_MB_CP_ANSI);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
