#include "platform/fake/MemoryRegistry.h"
#include "support/RegistryContract.h"

namespace bxtest {

struct MemoryRegistryMaker {
  std::unique_ptr<bx::Registry> Make() { return std::make_unique<bx::MemoryRegistry>(); }
};

}  // namespace bxtest

INSTANTIATE_TYPED_TEST_SUITE_P(MemoryRegistry, RegistryContract, ::testing::Types<bxtest::MemoryRegistryMaker>);

namespace {

using bx::Hive;

TEST(MemoryRegistry, FailingWritesThrowTheUsersMessageAndChangeNothing) {
  bx::MemoryRegistry r;
  r.FailWrites(Hive::LocalMachine, "path");
  r.WriteString(Hive::CurrentUser, "S", "Path", "/usr/bin/x");
  EXPECT_THAT([&] { r.WriteString(Hive::LocalMachine, "S", "Path", "/usr/bin/x"); },
              ::testing::ThrowsMessage<bx::RegistryError>(::testing::StrEq("Failed to set data for 'Path'")));
  EXPECT_FALSE(r.KeyExists(Hive::LocalMachine, "S"));
  r.FailWrites(Hive::CurrentUser, "*");
  EXPECT_THROW(r.WriteInteger(Hive::CurrentUser, "S", "Other", 1), bx::RegistryError);
  r.ClearFailures();
  r.WriteInteger(Hive::CurrentUser, "S", "Other", 1);
  EXPECT_EQ(r.WriteCount(), 2);
}

}  // namespace
