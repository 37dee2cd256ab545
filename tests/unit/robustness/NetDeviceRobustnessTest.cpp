// Device lines, "NET:" port names and the saved network list.
#include <gtest/gtest.h>

#include "../../../fuzz/drivers/NetDevice.h"
#include "Robustness.h"

namespace bx::test {
namespace {

TEST(NetDeviceRobustness, LinesNamesAndTheSavedList) { RunInputs("net_device", 2000, 21, fuzz::DriveNetDevice); }

}  // namespace
}  // namespace bx::test
