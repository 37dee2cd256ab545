#include "ui/AccessKeys.h"

#include <vector>

#include "ui/TabOrder.h"

namespace bx::ui {

namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The buttons of `c` and below in reading order; the pages met on the way are kept for
// later when `pages` is given, else walked into.
void CollectButtons(const TControl& c, std::vector<const TButton*>& buttons, std::vector<const TTabSheet*>* pages) {
  if (auto* b = dynamic_cast<const TButton*>(&c)) buttons.push_back(b);
  for (const TControl* child : InReadingOrder(c.Children())) {
    if (auto* page = dynamic_cast<const TTabSheet*>(child); page && pages) {
      pages->push_back(page);
      continue;
    }
    CollectButtons(*child, buttons, pages);
  }
}

// The first letter of the caption not taken yet, now taken; 0 when every one is.
char FreeLetter(const std::string& caption, std::string& taken) {
  for (const char ch : caption) {
    const char c = Upper(ch);
    if (c < 'A' || c > 'Z' || taken.find(c) != std::string::npos) continue;
    taken += c;
    return c;
  }
  return 0;
}

void Assign(const std::vector<const TButton*>& buttons, std::string& taken, std::map<const TControl*, char>& out) {
  for (const TButton* b : buttons)
    if (const char letter = FreeLetter(b->Caption(), taken)) out[b] = letter;
}

}  // namespace

std::map<const TControl*, char> ChooseAccessKeys(const TControl& root) {
  std::map<const TControl*, char> keys;
  std::vector<const TButton*> outside;
  std::vector<const TTabSheet*> pages;
  CollectButtons(root, outside, &pages);
  std::string shared;
  Assign(outside, shared, keys);
  for (const TTabSheet* page : pages) {
    std::vector<const TButton*> buttons;
    CollectButtons(*page, buttons, nullptr);
    std::string taken = shared;
    Assign(buttons, taken, keys);
  }
  return keys;
}

std::string CaptionWithAccessKey(const std::string& caption, char letter) {
  std::string text;
  bool marked = letter == 0;
  for (const char ch : caption) {
    if (ch == '&') {
      text += "&&";
      continue;
    }
    if (!marked && Upper(ch) == Upper(letter)) {
      text += '&';
      marked = true;
    }
    text += ch;
  }
  return text;
}

}  // namespace bx::ui
