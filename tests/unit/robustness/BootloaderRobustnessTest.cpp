// The bootloader's messages and the updater that answers them.
#include <gtest/gtest.h>

#include "../../../fuzz/drivers/BootReply.h"
#include "../../../fuzz/drivers/Updater.h"
#include "Robustness.h"

namespace bx::test {
namespace {

TEST(BootloaderRobustness, MessagesOverAnyChunking) { RunInputs("boot_reply", 3000, 11, fuzz::DriveBootReply); }

TEST(BootloaderRobustness, UpdaterSendsOnlyWholePagesOfTheImage) { RunInputs("updater", 3000, 12, fuzz::DriveUpdater); }

}  // namespace
}  // namespace bx::test
