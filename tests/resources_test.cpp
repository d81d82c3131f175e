// The resources and PE header of the built talven.exe beside this program,
// read back through the platform's own resource and version calls.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "resource.h"
#include "talven_driver.h"

namespace resources_test {

// Reads a dialog template: WORDs, DWORDs and NUL-terminated UTF-16 strings.
struct TemplateReader {
    const BYTE* at;

    WORD Word()
    {
        WORD value;
        memcpy(&value, at, sizeof value);
        at += sizeof value;
        return value;
    }
    DWORD Dword()
    {
        DWORD value;
        memcpy(&value, at, sizeof value);
        at += sizeof value;
        return value;
    }
    std::string Text()
    {
        std::string text;
        for (WORD c = Word(); c != 0; c = Word())
            text += static_cast<char>(c);
        return text;
    }
    // A class or text field: an ordinal after 0xFFFF, or a string.
    std::string NameOrOrdinal()
    {
        WORD first;
        memcpy(&first, at, sizeof first);
        if (first == 0xFFFF) {
            at += 2;
            return "#" + std::to_string(Word());
        }
        return Text();
    }
    void AlignToDword(const BYTE* base)
    {
        while ((at - base) % 4 != 0)
            ++at;
    }
};

struct Item {
    DWORD style;
    DWORD extendedStyle;
    short x, y, cx, cy;
    WORD id;
    std::string className;
    std::string text;
    bool operator==(const Item& o) const
    {
        return style == o.style && extendedStyle == o.extendedStyle && x == o.x && y == o.y &&
               cx == o.cx && cy == o.cy && id == o.id && className == o.className && text == o.text;
    }
};

void PrintTo(const Item& item, std::ostream* os)
{
    *os << "{id " << item.id << " " << item.className << " \"" << item.text << "\" " << item.x << ","
        << item.y << " " << item.cx << "x" << item.cy << " style 0x" << std::hex << item.style
        << " ex 0x" << item.extendedStyle << std::dec << "}";
}

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

class Resources : public testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryExA(TalvenPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << TalvenPath();
    }
    void TearDown() override
    {
        if (module_ != nullptr)
            FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

BOOL CALLBACK CollectType(HMODULE, LPSTR type, LONG_PTR types)
{
    reinterpret_cast<std::set<ULONG_PTR>*>(types)->insert(reinterpret_cast<ULONG_PTR>(type));
    return TRUE;
}

TEST_F(Resources, HoldsOnlyTheDialogTheVersionAndTheManifest)
{
    std::set<ULONG_PTR> types;
    EnumResourceTypesA(module_, CollectType, reinterpret_cast<LONG_PTR>(&types));
    EXPECT_EQ(types, (std::set<ULONG_PTR>{reinterpret_cast<ULONG_PTR>(RT_DIALOG),
                                          reinterpret_cast<ULONG_PTR>(RT_VERSION),
                                          reinterpret_cast<ULONG_PTR>(RT_MANIFEST)}));
    EXPECT_NE(FindResourceExA(module_, RT_MANIFEST, MAKEINTRESOURCEA(1), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
              nullptr);
}

TEST_F(Resources, DialogTemplateIsExactlyTheDesign)
{
    HRSRC found = FindResourceExA(module_, RT_DIALOG, MAKEINTRESOURCEA(IDD_CONTROLS),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE(found, nullptr);
    const BYTE* base = static_cast<const BYTE*>(LockResource(LoadResource(module_, found)));
    ASSERT_NE(base, nullptr);
    TemplateReader reader = {base};

    EXPECT_EQ(reader.Dword(), static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                                  DS_MODALFRAME | DS_SETFONT | DS_3DLOOK));
    EXPECT_EQ(reader.Dword(), 0u) << "extended style";
    const WORD count = reader.Word();
    EXPECT_EQ(count, 4);
    const short x = reader.Word(), y = reader.Word(), cx = reader.Word(), cy = reader.Word();
    EXPECT_EQ((std::vector<short>{x, y, cx, cy}), (std::vector<short>{0, 0, 251, 193}));
    EXPECT_EQ(reader.NameOrOrdinal(), "") << "menu";
    EXPECT_EQ(reader.NameOrOrdinal(), "") << "class";
    EXPECT_EQ(reader.Text(), "Registered OLE Controls");
    EXPECT_EQ(reader.Word(), 8) << "points";
    EXPECT_EQ(reader.Text(), "MS Sans Serif");

    std::vector<Item> items;
    for (WORD i = 0; i < count; ++i) {
        reader.AlignToDword(base);
        Item item;
        item.style = reader.Dword();
        item.extendedStyle = reader.Dword();
        item.x = reader.Word();
        item.y = reader.Word();
        item.cx = reader.Word();
        item.cy = reader.Word();
        item.id = reader.Word();
        item.className = reader.NameOrOrdinal();
        item.text = reader.NameOrOrdinal();
        reader.at += reader.Word();  // creation data
        items.push_back(item);
    }
    const std::vector<Item> expected = {
        {kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 194, 7, 50, 14, IDOK, "#128", "Close"},
        {kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 194, 24, 50, 14, IDC_REMOVE, "#128", "&Remove"},
        {kChild | LBS_NOTIFY | LBS_SORT | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED |
             LBS_HASSTRINGS | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
         0, 7, 7, 181, 132, IDC_CONTROL_LIST, "#131", ""},
        {kChild | SS_CENTER | SS_SUNKEN | SS_NOPREFIX | WS_GROUP, 0, 7, 142, 181, 44, IDC_DETAILS, "#130", "Static"},
    };
    EXPECT_EQ(items, expected);
}

std::string VersionString(const std::vector<BYTE>& info, const char* name)
{
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904b0\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
        return "<missing>";
    return std::string(value, length > 0 ? length - 1 : 0);
}

TEST_F(Resources, VersionResourceHoldsEveryField)
{
    const std::string path = TalvenPath();
    DWORD ignored = 0;
    std::vector<BYTE> info(GetFileVersionInfoSizeA(path.c_str(), &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    EXPECT_EQ(VersionString(info, "FileDescription"), "TALVEN - OCX Registry Cleaning Utility");
    EXPECT_EQ(VersionString(info, "ProductName"), "TALVEN - OCX Registry Cleaning Utility");
    EXPECT_EQ(VersionString(info, "FileVersion"), "1.0");
    EXPECT_EQ(VersionString(info, "ProductVersion"), "1.0");
    EXPECT_EQ(VersionString(info, "InternalName"), "talven");
    EXPECT_EQ(VersionString(info, "OriginalFilename"), "talven.exe");
    // The maker's own values, as the licence names them.
    EXPECT_EQ(VersionString(info, "CompanyName"), "The talven developers");
    EXPECT_EQ(VersionString(info, "LegalCopyright"), "Copyright (C) 2026 The talven developers. MIT License.");
}

TEST_F(Resources, PeHeaderMakesAWindowsGuiProgram)
{
    std::ifstream file(TalvenPath(), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), sizeof(IMAGE_DOS_HEADER));
    IMAGE_DOS_HEADER dos;
    memcpy(&dos, bytes.data(), sizeof dos);
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    IMAGE_NT_HEADERS nt;
    ASSERT_LE(dos.e_lfanew + sizeof nt, bytes.size());
    memcpy(&nt, bytes.data() + dos.e_lfanew, sizeof nt);
    ASSERT_EQ(nt.Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE));
    EXPECT_EQ(nt.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
#ifdef _WIN64
    EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
    EXPECT_EQ(nt.OptionalHeader.MajorSubsystemVersion, 5);
    EXPECT_EQ(nt.OptionalHeader.MinorSubsystemVersion, 2);
#else
    EXPECT_EQ(nt.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(nt.OptionalHeader.MajorSubsystemVersion, 4);
    EXPECT_EQ(nt.OptionalHeader.MinorSubsystemVersion, 0);
#endif
}

}  // namespace resources_test
