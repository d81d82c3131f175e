// One way for tests to lay out a registry and look at it afterwards, the same
// on the host's stand-in key store and on a real registry under Windows/Wine.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls.h"
#include "registry_api.h"

// A key to lay out: its path under HKEY_CLASSES_ROOT and, when type is not
// kNoValue, its default value stored byte for byte.
struct KeyDef {
    std::string path;
    DWORD type;
    std::string data;
};

constexpr DWORD kNoValue = 0xFFFFFFFFu;

// A key with no default value.
KeyDef Key(const std::string& path);
// A key whose default value is REG_SZ text, stored with its NUL.
KeyDef Text(const std::string& path, const std::string& text);
// A key whose default value has the given type and exact bytes.
KeyDef Raw(const std::string& path, DWORD type, const std::string& bytes);
// A symbolic link at path to the key at target, which must be laid out
// before it. A snapshot shows it as "path -> target", never what is beyond.
KeyDef Link(const std::string& path, const std::string& target);

// Removes everything earlier tests laid out (and, on a fresh Wine prefix,
// the classes Wine registers itself), leaving "CLSID" absent.
void ResetRegistry();
void Lay(const std::vector<KeyDef>& keys);
// Makes the key refuse every open that asks for more than KEY_READ.
void DenyWrite(const std::string& path);
// Lays the keys out, then makes each of the denied ones refuse write access.
void LayDenying(const std::vector<KeyDef>& keys, const std::vector<std::string>& denied);

// An expected result that is any nonzero code.
constexpr ResultCode kAnyFailure = -1;
void ExpectResult(ResultCode actual, ResultCode expected);
bool KeyExists(const std::string& path);

// Every key laid out, as "path" or "path = type:data", parents first.
std::vector<std::string> Snapshot();

// The snapshot without the keys inside the given trees (each a key path,
// matched without regard to case).
std::vector<std::string> WithoutTrees(const std::vector<std::string>& snapshot,
                                      const std::vector<std::string>& trees);

// Registry handles this process holds open, where the registry can tell;
// -1 where it cannot.
int OpenHandles();

// A registered control, laid out the usual way.
struct ControlDef {
    std::string clsid;     // key name under "CLSID"
    std::string name;      // display name
    std::string server;    // InprocServer32 path
    std::string progId;    // empty: no "ProgID" subkey
    std::string typeLib;   // empty: no "Typelib" subkey
};

std::vector<KeyDef> ControlKeys(const ControlDef& control);
std::string EntryLine(const ControlDef& control);

// A test that starts from a cleared registry and clears up after itself.
template <typename Base = testing::Test>
class ClearedRegistry : public Base {
protected:
    void SetUp() override { ResetRegistry(); }
    void TearDown() override { ResetRegistry(); }
};
