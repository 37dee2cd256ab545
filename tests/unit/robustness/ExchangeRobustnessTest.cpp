// The adapter's replies: framing, the whole Search and the identity parser.
#include <gtest/gtest.h>

#include "../../../fuzz/drivers/Identity.h"
#include "../../../fuzz/drivers/ReplyFrame.h"
#include "../../../fuzz/drivers/Search.h"
#include "../../../fuzz/drivers/SelfTest.h"
#include "Robustness.h"

namespace bx::test {
namespace {

TEST(ExchangeRobustness, ReplyFramingOverAnyChunking) { RunInputs("reply_frame", 3000, 1, fuzz::DriveReplyFrame); }

TEST(ExchangeRobustness, SearchEndsWhateverTheAdapterSends) { RunInputs("search", 1000, 2, fuzz::DriveSearch); }

TEST(ExchangeRobustness, SelfTestLogOfAnyShape) { RunInputs("selftest", 1000, 5, fuzz::DriveSelfTest); }

TEST(ExchangeRobustness, IdentityParserOnAnyPaneText) { RunInputs("identity", 1000, 3, fuzz::DriveIdentity); }

TEST(ExchangeRobustness, ModeLineTestAgreesWithTheSimulator) {
  RunInputs("identity", 3000, 4, [](std::string_view input) {
    for (const std::string& line : SplitLines(input)) fuzz::CheckModeLine(line);
  });
}

}  // namespace
}  // namespace bx::test
