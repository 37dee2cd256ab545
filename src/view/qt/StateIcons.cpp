#include "view/qt/StateIcons.h"

#include <QPixmap>

#include "Resources.h"

namespace bx::view {

namespace {
constexpr int kSize = 16;

QIcon Both(const QPixmap& pm) {
  // A disabled legend list still shows its marks in colour.
  QIcon icon;
  icon.addPixmap(pm, QIcon::Normal);
  icon.addPixmap(pm, QIcon::Disabled);
  return icon;
}
}  // namespace

StateIcons::StateIcons(const ui::TImageList& list) {
  QPixmap empty(kSize, kSize);
  empty.fill(Qt::transparent);
  blank_ = Both(empty);
  for (const std::string& name : list.Images) {
    const std::string_view bytes = res::Find(name);
    QPixmap pm;
    if (bytes.empty() ||
        !pm.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<uint>(bytes.size()), "PNG"))
      pm = empty;
    icons_.push_back(Both(pm));
  }
}

const QIcon& StateIcons::At(int i) const {
  if (i < 0 || i >= static_cast<int>(icons_.size())) return blank_;
  return icons_[static_cast<std::size_t>(i)];
}

}  // namespace bx::view
