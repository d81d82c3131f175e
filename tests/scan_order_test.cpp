// The scan asks each class for "Control" before opening the class itself.
// This checks, on many random registries, that it delivers exactly what the
// scan in its first order did: open the class with full access, then look
// for "Control" and "InprocServer32" under it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "controls.h"
#include "keystore.h"
#include "first_order_scan.h"
#include "random_registry.h"
#include "registry_fixture.h"

namespace scan_order_test {


TEST(ScanOrder, DeliversWhatTheFirstOrderDidOnRandomRegistries)
{
    std::mt19937 random(20261208);
    size_t linesSeen = 0;
    for (int round = 0; round < 10000; ++round) {
        std::vector<uint8_t> bytes(1 + random() % 1000);
        for (uint8_t& byte : bytes)
            byte = static_cast<uint8_t>(random());
        LayRegistryFromBytes(bytes.data(), bytes.size());

        std::vector<std::string> expected;
        const ResultCode expectedResult = ScanInFirstOrder(
            [](const char* line, void* context) { static_cast<std::vector<std::string>*>(context)->push_back(line); },
            &expected);
        ResultCode result = -1;
        const std::vector<std::string> lines = ListControls(&result);

        ASSERT_EQ(result, expectedResult) << "round " << round;
        ASSERT_EQ(lines, expected) << "round " << round;
        ASSERT_EQ(keystore::OpenHandleCount(), 0) << "round " << round;
        linesSeen += lines.size();
    }
    EXPECT_GT(linesSeen, 1000u) << "the random registries should hold controls";
    keystore::Clear();
}

}  // namespace scan_order_test
