#pragma once
// The rules every LibraryLoader keeps, as a typed test suite that the in-memory fake and
// the platform's loader both run.
//
// Use: a maker type with `std::unique_ptr<bx::LibraryLoader> Make()`, `std::string
// Library()` (a library exporting PassThruOpen and PassThruClose) and `std::string
// NotALibrary()` (a path the loader must refuse), then:
//   INSTANTIATE_TYPED_TEST_SUITE_P(Fake, LibraryContract, ::testing::Types<FakeMaker>);
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/Library.h"

template <class Maker>
class LibraryContract : public ::testing::Test {
 protected:
  Maker maker;
  std::unique_ptr<bx::LibraryLoader> loader = maker.Make();
};

TYPED_TEST_SUITE_P(LibraryContract);

TYPED_TEST_P(LibraryContract, ExportsAreFoundByNameAndOthersAreNot) {
  std::string error;
  auto lib = this->loader->Load(this->maker.Library(), error);
  ASSERT_NE(lib, nullptr) << error;
  EXPECT_NE(lib->Symbol("PassThruOpen"), nullptr);
  EXPECT_NE(lib->Symbol("PassThruClose"), lib->Symbol("PassThruOpen"));
  EXPECT_EQ(lib->Symbol("PassThruNoSuchCall"), nullptr);
  EXPECT_EQ(lib->Symbol(""), nullptr);
}

TYPED_TEST_P(LibraryContract, WhatCannotBeLoadedIsRefusedWithAReason) {
  for (const std::string& path : {this->maker.NotALibrary(), std::string("/nonexistent/libnone.so"), std::string()}) {
    std::string error;
    EXPECT_EQ(this->loader->Load(path, error), nullptr) << path;
    EXPECT_FALSE(error.empty()) << path;
  }
}

TYPED_TEST_P(LibraryContract, TwoLoadsAreTwoHandlesEachUnloadingItsOwn) {
  std::string error;
  auto first = this->loader->Load(this->maker.Library(), error);
  auto second = this->loader->Load(this->maker.Library(), error);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  void* open = first->Symbol("PassThruOpen");
  first.reset();
  EXPECT_EQ(second->Symbol("PassThruOpen"), open);
}

REGISTER_TYPED_TEST_SUITE_P(LibraryContract, ExportsAreFoundByNameAndOthersAreNot,
                            WhatCannotBeLoadedIsRefusedWithAReason, TwoLoadsAreTwoHandlesEachUnloadingItsOwn);
