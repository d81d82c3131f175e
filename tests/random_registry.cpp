#include "random_registry.h"

#include <string>
#include <vector>

#include "key_store.h"

namespace {

struct Input {
    const uint8_t* data;
    size_t size;
    size_t at;

    bool More() const { return at < size; }
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    template <size_t N>
    const char* Pick(const char* const (&choices)[N]) { return choices[Byte() % N]; }
};

const char* const kClasses[] = {
    "{C0000000-0000-0000-0000-000000000000}", "{C1000000-0000-0000-0000-000000000001}",
    "{c1000000-0000-0000-0000-000000000001}", "{C2\tTAB}", "{C3}",
    "{4444444444444444444444444444444444444444444444}",   // 48 characters
    "{55555555555555555555555555555555555555555555555}",  // 49
    "{666666666666666666666666666666666666666666666666}", // 50: too long for the listing
};
const char* const kProgIds[] = {"Prog.A.1", "Prog.B.1", "prog.a.1", "CLSID", "TypeLib", "Interface"};
const char* const kLibs[] = {"{L0}", "{L1}", "{l1}"};
const char* const kNamed[] = {
    "", "\\", "CLSID", "TypeLib", "TYPELIB", "Interface", "Prog.A.1", "Prog.B.1", "Prog.Missing",
    "CLSID\\{C0000000-0000-0000-0000-000000000000}", "Prog.A.1\\", "\\Prog.A.1", "{L0}", "{L1}",
    "{L0}\\1.0", "{L9}", "{C0000000-0000-0000-0000-000000000000}", "{c1000000-0000-0000-0000-000000000001}",
    "{C2\tTAB}", "a\tb", "C:\\x\\y.ocx",
};
const size_t kLengths[] = {0, 1, 48, 49, 50, 51, 258, 259, 260, 261, 1010, 1022, 1023, 1024, 1025};

// A value: one of the names that matter, or a run of characters of a length
// around some room's limit.
std::string Text(Input& in)
{
    const uint8_t how = in.Byte();
    if (how % 3 != 0)
        return in.Pick(kNamed);
    const size_t length = kLengths[in.Byte() % (sizeof kLengths / sizeof kLengths[0])];
    static const char kAlphabet[] = "aZ\t\\.{}0";
    std::string text(length, 'x');
    const uint8_t mix = in.Byte();
    for (size_t i = 0; i < length; ++i)
        text[i] = kAlphabet[(mix * (i + 1) / 7) % (sizeof kAlphabet - 1)];
    return text;
}

void SetValue(Input& in, const std::string& path)
{
    const uint8_t how = in.Byte();
    const DWORD types[] = {REG_SZ, REG_SZ, REG_SZ, REG_EXPAND_SZ, REG_BINARY, REG_DWORD};
    const DWORD type = types[how % 6];
    std::string data = Text(in);
    if ((how & 0x40) == 0)
        data += '\0';  // else stored without its NUL
    keystore::SetDefault(path, type, data);
}

void Build(Input& in, std::vector<std::string>* laid)
{
    keystore::Clear();
    if (in.Byte() % 8 != 0)
        keystore::CreateKey("CLSID");
    for (int op = 0; op < 80 && in.More(); ++op) {
        const std::string cls = std::string("CLSID\\") + in.Pick(kClasses);
        std::string path;
        switch (in.Byte() % 11) {
        case 0: path = cls; SetValue(in, path); break;
        case 1: path = cls + "\\Control"; keystore::CreateKey(path); break;
        case 2: path = cls + "\\InprocServer32"; SetValue(in, path); break;
        case 3: path = cls + "\\ProgID"; SetValue(in, path); break;
        case 4: path = cls + "\\Typelib"; SetValue(in, path); break;
        case 5: path = std::string(in.Pick(kProgIds)) + "\\CLSID"; SetValue(in, path); break;
        case 6: path = std::string("TypeLib\\") + in.Pick(kLibs) + (in.Byte() % 2 ? "\\1.0\\0\\win32" : "\\2.0");
                SetValue(in, path); break;
        case 7: path = cls + "\\Sub\\Deeper"; keystore::CreateKey(path); break;
        case 8: path = std::string("Interface\\") + in.Pick(kClasses); keystore::CreateKey(path); break;
        case 9: path = in.Pick(kProgIds); SetValue(in, path); break;
        default:
            if (!laid->empty()) {
                const std::string& target = (*laid)[in.Byte() % laid->size()];
                keystore::SetAccess(target, in.Byte() % 2 ? keystore::Access::kReadOnly
                                                          : keystore::Access::kNoDelete);
            }
            break;
        }
        if (!path.empty())
            laid->push_back(path);
    }
}

}  // namespace

void LayRegistryFromBytes(const uint8_t* data, size_t size)
{
    Input in = {data, size, 0};
    std::vector<std::string> laid;
    Build(in, &laid);
}
