// One removal where 64-bit Windows keeps two registry views: the class's
// own key goes from the view worked in, while a ProgID tree the class's key
// in the other view still names, and a library any other class key of
// either view still names, stay whole, with who keeps them said; the last
// registration takes them. On a machine of one view the same layouts are
// one store, and everything goes as it always did.
#include <gtest/gtest.h>

#include <cstring>

#include "controls.h"
#include "registry_fixture.h"
#include "views.h"

namespace views_test {

const std::string kX = "{6A000000-0000-0000-0000-00000000000A}";
const std::string kY = "{6B000000-0000-0000-0000-00000000000B}";
const std::string kZ = "{6C000000-0000-0000-0000-00000000000C}";
const std::string kLib = "{8E000000-0000-0000-0000-0000000000E1}";
const std::string kLibTree = "TYPELIB\\" + kLib;

// A key laid out in the other view than the one worked in; 0 is the one
// worked in. Only class keys have a view.
constexpr REGSAM kOther = 1;

const ControlDef kXControl = {kX, "Xylo Knob", "C:\\Ctl\\xylo.ocx", "Talven.Xylo.1", kLib};
const ControlDef kYControl = {kY, "Yew Dial", "C:\\Ctl\\xylo.ocx", "Talven.Yew.1", kLib};

// The class keys of a control alone, without its shared trees.
std::vector<KeyDef> ClassOnly(const ControlDef& control)
{
    std::vector<KeyDef> keys;
    for (const KeyDef& key : ControlKeys(control)) {
        if (InsideTree(key.path, "CLSID\\" + control.clsid))
            keys.push_back(key);
    }
    return keys;
}

struct Removal {
    REGSAM view;  // 0 or kOther
    std::string clsid;
    ResultCode result;
};

// What one view or two leave: the trees gone (each "path" or, for the
// other view's class keys, "other:path"), and each tree kept with who
// keeps it ("tree by clsid" and " other" where that one is in the other
// view).
struct Outcome {
    std::vector<Removal> removals;
    std::vector<std::string> gone;
    std::vector<std::string> kept;
};

struct ViewCase {
    std::string what;
    std::vector<KeyDef> layout;
    Outcome two;
    Outcome one;
};

void PrintTo(const ViewCase& c, std::ostream* os)
{
    *os << c.what;
}

const std::string kXClass = "CLSID\\" + kX;

std::vector<ViewCase> ViewCases()
{
    const std::vector<KeyDef> xBoth = Join({ControlKeys(kXControl), InView(kOther, ClassOnly(kXControl))});
    const Removal removeX = {0, kX, 0};
    const Removal removeY = {0, kY, 0};
    return {
        {"a class registered in both views", xBoth,
         {{removeX}, {kXClass}, {kLibTree + " by " + kX + " other", "Talven.Xylo.1 by " + kX + " other"}},
         {{removeX}, {kXClass, "Talven.Xylo.1", kLibTree}, {}}},
        {"a class registered in both views, removed from both",
         xBoth,
         {{removeX, {kOther, kX, 0}}, {kXClass, "other:" + kXClass, "Talven.Xylo.1", kLibTree},
          {kLibTree + " by " + kX + " other", "Talven.Xylo.1 by " + kX + " other"}},
         {{removeX, {kOther, kX, ERROR_FILE_NOT_FOUND}}, {kXClass, "Talven.Xylo.1", kLibTree}, {}}},
        {"the last registration of a class, the other view's gone", ControlKeys(kXControl),
         {{removeX}, {kXClass, "Talven.Xylo.1", kLibTree}, {}},
         {{removeX}, {kXClass, "Talven.Xylo.1", kLibTree}, {}}},
        {"two controls of one file sharing a library, X first",
         Join({ControlKeys(kXControl), ControlKeys(kYControl)}),
         {{removeX, removeY}, {kXClass, "CLSID\\" + kY, "Talven.Xylo.1", "Talven.Yew.1", kLibTree},
          {kLibTree + " by " + kY}},
         {{removeX, removeY}, {kXClass, "CLSID\\" + kY, "Talven.Xylo.1", "Talven.Yew.1", kLibTree},
          {kLibTree + " by " + kY}}},
        {"two controls of one file sharing a library, Y first",
         Join({ControlKeys(kXControl), ControlKeys(kYControl)}),
         {{removeY, removeX}, {kXClass, "CLSID\\" + kY, "Talven.Xylo.1", "Talven.Yew.1", kLibTree},
          {kLibTree + " by " + kX}},
         {{removeY, removeX}, {kXClass, "CLSID\\" + kY, "Talven.Xylo.1", "Talven.Yew.1", kLibTree},
          {kLibTree + " by " + kX}}},
        // Registrations in the field differ in the case of their identifiers.
        {"a library that a class of the other view, not a control, names in lower case",
         Join({ControlKeys(kXControl),
               InView(kOther, {Text("CLSID\\" + kZ, "Zelkova"),
                               Text("CLSID\\" + kZ + "\\Typelib", "{8e000000-0000-0000-0000-0000000000e1}")})}),
         {{removeX}, {kXClass, "Talven.Xylo.1"}, {kLibTree + " by " + kZ + " other"}},
         {{removeX}, {kXClass, "Talven.Xylo.1"}, {kLibTree + " by " + kZ}}},
        {"the other view's registration naming another ProgID",
         Join({ControlKeys(kXControl),
               InView(kOther, {Text(kXClass, "Xylo Knob"), Text(kXClass + "\\ProgID", "Talven.Xylo.2")})}),
         {{removeX}, {kXClass, "Talven.Xylo.1", kLibTree}, {}},
         // One store: the later values are the class's own.
         {{removeX}, {kXClass, kLibTree}, {}}},
        {"the other view naming the ProgID in other case, and another library",
         Join({ControlKeys(kXControl),
               InView(kOther, {Text(kXClass, "Xylo Knob"), Text(kXClass + "\\ProgID", "TALVEN.XYLO.1"),
                               Text(kXClass + "\\Typelib", "{8F000000-0000-0000-0000-0000000000F2}")})}),
         {{removeX}, {kXClass, kLibTree}, {"Talven.Xylo.1 by " + kX + " other"}},
         {{removeX}, {kXClass, "Talven.Xylo.1"}, {}}},
        // What names the library without being a class key counts for nothing.
        {"a library named only outside the class keys",
         Join({ControlKeys(kXControl), {Text("Interface\\{11111111-0000-0000-0000-000000000000}\\TypeLib", kLib),
                                        Text("Talven.Other\\Typelib", kLib)}}),
         {{removeX}, {kXClass, "Talven.Xylo.1", kLibTree}, {}},
         {{removeX}, {kXClass, "Talven.Xylo.1", kLibTree}, {}}},
    };
}

// Which flags the roles take: the view worked in is the program's own, or
// the other one when the removal is told to work there.
struct Roles {
    REGSAM working;  // 0: the program's own
    REGSAM other;
};

REGSAM FlagOf(const Roles& roles, REGSAM role)
{
    return role == kOther ? roles.other : roles.working;
}

struct Noted {
    std::vector<std::string> kept;
    REGSAM working;  // the view of the removal that asks
};

void NoteKept(const char* tree, const ClassKey& user, void* context)
{
    // Asked while the removal works in its view.
    const bool other = user.view != 0 && user.view != static_cast<Noted*>(context)->working;
    static_cast<Noted*>(context)->kept.push_back(std::string(tree) + " by " + user.clsid + (other ? " other" : ""));
}

Scope In(REGSAM flag)
{
    return {kShownStore, flag};
}

// The case laid out, its removals made each in its view, then: exactly the
// trees gone, every other key laid out still there, the kept trees said.
void ExpectOutcome(const ViewCase& c, const Roles& roles)
{
    std::vector<KeyDef> layout = c.layout;
    // The shared keys are one for both views, laid out as the program's own.
    for (KeyDef& key : layout)
        key.view = InsideTree(key.path, "CLSID") ? FlagOf(roles, key.view) : 0;
    ASSERT_NO_FATAL_FAILURE(Lay(layout));
    const Outcome& expected = HasTwoViews() ? c.two : c.one;
    const int handles = OpenHandles();
    Noted noted;
    RemovalWatch watch = {};
    watch.kept = NoteKept;
    watch.context = &noted;
    for (const Removal& removal : expected.removals) {
        const Scope scope = In(FlagOf(roles, removal.view));
        noted.working = FindViews(scope).working;
        char room[kLineRoom];
        std::strcpy(room, ListedLine(removal.clsid, scope).c_str());
        EXPECT_EQ(RemoveControlReporting(room, scope, watch), removal.result) << removal.clsid;
    }
    EXPECT_EQ(OpenHandles(), handles);
    EXPECT_EQ(noted.kept, expected.kept);
    for (const std::string& gone : expected.gone) {
        const bool other = gone.rfind("other:", 0) == 0;
        const std::string path = other ? gone.substr(6) : gone;
        EXPECT_FALSE(KeyExists(path, FlagOf(roles, other ? kOther : 0))) << gone;
    }
    for (size_t i = 0; i < layout.size(); ++i) {
        bool inside = false;
        for (const std::string& gone : expected.gone) {
            const bool other = gone.rfind("other:", 0) == 0;
            // One view: the other view's keys are the same keys.
            const bool sameView = !HasTwoViews() || (c.layout[i].view == kOther) == other ||
                                  !InsideTree(layout[i].path, "CLSID");
            inside = inside || (sameView && InsideTree(layout[i].path, other ? gone.substr(6) : gone));
        }
        if (!inside) {
            EXPECT_TRUE(KeyExists(layout[i].path, layout[i].view)) << "gone: " << layout[i].path;
        }
    }
}

class Views : public ClearedRegistry<testing::TestWithParam<ViewCase>> {};

// Worked in the program's own view: the dialog's case.
TEST_P(Views, OwnView)
{
    ASSERT_NO_FATAL_FAILURE(LayViews(true));
    ExpectOutcome(GetParam(), {0, OtherView()});
}

// Worked in the other view, as talvenctl --view does.
TEST_P(Views, OtherView)
{
    ASSERT_NO_FATAL_FAILURE(LayViews(true));
    if (!HasTwoViews())
        GTEST_SKIP() << "one view: there is no other";
    const REGSAM own = OtherView() == KEY_WOW64_64KEY ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    ExpectOutcome(GetParam(), {OtherView(), own});
}

#ifndef _WIN32
// The host stands in for 32-bit Windows too, where the flags reach one store.
TEST_P(Views, OneView)
{
    ASSERT_NO_FATAL_FAILURE(LayViews(false));
    ExpectOutcome(GetParam(), {0, OtherView()});
}
#endif

INSTANTIATE_TEST_SUITE_P(Cases, Views, testing::ValuesIn(ViewCases()));

}  // namespace views_test
