// The fixture on the host: the stand-in key store, filled directly.
#include <gtest/gtest.h>


#include "keystore.h"
#include "registry_fixture.h"

namespace {

bool g_twoViews = false;

}  // namespace

void ResetRegistry()
{
    keystore::Clear();
    g_twoViews = false;
}

REGSAM OtherView()
{
    return KEY_WOW64_64KEY;
}

bool HasTwoViews()
{
    return g_twoViews;
}

void LayViews(bool two)
{
    g_twoViews = two;
    keystore::SetViews(two ? keystore::Views::kTwoFrom32 : keystore::Views::kOne);
    if (two) {
        ASSERT_NO_FATAL_FAILURE(Lay(InView(KEY_WOW64_64KEY, {Key("CLSID"), Key("Wow6432Node\\CLSID"), Key("TypeLib"),
                                                             Link("Wow6432Node\\TypeLib", "TypeLib")})));
    }
}

void Lay(const std::vector<KeyDef>& keys)
{
    for (const KeyDef& key : keys) {
        const bool laid = key.type == kNoValue   ? keystore::CreateKey(key.path, key.view)
                          : key.type == REG_LINK ? keystore::CreateLink(key.path, key.data, key.view)
                                                 : keystore::SetDefault(key.path, key.type, key.data, key.view);
        ASSERT_TRUE(laid) << key.path;
    }
}

void DenyWrite(const std::string& path)
{
    ASSERT_TRUE(keystore::SetAccess(path, keystore::Access::kReadOnly)) << path;
}

bool KeyExists(const std::string& path, REGSAM view)
{
    return keystore::Exists(path, view);
}

std::vector<std::string> Snapshot()
{
    return keystore::Dump();
}

int OpenHandles()
{
    return keystore::OpenHandleCount();
}

long DeletionsThroughView()
{
    return keystore::DeletionsThroughClassesRoot();
}
