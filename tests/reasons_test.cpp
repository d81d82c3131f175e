// What talvenctl says of a refusal or failure: the reason in words, where,
// the code, and for a refusal of access what to do about it.
#include <gtest/gtest.h>

#include "output.h"

namespace reasons_test {

TEST(Reasons, SayWhatWhereAndWhatToDo)
{
    EXPECT_EQ(Reason(ERROR_CANT_RESOLVE_FILENAME, "HKLM\\SOFTWARE\\Classes\\CLSID\\{A}\\Trap"),
              "a registry link at HKLM\\SOFTWARE\\Classes\\CLSID\\{A}\\Trap (1921)");
    EXPECT_EQ(Reason(ERROR_FILENAME_EXCED_RANGE, "CLSID\\{A}"), "a path too long to address below CLSID\\{A} (206)");
    const std::string denied = Reason(ERROR_ACCESS_DENIED, "");
    EXPECT_NE(denied.find("(5); run talvenctl from an elevated prompt"), std::string::npos) << denied;
    EXPECT_NE(denied.find("--store user"), std::string::npos) << denied;
    EXPECT_EQ(Reason(ERROR_FILE_NOT_FOUND, "").find("elevated"), std::string::npos);
    EXPECT_EQ(Reason(ERROR_NO_UNICODE_TRANSLATION, "HKLM\\SOFTWARE\\Classes\\CLSID\\{A}"),
              "a key name the ANSI code page cannot spell exactly at HKLM\\SOFTWARE\\Classes\\CLSID\\{A} (1113)");
    EXPECT_EQ(Reason(kRegistrationChanged, ""), "its registration is not the one listed any more (1018)");
}

}  // namespace reasons_test
