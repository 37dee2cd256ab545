// The loader contract on the fake and on dlopen with the in-tree library.
#include "platform/fake/FakeLibraries.h"
#include "support/LibraryContract.h"
#include "support/PassThruWorld.h"

namespace bx::test {
namespace {

long Stub(void*, unsigned long*) { return 0; }
long StubClose(unsigned long) { return 0; }

struct FakeMaker {
  std::unique_ptr<LibraryLoader> Make() {
    auto fake = std::make_unique<FakeLibraryLoader>();
    fake->Add(Library(), {{"PassThruOpen", reinterpret_cast<void*>(&Stub)},
                          {"PassThruClose", reinterpret_cast<void*>(&StubClose)}});
    return fake;
  }
  std::string Library() { return "/fake/libj2534.so"; }
  std::string NotALibrary() { return "/fake/readme.txt"; }
};

struct DlMaker {
  TempFolder folder;
  std::unique_ptr<LibraryLoader> Make() { return MakeLibraryLoader(); }
  std::string Library() { return kDemoLibrary; }
  std::string NotALibrary() { return folder.Write("readme.so", "not a library\n"); }
};

}  // namespace
}  // namespace bx::test

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, LibraryContract, ::testing::Types<bx::test::FakeMaker>);
INSTANTIATE_TYPED_TEST_SUITE_P(Dlopen, LibraryContract, ::testing::Types<bx::test::DlMaker>);
