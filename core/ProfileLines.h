// Whether a profile rewrite kept a file's other lines: a comparison of two versions of an INI
// file, line by line, in its own encoding (bytes, or 16-bit units after a UTF-16 byte-order mark).
// Plain C++ without the Windows headers, so that it is tested on any host.
#pragma once

#include <stddef.h>

// The lines that a rewrite is allowed to change: the given keys of one section (ASCII names,
// compared in any case of A-Z).
struct PatchedKeys
{
    const char* pszSection;
    const char* const* keys;
    size_t nKeys;
};

// true when every line of before, but blank lines and the patched keys, is still in after, in the
// same order. Blanks, tabs and CR are not compared: the profile functions may drop the blanks
// around "=" and whole blank lines. Nothing they do drops a line or a part of one, which a rewrite
// cut short does. Both versions must be in the same encoding.
bool KeepsOtherLines(const char* pBefore, size_t nBefore, const char* pAfter, size_t nAfter,
                     const PatchedKeys& patched);
