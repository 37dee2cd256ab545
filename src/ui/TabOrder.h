#pragma once
// The order Tab walks the controls of one parent: the reading order of their places.
// A control comes after one above it in the same column (they share some width) and
// after one to its left on the same line (they share some height). Of those free to
// come next, Tab goes on along the line of the control just walked, else down its
// column, else to the highest, leftmost one. So a check box declared last but standing
// at the top of its group is met second, and a column of buttons is walked to its end
// before the log pane beside it.
#include <vector>

#include "ui/Controls.h"

namespace bx::ui {

std::vector<TControl*> InReadingOrder(const std::vector<TControl*>& siblings);

}  // namespace bx::ui
