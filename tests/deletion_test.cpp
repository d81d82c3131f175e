// Key tree deletion: what goes, what stays, and the paths that are refused.
#include <gtest/gtest.h>

#include "controls.h"
#include "registry_fixture.h"

#ifndef _WIN32
#include <pthread.h>
#endif

namespace deletion_test {

// A tree whose children are enumerated A, B, C, with keys named like it
// beside it that must survive its deletion.
std::vector<KeyDef> Tree()
{
    return {Text("T", "top"), Text("T\\A", "a"), Key("T\\A\\A1"), Text("T\\A\\A2\\Leaf", "leaf"),
            Key("T\\B\\B1"), Text("T\\C\\C1", "c1"), Key("Tx\\A"), Key("T2")};
}

std::vector<TreeCase> DeletionCases()
{
    return {
        {"key without subkeys", {Text("Solo", "x"), Key("Solo2")}, {}, "Solo", 0, {"Solo"}},
        {"tree several levels deep", Tree(), {}, "T", 0, {"T"}},
        {"subtree named in other case", Tree(), {}, "t\\a", 0, {"T\\A"}},
        {"path naming no key", Tree(), {}, "Missing", ERROR_FILE_NOT_FOUND, {}},
        {"nested path naming no key", Tree(), {}, "T\\Nope", ERROR_FILE_NOT_FOUND, {}},
        {"key deep in the tree refusing", Tree(), {"T\\B"}, "T", ERROR_ACCESS_DENIED, {"T\\A"}},
        {"empty path", Tree(), {}, "", ERROR_BAD_PATHNAME, {}},
        {"leading backslash", Tree(), {}, "\\T", ERROR_BAD_PATHNAME, {}},
        {"trailing backslash", Tree(), {}, "T\\", ERROR_BAD_PATHNAME, {}},
        {"double backslash", Tree(), {}, "T\\\\A", ERROR_BAD_PATHNAME, {}},
        {"lone backslash", Tree(), {}, "\\", ERROR_BAD_PATHNAME, {}},
        {"path of 1024 characters", Tree(), {}, "T\\" + std::string(1022, 'x'), ERROR_FILENAME_EXCED_RANGE, {}},
    };
}

// The tree beside keys a link could lead a deletion to, and links laid into it.
std::vector<KeyDef> LinkedTree(const std::vector<KeyDef>& links)
{
    return Join({Tree(), {Text("Victim", "v"), Text("Victim\\A", "a"), Key("Victim\\B\\B1"), Text("Leaf", "leaf")},
                 links});
}

// A deletion reaches a link as itself and goes no further: whatever it had
// deleted before stays deleted, the link and everything it leads to stay.
std::vector<TreeCase> LinkCases()
{
    return {
        {"link inside the tree", LinkedTree({Link("T\\B\\L", "Victim")}), {}, "T", kLinkRefused,
         {"T\\A", "T\\B\\B1"}},
        {"link to a key without subkeys", LinkedTree({Link("T\\A\\ToLeaf", "Leaf")}), {}, "T", kLinkRefused,
         {"T\\A\\A1", "T\\A\\A2"}},
        {"link back to the tree's top", LinkedTree({Link("T\\A\\Up", "T")}), {}, "T", kLinkRefused,
         {"T\\A\\A1", "T\\A\\A2"}},
        {"the tree's own top a link", LinkedTree({Link("TL", "Victim")}), {}, "TL", kLinkRefused, {}},
        {"the tree's own top a link to a key without subkeys", LinkedTree({Link("TL", "Leaf")}), {}, "TL",
         kLinkRefused, {}},
    };
}

class Deletion : public ClearedRegistry<testing::TestWithParam<TreeCase>> {};

TEST_P(Deletion, DeletesExactlyTheTree)
{
    ExpectOnlyTreesGone(GetParam(), [](const std::string& path) { return DeleteKeyTree(path.c_str()); });
}

INSTANTIATE_TEST_SUITE_P(Cases, Deletion, testing::ValuesIn(DeletionCases()));
INSTANTIATE_TEST_SUITE_P(Hostile, Deletion, testing::ValuesIn(LinkCases()));

// The deepest tree a path can address: the 1024-byte path room, on the
// host and under Wine alike, since each key is opened below its parent by
// its own name (the 8-bit calls refuse whole paths of more than 260).
constexpr int kLongestPath = 1023;

// "Deep" with levels of "\d" below it.
std::string DeepPath(int levels)
{
    std::string path = "Deep";
    for (int i = 0; i < levels; ++i)
        path += "\\d";
    return path;
}

constexpr int kDeepestLevels = (kLongestPath - 4) / 2;

struct DeepRun {
    ResultCode result;
};

void* DeleteDeep(void* run)
{
    static_cast<DeepRun*>(run)->result = DeleteKeyTree("Deep");
    return nullptr;
}

// Runs the deletion on a thread with a small stack on the host, so that a
// deletion using much stack per level fails here rather than on a user's
// machine; under Wine on the main thread with its default stack.
ResultCode DeleteDeepTree()
{
    DeepRun run = {-1};
#ifdef _WIN32
    DeleteDeep(&run);
#else
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 256 * 1024);
    pthread_t thread;
    EXPECT_EQ(pthread_create(&thread, &attributes, DeleteDeep, &run), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
#endif
    return run.result;
}

class DeepDeletion : public ClearedRegistry<> {};

TEST_F(DeepDeletion, DeepestAddressableTreeGoesCompletely)
{
    ASSERT_LE(DeepPath(kDeepestLevels).size(), static_cast<size_t>(kLongestPath));
    ASSERT_GT(DeepPath(kDeepestLevels + 1).size(), static_cast<size_t>(kLongestPath));
    ASSERT_NO_FATAL_FAILURE(Lay({Text(DeepPath(kDeepestLevels), "bottom"), Key("Deeper")}));
    const int handlesBefore = OpenHandles();
    EXPECT_EQ(DeleteDeepTree(), 0);
    EXPECT_FALSE(KeyExists("Deep"));
    EXPECT_TRUE(KeyExists("Deeper"));
    EXPECT_EQ(OpenHandles(), handlesBefore);
}

TEST_F(DeepDeletion, TreeTooDeepToAddressIsLeftWhole)
{
    ASSERT_NO_FATAL_FAILURE(Lay({Text(DeepPath(kDeepestLevels + 2), "bottom")}));
    const std::vector<std::string> before = Snapshot();
    const int handlesBefore = OpenHandles();
    EXPECT_EQ(DeleteDeepTree(), kTooDeep);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(OpenHandles(), handlesBefore);
}

}  // namespace deletion_test
