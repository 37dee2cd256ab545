// The buttons' Alt letters both windows show: who takes which letter on a page, and how a
// caption carries it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/FormFixture.h"
#include "ui/AccessKeys.h"
#include "ui/Controls.h"

namespace bx::ui {
namespace {

// A window of buttons: some outside the pages, the rest on the pages of one page control.
// The buttons of a group stand in a row, in the order given unless `upward` puts them in a
// column from the bottom up (the last given is then read first).
struct Window {
  TPanel root{"root", nullptr};
  TPageControl pages{"pages", &root};
  std::vector<std::unique_ptr<TControl>> owned;

  std::vector<TButton*> Row(TControl& parent, const std::vector<std::string>& captions, bool upward) {
    std::vector<TButton*> row;
    const int n = static_cast<int>(captions.size());
    for (int i = 0; i < n; ++i) {
      auto b = std::make_unique<TButton>("b" + std::to_string(owned.size()), &parent, captions[i]);
      if (upward)
        b->SetBounds(0, (n - 1 - i) * 30, 90, 24);
      else
        b->SetBounds(i * 100, 0, 90, 24);
      row.push_back(b.get());
      owned.push_back(std::move(b));
    }
    return row;
  }
  TControl& Page() {
    owned.push_back(std::make_unique<TTabSheet>("p" + std::to_string(owned.size()), &pages, "page"));
    return *owned.back();
  }
  TControl& Group(TControl& parent) {
    owned.push_back(std::make_unique<TGroupBox>("g" + std::to_string(owned.size()), &parent, "group"));
    owned.back()->SetBounds(0, 200, 400, 100);
    return *owned.back();
  }
};

// The letters of a row of buttons as one string, "-" for a button without one.
std::string Letters(const std::map<const TControl*, char>& keys, const std::vector<TButton*>& row) {
  std::string s;
  for (const TButton* b : row) {
    const auto it = keys.find(b);
    s += it == keys.end() ? '-' : it->second;
  }
  return s;
}

TEST(AccessKeys, OutsideFirstThenEachPageInReadingOrderWithoutCollisions) {
  struct Case {
    const char* name;
    std::vector<std::string> outside;
    std::vector<std::vector<std::string>> pages;
    bool upward;
    std::string outsideWant;
    std::vector<std::string> pagesWant;
  };
  const Case cases[] = {
      {"a taken first letter passes to the next free one",
       {"Connect"},
       {{"Search", "Select", "Hide"}},
       false,
       "C",
       {"SEH"}},
      {"pages may repeat each other's letters, never those outside",
       {"Stop"},
       {{"Read", "Save"}, {"Read", "Save"}},
       false,
       "S",
       {"RA", "RA"}},
      {"a caption whose letters are all taken, or that has none, gets no letter",
       {"Ab"},
       {{"Ba", "?", "...", "ab", "A1"}},
       false,
       "A",
       {"B----"}},
      {"a literal & is no letter, and case does not matter", {}, {{"run", "R&D", "&"}}, false, "", {"RD-"}},
      {"reading order, not declaration order, decides", {"Run", "Rescan"}, {{"Save", "Scan"}}, true, "UR", {"AS"}},
      {"no pages: the buttons outside alone", {"Open", "Close", "Copy"}, {}, false, "OCP", {}},
  };
  for (const Case& c : cases) {
    Window w;
    w.pages.SetBounds(0, 100, 600, 300);
    const std::vector<TButton*> outside = w.Row(w.root, c.outside, c.upward);
    for (TButton* b : outside) b->SetBounds(b->Left(), b->Top() + 500, b->Width(), b->Height());  // below the pages
    std::vector<std::vector<TButton*>> pages;
    for (const auto& captions : c.pages) pages.push_back(w.Row(w.Page(), captions, c.upward));
    const auto keys = ChooseAccessKeys(w.root);
    EXPECT_EQ(Letters(keys, outside), c.outsideWant) << c.name;
    for (std::size_t p = 0; p < pages.size(); ++p) EXPECT_EQ(Letters(keys, pages[p]), c.pagesWant[p]) << c.name;
  }
}

// A button inside a group counts where the group stands: on its page, or outside the pages.
TEST(AccessKeys, ButtonsInGroupsBelongToTheirGroupsPlace) {
  Window w;
  TControl& page = w.Page();
  const auto onPage = w.Row(w.Group(page), {"Save"}, false);
  const auto outside = w.Row(w.Group(w.root), {"Send"}, false);
  const auto keys = ChooseAccessKeys(w.root);
  EXPECT_EQ(Letters(keys, outside), "S");
  EXPECT_EQ(Letters(keys, onPage), "A");
}

TEST(AccessKeys, CaptionCarriesTheLetterAndDoublesLiteralAmpersands) {
  struct Case {
    const char* caption;
    char letter;
    const char* want;
  };
  const Case cases[] = {
      {"Search", 'S', "&Search"},
      {"Copy to Buffer", 'T', "Copy &to Buffer"},
      {"abc", 'B', "a&bc"},        // the letter is upper case, the caption keeps its own case
      {"Stop", 'S', "&Stop"},      // a caption changed from "Search" keeps the letter
      {"Run", 'S', "Run"},         // a changed caption without the letter shows none
      {"R&D", 'D', "R&&&D"},       // the literal "&" doubled, the letter marked after it
      {"A & B", 0, "A && B"},      // no letter: only the doubling
      {"Rescan", 'E', "R&escan"},  // the first occurrence only
      {"", 'X', ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CaptionWithAccessKey(c.caption, c.letter), c.want) << c.caption;
}

// The main window as both views show it: on every page a letter is met once at most, the
// buttons outside the pages included, and the Settings page's Copy to Buffer has one.
TEST(AccessKeys, TheMainWindowsPagesHaveDistinctLetters) {
  test::FormWorld world;
  TfrmMain& f = world.Start();
  const auto keys = ChooseAccessKeys(f);
  for (TTabSheet* page : f.pcOptions.Pages()) {
    std::map<char, std::string> seen;
    std::vector<const TControl*> walk{&f};
    while (!walk.empty()) {
      const TControl* c = walk.back();
      walk.pop_back();
      if (const auto it = keys.find(c); it != keys.end()) {
        const auto [at, fresh] = seen.emplace(it->second, c->Name());
        EXPECT_TRUE(fresh) << page->Name() << ": " << c->Name() << " and " << at->second << " share " << it->second;
      }
      for (const TControl* child : c->Children())
        if (!dynamic_cast<const TTabSheet*>(child) || child == page) walk.push_back(child);
    }
  }
  EXPECT_TRUE(keys.count(&f.btCopy));
  EXPECT_EQ(keys.count(&f.btModeFile), 0u);  // "..."
}

}  // namespace
}  // namespace bx::ui
