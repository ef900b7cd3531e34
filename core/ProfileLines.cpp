// Line-by-line comparison of two versions of an INI file, in bytes or UTF-16 units.
#include "core/ProfileLines.h"

#include <string.h>

namespace {

// A file as a run of code units: bytes, or 16-bit units after a UTF-16 byte-order mark (FF FE
// little-endian, FE FF big-endian), which the profile functions read and write as Unicode.
class Units
{
public:
    Units(const char* p, size_t n) : m_p(reinterpret_cast<const unsigned char*>(p)), m_nWidth(1)
    {
        m_bBigEndian = n >= 2 && m_p[0] == 0xFE && m_p[1] == 0xFF;
        if (m_bBigEndian || (n >= 2 && m_p[0] == 0xFF && m_p[1] == 0xFE)) {
            m_nWidth = 2;
            m_p += 2;
            n -= 2;
        }
        m_nCount = n / m_nWidth;  // a lone last byte of a UTF-16 file is not a unit
    }
    size_t Count() const { return m_nCount; }
    size_t Width() const { return m_nWidth; }
    unsigned At(size_t i) const
    {
        if (m_nWidth == 1)
            return m_p[i];
        const unsigned char* u = m_p + 2 * i;
        return m_bBigEndian ? (u[0] << 8) | u[1] : u[0] | (u[1] << 8);
    }

private:
    const unsigned char* m_p;
    size_t m_nWidth;
    size_t m_nCount;
    bool m_bBigEndian;
};

// One line, as unit positions [begin, end) without its line end. LF, CR and CR LF all end a line,
// as the profile functions read them (a rewrite ends every line with CR LF).
struct Line
{
    size_t begin;
    size_t end;
};

class LineReader
{
public:
    explicit LineReader(const Units& units) : m_units(units), m_nAt(0) {}
    bool Next(Line* line)
    {
        if (m_nAt >= m_units.Count())
            return false;
        size_t nEnd = m_nAt;
        while (nEnd < m_units.Count() && m_units.At(nEnd) != '\n' && m_units.At(nEnd) != '\r')
            ++nEnd;
        *line = Line{ m_nAt, nEnd };
        m_nAt = nEnd + 1;
        return true;
    }

private:
    const Units& m_units;
    size_t m_nAt;
};

bool IsBlank(unsigned c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

unsigned LowerAscii(unsigned c)
{
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

// A run of units to compare: part of a file, or an ASCII name.
struct Run
{
    const Units* units;  // NULL: the name
    const char* pszName;
    size_t begin;
    size_t end;
    unsigned At(size_t i) const
    {
        return units != NULL ? units->At(i) : static_cast<unsigned char>(pszName[i]);
    }
};

Run Part(const Units& units, size_t begin, size_t end)
{
    return Run{ &units, NULL, begin, end };
}

Run Name(const char* pszName)
{
    return Run{ NULL, pszName, 0, strlen(pszName) };
}

// Compares two runs with blanks skipped, the letters A-Z in either case when asked.
bool SqueezedEqual(const Run& a, const Run& b, bool bAnyCase)
{
    size_t i = a.begin;
    size_t j = b.begin;
    for (;;) {
        while (i < a.end && IsBlank(a.At(i)))
            ++i;
        while (j < b.end && IsBlank(b.At(j)))
            ++j;
        if (i == a.end || j == b.end)
            return i == a.end && j == b.end;
        unsigned x = bAnyCase ? LowerAscii(a.At(i)) : a.At(i);
        unsigned y = bAnyCase ? LowerAscii(b.At(j)) : b.At(j);
        if (x != y)
            return false;
        ++i;
        ++j;
    }
}

size_t FindUnit(const Units& units, size_t begin, size_t end, unsigned c)
{
    while (begin < end && units.At(begin) != c)
        ++begin;
    return begin;
}

// The patched keys of the patched section; *pbInSection follows the section headers.
bool IsPatchedKey(const Units& units, const Line& line, const PatchedKeys& patched,
                  bool* pbInSection)
{
    size_t i = line.begin;
    while (i < line.end && IsBlank(units.At(i)))
        ++i;
    if (i < line.end && units.At(i) == '[') {
        size_t nClose = FindUnit(units, i, line.end, ']');
        *pbInSection = SqueezedEqual(Part(units, i + 1, nClose), Name(patched.pszSection), true);
        return false;
    }
    if (!*pbInSection)
        return false;
    Run key = Part(units, line.begin, FindUnit(units, line.begin, line.end, '='));
    for (size_t k = 0; k < patched.nKeys; ++k) {
        if (SqueezedEqual(key, Name(patched.keys[k]), true))
            return true;
    }
    return false;
}

}  // namespace

bool KeepsOtherLines(const char* pBefore, size_t nBefore, const char* pAfter, size_t nAfter,
                     const PatchedKeys& patched)
{
    Units before(pBefore, nBefore);
    Units after(pAfter, nAfter);
    if (before.Width() != after.Width())
        return false;
    LineReader original(before);
    LineReader rewritten(after);
    bool bInSection = false;
    Line line;
    Line candidate;
    while (original.Next(&line)) {
        Run text = Part(before, line.begin, line.end);
        if (SqueezedEqual(text, Name(""), false)
            || IsPatchedKey(before, line, patched, &bInSection))
            continue;
        do {
            if (!rewritten.Next(&candidate))
                return false;
        } while (!SqueezedEqual(text, Part(after, candidate.begin, candidate.end), false));
    }
    return true;
}
