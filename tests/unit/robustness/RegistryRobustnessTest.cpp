// The settings store's readers: the REGEDIT4 export and the serial driver lists.
#include <gtest/gtest.h>

#include "../../../fuzz/drivers/RegistryExport.h"
#include "../../../fuzz/drivers/RegistryPorts.h"
#include "Robustness.h"

namespace bx::test {
namespace {

TEST(RegistryRobustness, ExportOfAnyNamesAndValues) {
  RunInputs("registry_export", 2000, 41, fuzz::DriveRegistryExport);
}

TEST(RegistryRobustness, DriverListsOfAnyContents) { RunInputs("registry_ports", 600, 42, fuzz::DriveRegistryPorts); }

}  // namespace
}  // namespace bx::test
