// Rows whose double-byte characters have an ASCII trail byte (淺 ends in 0x5C, 圓 in 'A') mean what
// they say only under the ANSI code page of the product's texts, 936: wine-run.sh starts Wine
// under zh_CN.UTF-8 for that. Elsewhere a test leaves such rows out and is reported skipped, with
// the reason.
#pragma once

#include <gtest/gtest.h>

#include "platform/Win32.h"

inline bool AnsiCodePageIs936()
{
    return ::GetACP() == 936 && _getmbcp() == 936;
}

#define SKIP_ROWS_WITHOUT_CODE_PAGE_936(rowsLeftOut)                                     \
    do {                                                                                 \
        if ((rowsLeftOut) > 0)                                                           \
            GTEST_SKIP() << (rowsLeftOut) << " row(s) need the ANSI code page 936, not " \
                         << ::GetACP();                                                  \
    } while (0)
