// The fixture on the host: the stand-in key store, filled directly.
#include <gtest/gtest.h>


#include "keystore.h"
#include "registry_fixture.h"

void ResetRegistry()
{
    keystore::Clear();
}

void Lay(const std::vector<KeyDef>& keys)
{
    for (const KeyDef& key : keys) {
        const bool laid = key.type == kNoValue   ? keystore::CreateKey(key.path)
                          : key.type == REG_LINK ? keystore::CreateLink(key.path, key.data)
                                                 : keystore::SetDefault(key.path, key.type, key.data);
        ASSERT_TRUE(laid) << key.path;
    }
}

void DenyWrite(const std::string& path)
{
    ASSERT_TRUE(keystore::SetAccess(path, keystore::Access::kReadOnly)) << path;
}

bool KeyExists(const std::string& path)
{
    return keystore::Exists(path);
}

std::vector<std::string> Snapshot()
{
    return keystore::Dump();
}

int OpenHandles()
{
    return keystore::OpenHandleCount();
}
