#pragma once
// The state images of an image list (ilIcons), by index, for the list views.
#include <QIcon>
#include <vector>

#include "ui/Controls.h"

namespace bx::view {

class StateIcons {
 public:
  StateIcons() = default;
  explicit StateIcons(const ui::TImageList& list);
  // The image at index i; an index without one gives a blank image of the same size,
  // so that captions stay in line whether a row carries a mark or not.
  const QIcon& At(int i) const;
  bool Empty() const { return icons_.empty(); }

 private:
  std::vector<QIcon> icons_;
  QIcon blank_;
};

}  // namespace bx::view
