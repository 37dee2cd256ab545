#include "ui/TabOrder.h"

#include <cstddef>

namespace bx::ui {

namespace {

struct Box {
  int left, top, right, bottom;
  explicit Box(const TControl& c)
      : left(c.Left()), top(c.Top()), right(c.Left() + c.Width()), bottom(c.Top() + c.Height()) {}
  bool SharesWidth(const Box& o) const { return left < o.right && o.left < right; }
  bool SharesHeight(const Box& o) const { return top < o.bottom && o.top < bottom; }
};

// a must be walked before b.
bool Before(const Box& a, const Box& b) {
  return (a.SharesWidth(b) && a.bottom <= b.top) || (a.SharesHeight(b) && a.right <= b.left);
}

// b stands on the line a starts: to its right, its top not much above a's. A tall pane
// beside a column of buttons is on the line of the first button only.
bool NextOnLine(const Box& a, const Box& b) {
  constexpr int kTopSlack = 8;
  return a.right <= b.left && b.top >= a.top - kTopSlack && b.top < a.bottom;
}

bool NextInColumn(const Box& a, const Box& b) { return a.SharesWidth(b) && a.bottom <= b.top; }

bool HigherThenLeft(const Box& a, const Box& b) { return a.top != b.top ? a.top < b.top : a.left < b.left; }

// Of the candidates, the one that best continues after `last` (nullptr: none walked yet).
std::size_t Choose(const std::vector<Box>& boxes, const std::vector<std::size_t>& candidates, const Box* last) {
  std::size_t best = candidates.front();
  int bestRank = 3;
  for (std::size_t i : candidates) {
    const Box& b = boxes[i];
    const int rank = !last ? 2 : NextOnLine(*last, b) ? 0 : NextInColumn(*last, b) ? 1 : 2;
    if (rank < bestRank || (rank == bestRank && HigherThenLeft(b, boxes[best]))) {
      best = i;
      bestRank = rank;
    }
  }
  return best;
}

}  // namespace

std::vector<TControl*> InReadingOrder(const std::vector<TControl*>& siblings) {
  const std::size_t n = siblings.size();
  std::vector<Box> boxes;
  for (const TControl* c : siblings) boxes.emplace_back(*c);
  std::vector<bool> placed(n, false);
  std::vector<TControl*> order;
  const Box* last = nullptr;
  while (order.size() < n) {
    std::vector<std::size_t> free, unplaced;
    for (std::size_t i = 0; i < n; ++i) {
      if (placed[i]) continue;
      unplaced.push_back(i);
      bool blocked = false;
      for (std::size_t j = 0; j < n && !blocked; ++j) blocked = !placed[j] && j != i && Before(boxes[j], boxes[i]);
      if (!blocked) free.push_back(i);
    }
    // Places that overlap both ways bind neither; should the rules ever form a ring, any
    // unplaced control may break it.
    const std::size_t next = Choose(boxes, free.empty() ? unplaced : free, last);
    placed[next] = true;
    order.push_back(siblings[next]);
    last = &boxes[next];
  }
  return order;
}

}  // namespace bx::ui
