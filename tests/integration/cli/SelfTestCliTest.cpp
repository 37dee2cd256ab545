// brevantix-cli selftest against the in-process demo adapter.
#include <gtest/gtest.h>

#include "support/Process.h"

namespace bx {
namespace {

using test::BinaryPath;
using test::RunProgram;

TEST(SelfTestCli, DemoTestPassesWithItsProgressOnOneLine) {
  test::TempHome home;
  auto r = RunProgram({BinaryPath("src/cli/brevantix-cli"), "--demo", "selftest"}, home.Env());
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_NE(r.out.find("RESULT : OK (No Errors)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Errors/Warnings: 0/0"), std::string::npos) << r.out;
  // The progress counter updates in place: one line, at its final value.
  std::size_t lines = 0;
  for (std::size_t p = r.out.find("Testing..."); p != std::string::npos; p = r.out.find("Testing...", p + 1)) ++lines;
  EXPECT_EQ(lines, 1u) << r.out;
  EXPECT_NE(r.out.find("Testing... 100%\n"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find('\r'), std::string::npos);
}

}  // namespace
}  // namespace bx
