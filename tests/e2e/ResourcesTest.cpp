// The resources as stored in the built executables: dialog templates, string, icon group and
// version block, all in Chinese (PRC).
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "tests/support/ExpectedTexts.h"
#include "tests/support/ProcessDriver.h"

namespace {

const WORD kLangPrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);  // 0x0804
// "宋体" in code page 936.
const char kSongTi[] = "\xCB\xCE\xCC\xE5";

std::string Narrow(const WCHAR* text, size_t length)
{
    if (length == 0)
        return std::string();
    int n = ::WideCharToMultiByte(936, 0, text, static_cast<int>(length), NULL, 0, NULL, NULL);
    std::string out(n, '\0');
    ::WideCharToMultiByte(936, 0, text, static_cast<int>(length), &out[0], n, NULL, NULL);
    return out;
}

// Reads the parts of a dialog template in order.
class TemplateReader
{
public:
    explicit TemplateReader(const BYTE* p) : m_p(p), m_start(p) {}
    WORD Word()
    {
        WORD v;
        memcpy(&v, m_p, 2);
        m_p += 2;
        return v;
    }
    DWORD Dword()
    {
        DWORD v;
        memcpy(&v, m_p, 4);
        m_p += 4;
        return v;
    }
    short Short() { return static_cast<short>(Word()); }
    BYTE Byte() { return *m_p++; }
    // A text, or an ordinal as "#n".
    std::string SzOrOrd()
    {
        WORD first;
        memcpy(&first, m_p, 2);
        if (first == 0xFFFF) {
            m_p += 2;
            char ordinal[8];
            snprintf(ordinal, sizeof(ordinal), "#%u", Word());
            return ordinal;
        }
        const WCHAR* s = reinterpret_cast<const WCHAR*>(m_p);
        size_t n = 0;
        while (s[n] != 0)
            ++n;
        m_p += (n + 1) * 2;
        return Narrow(s, n);
    }
    void AlignDword() { m_p = m_start + ((m_p - m_start + 3) & ~3); }

private:
    const BYTE* m_p;
    const BYTE* m_start;
};

struct Item
{
    DWORD style, exStyle;
    short x, y, cx, cy;
    DWORD id;
    std::string windowClass, title;
};

struct Dialog
{
    bool extended = false;
    DWORD style = 0, exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu, windowClass, title;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::string font;
    std::vector<Item> items;
};

Dialog ParseDialog(const BYTE* data)
{
    Dialog d;
    TemplateReader r(data);
    WORD version = r.Word();
    WORD signature = r.Word();
    d.extended = version == 1 && signature == 0xFFFF;
    WORD count;
    if (d.extended) {
        r.Dword();  // help id
        d.exStyle = r.Dword();
        d.style = r.Dword();
    } else {
        TemplateReader classic(data);
        d.style = classic.Dword();
        d.exStyle = classic.Dword();
        r = classic;
    }
    count = r.Word();
    d.x = r.Short();
    d.y = r.Short();
    d.cx = r.Short();
    d.cy = r.Short();
    d.menu = r.SzOrOrd();
    d.windowClass = r.SzOrOrd();
    d.title = r.SzOrOrd();
    if (d.style & DS_SETFONT) {
        d.pointSize = r.Word();
        if (d.extended) {
            d.weight = r.Word();
            d.italic = r.Byte();
            d.charset = r.Byte();
        }
        d.font = r.SzOrOrd();
    }
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        Item item;
        if (d.extended) {
            r.Dword();  // help id
            item.exStyle = r.Dword();
            item.style = r.Dword();
        } else {
            item.style = r.Dword();
            item.exStyle = r.Dword();
        }
        item.x = r.Short();
        item.y = r.Short();
        item.cx = r.Short();
        item.cy = r.Short();
        item.id = d.extended ? r.Dword() : r.Word();
        item.windowClass = r.SzOrOrd();
        item.title = r.SzOrOrd();
        WORD extra = r.Word();
        for (WORD b = 0; b < extra; ++b)
            r.Byte();
        d.items.push_back(item);
    }
    return d;
}

// One node of a version block: key, text value (if any) and children, in stored order.
struct VersionNode
{
    std::string key;
    std::string text;
    std::vector<BYTE> binary;
    std::vector<VersionNode> children;
};

const BYTE* ParseVersionNode(const BYTE* p, VersionNode* node)
{
    const BYTE* start = p;
    WORD length, valueLength, type;
    memcpy(&length, p, 2);
    memcpy(&valueLength, p + 2, 2);
    memcpy(&type, p + 4, 2);
    const WCHAR* key = reinterpret_cast<const WCHAR*>(p + 6);
    size_t n = 0;
    while (key[n] != 0)
        ++n;
    node->key = Narrow(key, n);
    const BYTE* q = p + 6 + (n + 1) * 2;
    q = start + ((q - start + 3) & ~3);
    if (type == 1) {  // text: valueLength counts characters, terminator included
        const WCHAR* value = reinterpret_cast<const WCHAR*>(q);
        size_t m = 0;
        while (m < valueLength && value[m] != 0)
            ++m;
        node->text = Narrow(value, m);
        q += valueLength * 2;
    } else {
        node->binary.assign(q, q + valueLength);
        q += valueLength;
    }
    q = start + ((q - start + 3) & ~3);
    while (q < start + length) {
        VersionNode child;
        const BYTE* next = ParseVersionNode(q, &child);
        node->children.push_back(child);
        if (next <= q)
            break;
        q = start + ((next - start + 3) & ~3);
    }
    return start + length;
}

class Resources : public testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        std::string path = ProgramDirectory() + GetParam();
        if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
            GTEST_SKIP() << path << " is not built";
        m_module = ::LoadLibraryExA(path.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, m_module) << path;
    }
    void TearDown() override
    {
        if (m_module != NULL)
            ::FreeLibrary(m_module);
    }
    const BYTE* Find(const char* type, WORD id, DWORD* size = nullptr) const
    {
        HRSRC res = ::FindResourceExA(m_module, type, MAKEINTRESOURCEA(id), kLangPrc);
        if (res == NULL)
            return nullptr;
        if (size != nullptr)
            *size = ::SizeofResource(m_module, res);
        return static_cast<const BYTE*>(::LockResource(::LoadResource(m_module, res)));
    }

    HMODULE m_module = NULL;
};

void ExpectItem(const Item& item, DWORD id, const char* windowClass, DWORD style, short x, short y,
                short cx, short cy, const std::string& title)
{
    SCOPED_TRACE(title);
    EXPECT_EQ(id, item.id);
    EXPECT_EQ(windowClass, item.windowClass);
    EXPECT_EQ(style, item.style) << std::hex << item.style;
    EXPECT_EQ(0u, item.exStyle);
    EXPECT_EQ(x, item.x);
    EXPECT_EQ(y, item.y);
    EXPECT_EQ(cx, item.cx);
    EXPECT_EQ(cy, item.cy);
    EXPECT_EQ(title, item.title);
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
    return TRUE;
}

BOOL CALLBACK CollectNameLanguages(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param)
{
    ::EnumResourceLanguagesA(module, type, name, &CollectLanguage, param);
    return TRUE;
}

BOOL CALLBACK CollectTypeLanguages(HMODULE module, LPSTR type, LONG_PTR param)
{
    ::EnumResourceNamesA(module, type, &CollectNameLanguages, param);
    return TRUE;
}

}  // namespace

TEST_P(Resources, MainDialogTemplate)
{
    const BYTE* data = Find(RT_DIALOG, 102);
    ASSERT_NE(nullptr, data);
    Dialog d = ParseDialog(data);
    EXPECT_TRUE(d.extended);
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME
                                 | DS_SETFONT),
              d.style)
        << std::hex << d.style;
    EXPECT_EQ(static_cast<DWORD>(WS_EX_APPWINDOW), d.exStyle);
    EXPECT_EQ(0, d.x);
    EXPECT_EQ(0, d.y);
    EXPECT_EQ(278, d.cx);
    EXPECT_EQ(123, d.cy);
    EXPECT_EQ("", d.menu);
    EXPECT_EQ("", d.windowClass);
    EXPECT_EQ(expected::kMainCaption, d.title);
    EXPECT_EQ(9, d.pointSize);
    EXPECT_EQ(FW_NORMAL, d.weight);
    EXPECT_EQ(0, d.italic);
    EXPECT_EQ(DEFAULT_CHARSET, d.charset);
    EXPECT_EQ(kSongTi, d.font);
    ASSERT_EQ(4u, d.items.size());
    const DWORD child = WS_CHILD | WS_VISIBLE;
    ExpectItem(d.items[0], 1000, "#128", child | WS_TABSTOP | BS_PUSHBUTTON, 105, 61, 73, 21,
               expected::kStartButton);
    ExpectItem(d.items[1], 0xFFFFFFFF, "#130", child | WS_GROUP | SS_LEFT, 7, 7, 255, 18,
               expected::kLine1);
    ExpectItem(d.items[2], 0xFFFFFFFF, "#130", child | WS_GROUP | SS_LEFT, 7, 41, 189, 8,
               expected::kLine2);
    ExpectItem(d.items[3], 0xFFFFFFFF, "#130", child | WS_GROUP | SS_LEFT, 7, 94, 75, 8,
               expected::kVendorSite);
}

TEST_P(Resources, AboutBoxTemplate)
{
    const BYTE* data = Find(RT_DIALOG, 100);
    ASSERT_NE(nullptr, data);
    Dialog d = ParseDialog(data);
    EXPECT_FALSE(d.extended);
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT),
              d.style)
        << std::hex << d.style;
    EXPECT_EQ(0u, d.exStyle);
    EXPECT_EQ(0, d.x);
    EXPECT_EQ(0, d.y);
    EXPECT_EQ(235, d.cx);
    EXPECT_EQ(55, d.cy);
    EXPECT_EQ(expected::kAboutCaption, d.title);
    EXPECT_EQ(9, d.pointSize);
    EXPECT_EQ(kSongTi, d.font);
    ASSERT_EQ(4u, d.items.size());
    const DWORD child = WS_CHILD | WS_VISIBLE;
    ExpectItem(d.items[0], 0xFFFF, "#130", child | SS_ICON, 11, 17, 20, 20, "#128");
    ExpectItem(d.items[1], 0xFFFF, "#130", child | WS_GROUP | SS_LEFT | SS_NOPREFIX, 40, 10, 134, 8,
               expected::kAboutTitle);
    ExpectItem(d.items[2], 0xFFFF, "#130", child | WS_GROUP | SS_LEFT, 40, 29, 149, 8,
               expected::kAboutCopyright);
    ExpectItem(d.items[3], IDOK, "#128", child | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, 178, 7,
               50, 14, expected::kOk);
}

TEST_P(Resources, AboutMenuString)
{
    // String 101 is the sixth entry of block 7 (ids 96 to 111).
    const BYTE* data = Find(RT_STRING, 101 / 16 + 1);
    ASSERT_NE(nullptr, data);
    const WCHAR* p = reinterpret_cast<const WCHAR*>(data);
    for (int i = 0; i < 101 % 16; ++i)
        p += 1 + *p;
    EXPECT_EQ(expected::kAboutMenu, Narrow(p + 1, *p));
}

TEST_P(Resources, IconGroupHasTwoSixteenColourImages)
{
    DWORD size = 0;
    const BYTE* data = Find(RT_GROUP_ICON, 128, &size);
    ASSERT_NE(nullptr, data);
    WORD header[3];
    memcpy(header, data, sizeof(header));
    EXPECT_EQ(1, header[1]);  // icons
    ASSERT_EQ(2, header[2]);
    ASSERT_EQ(6u + 2 * 14, size);
    const BYTE* entry = data + 6;
    const int sizes[2] = { 32, 16 };
    for (int i = 0; i < 2; ++i, entry += 14) {
        EXPECT_EQ(sizes[i], entry[0]);
        EXPECT_EQ(sizes[i], entry[1]);
        EXPECT_EQ(16, entry[2]);  // colours
        WORD bitCount;
        memcpy(&bitCount, entry + 6, 2);
        EXPECT_EQ(4, bitCount);
        WORD id;
        memcpy(&id, entry + 12, 2);
        EXPECT_NE(nullptr, Find(RT_ICON, id)) << "image " << id;
    }
}

TEST_P(Resources, VersionBlock)
{
    const BYTE* data = Find(RT_VERSION, 1);
    ASSERT_NE(nullptr, data);
    VersionNode root;
    ParseVersionNode(data, &root);
    EXPECT_EQ("VS_VERSION_INFO", root.key);
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), root.binary.size());
    VS_FIXEDFILEINFO fixed;
    memcpy(&fixed, root.binary.data(), sizeof(fixed));
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    EXPECT_EQ(MAKELONG(0, 2), fixed.dwFileVersionMS);
    EXPECT_EQ(0u, fixed.dwFileVersionLS);
    EXPECT_EQ(MAKELONG(0, 2), fixed.dwProductVersionMS);
    EXPECT_EQ(0u, fixed.dwProductVersionLS);
    EXPECT_EQ(0x3Fu, fixed.dwFileFlagsMask);
    EXPECT_EQ(0u, fixed.dwFileFlags);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed.dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed.dwFileType);

    ASSERT_EQ(2u, root.children.size());
    const VersionNode& strings = root.children[0];
    EXPECT_EQ("StringFileInfo", strings.key);
    ASSERT_EQ(1u, strings.children.size());
    const VersionNode& table = strings.children[0];
    EXPECT_EQ("080404b0", table.key);
    const std::vector<std::pair<std::string, std::string>> values = {
        // "Quellor·入侵防护系统升级补丁（用于1.8.5及之前版本升级到新版本）"
        { "Comments",
          "Quellor\xA1\xA4\xC8\xEB\xC7\xD6\xB7\xC0\xBB\xA4\xCF\xB5\xCD\xB3\xC9\xFD\xBC\xB6"
          "\xB2\xB9\xB6\xA1\xA3\xA8\xD3\xC3\xD3\xDA"
          "1.8.5\xBC\xB0\xD6\xAE\xC7\xB0\xB0\xE6"
          "\xB1\xBE\xC9\xFD\xBC\xB6\xB5\xBD\xD0\xC2\xB0\xE6\xB1\xBE\xA3\xA9" },
        { "CompanyName", "Quellor" },
        // "升级补丁 Microsoft 基础类应用程序"
        { "FileDescription",
          "\xC9\xFD\xBC\xB6\xB2\xB9\xB6\xA1 Microsoft \xBB\xF9\xB4\xA1\xC0\xE0"
          "\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2" },
        { "FileVersion", "2, 0, 0, 0" },
        { "InternalName", "\xC9\xFD\xBC\xB6\xB2\xB9\xB6\xA1" },  // "升级补丁"
        { "LegalCopyright", "Copyright (C) 2026 Quellor" },
        { "LegalTrademarks", "" },
        { "OriginalFilename", "UpgradePatch.exe" },
        { "PrivateBuild", "" },
        // "升级补丁 应用程序"
        { "ProductName", "\xC9\xFD\xBC\xB6\xB2\xB9\xB6\xA1 \xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2" },
        { "ProductVersion", "2, 0, 0, 0" },
        { "SpecialBuild", "" },
    };
    ASSERT_EQ(values.size(), table.children.size());
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i].first, table.children[i].key);
        EXPECT_EQ(values[i].second, table.children[i].text) << values[i].first;
    }

    const VersionNode& vars = root.children[1];
    EXPECT_EQ("VarFileInfo", vars.key);
    ASSERT_EQ(1u, vars.children.size());
    EXPECT_EQ("Translation", vars.children[0].key);
    EXPECT_EQ((std::vector<BYTE>{ 0x04, 0x08, 0xB0, 0x04 }), vars.children[0].binary);
}

TEST_P(Resources, EveryResourceIsChinesePrc)
{
    std::vector<WORD> languages;
    ::EnumResourceTypesA(m_module, &CollectTypeLanguages, reinterpret_cast<LONG_PTR>(&languages));
    EXPECT_GE(languages.size(), 6u);
    for (WORD language : languages)
        EXPECT_EQ(kLangPrc, language);
}

// This build's program and the other architecture's.
#ifdef _WIN64
#define OTHER_BUILD "..\\win32\\"
#else
#define OTHER_BUILD "..\\win64\\"
#endif
INSTANTIATE_TEST_SUITE_P(Builds, Resources,
                         testing::Values("UpgradePatch.exe", OTHER_BUILD "UpgradePatch.exe"));
