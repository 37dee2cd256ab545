// The pass-thru manifests and the adapter's driver answer with the archive it may hold.
#include <gtest/gtest.h>

#include "../../../fuzz/drivers/DriverAnswer.h"
#include "../../../fuzz/drivers/PassThruManifest.h"
#include "Robustness.h"

namespace bx::test {
namespace {

TEST(PassThruRobustness, ManifestsOfAnyText) { RunInputs("passthru_manifest", 2000, 51, fuzz::DrivePassThruManifest); }

TEST(PassThruRobustness, DriverAnswersAndTheirArchives) {
  RunInputs("driver_answer", 600, 52, fuzz::DriveDriverAnswer);
}

}  // namespace
}  // namespace bx::test
