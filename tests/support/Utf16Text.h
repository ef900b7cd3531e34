// ASCII text as a UTF-16 file holds it, byte-order mark first: little-endian (FF FE) or
// big-endian (FE FF). Plain C++, for the tests on the host too.
#pragma once

#include <string>

inline std::string Utf16(const std::string& ascii, bool bigEndian = false)
{
    std::string units = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char c : ascii) {
        units.push_back(bigEndian ? '\0' : c);
        units.push_back(bigEndian ? c : '\0');
    }
    return units;
}
