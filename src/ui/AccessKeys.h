#pragma once
// The Alt letters of a window's buttons. The buttons outside the pages show with every
// page: they take their letters first, in reading order; then each page's buttons, in
// reading order, take theirs from what those left, so no two buttons seen together share
// a letter (buttons on different pages may). A button takes the first letter of its
// caption that is not taken yet; one whose letters are all taken, or whose caption has
// none ("?", "..."), gets no letter. The letters are chosen once, from the captions the
// window is built with: a caption changed later (Run to Stop) keeps its button's letter.
#include <map>
#include <string>

#include "ui/Controls.h"

namespace bx::ui {

// The letter (upper case) of every button below `root` that gets one.
std::map<const TControl*, char> ChooseAccessKeys(const TControl& root);

// The caption as a native button shows it: every literal "&" doubled, and an "&" put
// before the first character that is `letter` in either case. Without the letter (0, or
// no longer in a changed caption) only the doubling.
std::string CaptionWithAccessKey(const std::string& caption, char letter);

}  // namespace bx::ui
