// Device lines, "NET:" port names, the saved network list and the search's answers.
#include <gtest/gtest.h>

#include "../../../fuzz/drivers/NetDevice.h"
#include "../../../fuzz/drivers/NetSearch.h"
#include "Robustness.h"

namespace bx::test {
namespace {

TEST(NetDeviceRobustness, LinesNamesAndTheSavedList) { RunInputs("net_device", 2000, 21, fuzz::DriveNetDevice); }

TEST(NetDeviceRobustness, SearchOfAnyAnswers) { RunInputs("net_search", 300, 22, fuzz::DriveNetSearch); }

}  // namespace
}  // namespace bx::test
