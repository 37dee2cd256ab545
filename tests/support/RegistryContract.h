#pragma once
// The rules every Registry implementation keeps, as a typed test suite: the in-memory
// fake and the persistent store both run it, so the fake cannot drift from the store.
//
// Use: a maker type with `std::unique_ptr<bx::Registry> Make()` (it may own a temporary
// folder; a maker for a store that folds the case of every letter of the code page, as
// the Windows registry does, and not of A-Z alone, says `static constexpr bool
// kFoldsEveryLetter = true;`; one for a store that may leave a key's time alone when a
// value is written again unchanged, as Wine does, says why in
// `static std::string RewriteKeepsTimeReason()`, "" where it does not; one for a store
// that cannot roll a transaction back says why in `static std::string NoRollbackReason()`),
// then in one test
// file of the program:
//   INSTANTIATE_TYPED_TEST_SUITE_P(MemoryRegistry, RegistryContract, ::testing::Types<MemoryRegistryMaker>);
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Registry.h"

template <class Maker>
class RegistryContract : public ::testing::Test {
 protected:
  static constexpr bx::Hive CU = bx::Hive::CurrentUser;
  static constexpr bx::Hive LM = bx::Hive::LocalMachine;
  Maker maker;
  std::unique_ptr<bx::Registry> reg = maker.Make();
  bx::Registry& r() { return *reg; }
  uint64_t Time(const std::string& path) { return reg->LastWriteTime(CU, path).value_or(0); }
};

TYPED_TEST_SUITE_P(RegistryContract);

template <class Maker>
std::string RewriteKeepsTimeReason() {
  if constexpr (requires { Maker::RewriteKeepsTimeReason(); })
    return Maker::RewriteKeepsTimeReason();
  else
    return "";
}

template <class Maker>
std::string NoRollbackReason() {
  if constexpr (requires { Maker::NoRollbackReason(); })
    return Maker::NoRollbackReason();
  else
    return "";
}

template <class Maker>
constexpr bool FoldsEveryLetter() {
  if constexpr (requires { Maker::kFoldsEveryLetter; })
    return Maker::kFoldsEveryLetter;
  else
    return false;
}

TYPED_TEST_P(RegistryContract, NamesIgnoreCaseOfAsciiLettersAndKeepFirstSpelling) {
  auto& r = this->r();
  r.WriteString(this->CU, "Software\\Acme", "Port", "one");
  r.WriteString(this->CU, "SOFTWARE\\ACME", "PORT", "two");
  r.WriteString(this->CU, "\\software\\\\acme\\", "\xC4x", "upper");  // only A-Z fold
  r.WriteString(this->CU, "software\\acme", "\xE4x", "lower");
  EXPECT_EQ(r.ReadString(this->CU, "sOfTwArE\\aCmE", "port"), "two");
  if constexpr (FoldsEveryLetter<TypeParam>()) {
    // The Windows registry: A-umlaut and a-umlaut of the ANSI code page are one name.
    EXPECT_THAT(r.ValueNames(this->CU, "software\\acme"), ::testing::ElementsAre("Port", "\xC4x"));
    EXPECT_EQ(r.ReadString(this->CU, "software\\acme", "\xC4x"), "lower");
  } else {
    EXPECT_THAT(r.ValueNames(this->CU, "software\\acme"), ::testing::ElementsAre("Port", "\xC4x", "\xE4x"));
  }
  EXPECT_THAT(r.SubKeys(this->CU, ""), ::testing::ElementsAre("Software"));
  EXPECT_THAT(r.SubKeys(this->CU, "SOFTWARE"), ::testing::ElementsAre("Acme"));
  EXPECT_TRUE(r.KeyExists(this->CU, "SOFTWARE\\acme"));
  EXPECT_FALSE(r.KeyExists(this->LM, "Software\\Acme"));  // hives are separate
  EXPECT_EQ(r.ReadString(this->LM, "Software\\Acme", "Port"), std::nullopt);
}

TYPED_TEST_P(RegistryContract, ValuesKeepTypeBytesAndDefault) {
  auto& r = this->r();
  const std::string bytes("a\0b\xff\r\n", 6);
  r.WriteString(this->CU, "K", "", "default");
  r.WriteString(this->CU, "K", "Bytes", bytes);
  r.WriteInteger(this->CU, "K", "Neg", -2);
  r.WriteInteger(this->CU, "K", "Max", INT32_MAX);
  EXPECT_EQ(r.ReadString(this->CU, "K", ""), "default");
  EXPECT_EQ(r.ReadString(this->CU, "K", "bytes"), bytes);
  EXPECT_EQ(r.ReadInteger(this->CU, "K", "NEG"), -2);
  EXPECT_EQ(r.ReadInteger(this->CU, "K", "Max"), INT32_MAX);
  EXPECT_EQ(r.ReadInteger(this->CU, "K", "Missing"), std::nullopt);
  EXPECT_EQ(r.ReadInteger(this->CU, "Missing\\Key", "Neg"), std::nullopt);
  r.WriteString(this->CU, "K", "Neg", "now text");  // a write replaces the type as well
  EXPECT_EQ(r.ReadValue(this->CU, "K", "Neg")->type, bx::RegValue::Type::String);
  EXPECT_THAT([&] { r.ReadInteger(this->CU, "K", "Neg"); },
              ::testing::ThrowsMessage<bx::RegistryError>(::testing::StrEq("Invalid data type for 'Neg'")));
  EXPECT_THAT([&] { r.ReadString(this->CU, "K", "max"); },
              ::testing::ThrowsMessage<bx::RegistryError>(::testing::StrEq("Invalid data type for 'max'")));
  EXPECT_TRUE(r.DeleteValue(this->CU, "k", ""));
  EXPECT_FALSE(r.DeleteValue(this->CU, "k", ""));
  EXPECT_THAT(r.ValueNames(this->CU, "K"), ::testing::ElementsAre("Bytes", "Max", "Neg"));
}

// Upper-case folding puts '_' (0x5F) after the letters; a lower-case fold would not.
TYPED_TEST_P(RegistryContract, EnumerationIsDirectChildrenInCaseInsensitiveOrder) {
  auto& r = this->r();
  for (const char* k : {"beta", "_x", "Gamma", "alpha2", "Alpha", "Alpha\\Deep"})
    r.CreateKey(this->CU, std::string("P\\") + k);
  for (const char* v : {"zeta", "_v", "Eta", "eta2"}) r.WriteInteger(this->CU, "P", v, 1);
  EXPECT_THAT(r.SubKeys(this->CU, "p"), ::testing::ElementsAre("Alpha", "alpha2", "beta", "Gamma", "_x"));
  EXPECT_THAT(r.ValueNames(this->CU, "p"), ::testing::ElementsAre("Eta", "eta2", "zeta", "_v"));
  EXPECT_TRUE(r.SubKeys(this->CU, "P\\Missing").empty());
  EXPECT_TRUE(r.ValueNames(this->CU, "P\\Missing").empty());
}

TYPED_TEST_P(RegistryContract, DeleteKeyRemovesTheSubtreeAndNothingBeside) {
  auto& r = this->r();
  r.WriteString(this->CU, "A\\B\\C", "v", "1");
  r.WriteString(this->CU, "A\\B", "v", "2");
  r.WriteString(this->CU, "A\\B2", "v", "3");  // shares the prefix "A\B"
  r.WriteString(this->CU, "A\\B.x", "v", "4");
  r.WriteString(this->LM, "A\\B", "v", "5");  // same path in the other hive
  EXPECT_TRUE(r.DeleteKey(this->CU, "a\\b"));
  EXPECT_FALSE(r.KeyExists(this->CU, "A\\B"));
  EXPECT_FALSE(r.KeyExists(this->CU, "A\\B\\C"));
  EXPECT_THAT(r.SubKeys(this->CU, "A"), ::testing::ElementsAre("B.x", "B2"));
  EXPECT_EQ(r.ReadString(this->CU, "A\\B2", "v"), "3");
  EXPECT_EQ(r.ReadString(this->LM, "A\\B", "v"), "5");
  EXPECT_FALSE(r.DeleteKey(this->CU, "A\\B"));
  EXPECT_FALSE(r.DeleteKey(this->CU, ""));  // the hive root stays
  r.CreateKey(this->CU, "A\\B");
  EXPECT_TRUE(r.ValueNames(this->CU, "A\\B").empty());  // a new key, not the old one back
  EXPECT_TRUE(r.SubKeys(this->CU, "A\\B").empty());
}

TYPED_TEST_P(RegistryContract, LastWriteTimeMovesOnChangesOfTheKeyOnly) {
  auto& r = this->r();
  EXPECT_EQ(r.LastWriteTime(this->CU, "S"), std::nullopt);
  ASSERT_TRUE(r.LastWriteTime(this->CU, "").has_value()) << "the hive root exists, so it has a time";
  const uint64_t root = this->Time("");
  r.WriteInteger(this->CU, "S\\Sub", "x", 1);
  uint64_t s = this->Time("S"), sub = this->Time("S\\Sub");
  ASSERT_GT(s, 0u);
  EXPECT_GT(this->Time(""), root) << "creating a top-level key touches the root";

  r.ReadInteger(this->CU, "S\\Sub", "x");
  r.ValueNames(this->CU, "S\\Sub");
  r.SubKeys(this->CU, "S");
  r.KeyExists(this->CU, "S\\Sub");
  r.CreateKey(this->CU, "S\\Sub");             // exists already
  r.WriteInteger(this->CU, "S\\Sub", "x", 2);  // a value of a subkey
  r.DeleteValue(this->CU, "S", "missing");
  EXPECT_EQ(this->Time("S"), s) << "reads and changes below must not touch the parent";
  EXPECT_GT(this->Time("S\\Sub"), sub);

  const auto moves = [&](const char* what, auto change) {
    const uint64_t before = this->Time("S");
    change();
    EXPECT_GT(this->Time("S"), before) << what;
  };
  moves("value write", [&] { r.WriteString(this->CU, "S", "v", "a"); });
  moves("value delete", [&] { r.DeleteValue(this->CU, "S", "V"); });
  moves("direct subkey", [&] { r.CreateKey(this->CU, "S\\New"); });
  moves("subkey delete", [&] { r.DeleteKey(this->CU, "S\\New"); });
  s = this->Time("S");
  r.CreateKey(this->CU, "S\\Sub\\Deeper");
  EXPECT_EQ(this->Time("S"), s) << "a grandchild is not a direct subkey";
}

// A writer that stores the same value again (a driver re-registering its port) still
// counts as a change for whoever compares times.
TYPED_TEST_P(RegistryContract, LastWriteTimeMovesOnARewriteOfTheSameValue) {
  if (const std::string why = RewriteKeepsTimeReason<TypeParam>(); !why.empty()) GTEST_SKIP() << why;
  auto& r = this->r();
  r.WriteString(this->CU, "S", "v", "a");
  const uint64_t before = this->Time("S");
  r.WriteString(this->CU, "S", "v", "a");
  EXPECT_GT(this->Time("S"), before);
}

// A read-merge-write in a transaction: what the body wrote is there afterwards, a nested
// transaction joins the outer one, and the body sees its own writes.
TYPED_TEST_P(RegistryContract, TransactionKeepsTheWritesOfItsBody) {
  auto& r = this->r();
  r.WriteString(this->CU, "T", "list", "a");
  int runs = 0;
  r.Transact([&] {
    ++runs;
    const std::string old = r.ReadString(this->CU, "T", "list").value_or("");
    r.WriteString(this->CU, "T", "list", old + "b");
    r.Transact([&] {
      EXPECT_EQ(r.ReadString(this->CU, "T", "list"), "ab");
      r.WriteInteger(this->LM, "T\\Sub", "n", 7);
      r.DeleteValue(this->CU, "T", "gone");
    });
  });
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(r.ReadString(this->CU, "T", "list"), "ab");
  EXPECT_EQ(r.ReadInteger(this->LM, "T\\Sub", "n"), 7);
}

// A body that fails half-way (a write refused, the program's own check) leaves every
// key and value as they were before it began, and its error reaches the caller.
TYPED_TEST_P(RegistryContract, TransactionWhoseBodyThrowsChangesNothing) {
  if (const std::string why = NoRollbackReason<TypeParam>(); !why.empty()) GTEST_SKIP() << why;
  auto& r = this->r();
  r.WriteString(this->CU, "T", "kept", "old");
  r.WriteString(this->LM, "T", "doomed", "here");
  EXPECT_THROW(r.Transact([&] {
    r.WriteString(this->CU, "T", "kept", "new");
    r.WriteString(this->CU, "T\\Fresh", "v", "x");
    r.DeleteValue(this->LM, "T", "doomed");
    r.Transact([&] { r.WriteInteger(this->CU, "T", "inner", 1); });
    throw bx::RegistryError("Failed to set data for 'late'");
  }),
               bx::RegistryError);
  EXPECT_EQ(r.ReadString(this->CU, "T", "kept"), "old");
  EXPECT_FALSE(r.KeyExists(this->CU, "T\\Fresh"));
  EXPECT_EQ(r.ReadString(this->LM, "T", "doomed"), "here");
  EXPECT_EQ(r.ReadInteger(this->CU, "T", "inner"), std::nullopt);
  r.WriteString(this->CU, "T", "after", "ok");  // the store is usable again
  EXPECT_EQ(r.ReadString(this->CU, "T", "after"), "ok");
}

REGISTER_TYPED_TEST_SUITE_P(RegistryContract, NamesIgnoreCaseOfAsciiLettersAndKeepFirstSpelling,
                            ValuesKeepTypeBytesAndDefault, EnumerationIsDirectChildrenInCaseInsensitiveOrder,
                            DeleteKeyRemovesTheSubtreeAndNothingBeside, LastWriteTimeMovesOnChangesOfTheKeyOnly,
                            LastWriteTimeMovesOnARewriteOfTheSameValue, TransactionKeepsTheWritesOfItsBody,
                            TransactionWhoseBodyThrowsChangesNothing);
