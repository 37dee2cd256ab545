#pragma once
// The rows a list view shows, kept by the view's owner: each item names its row by its
// Data tag, so a sort that moves the items leaves every row with its own item.
#include <cstdint>
#include <map>
#include <utility>

#include "ui/Controls.h"

namespace bx::ui {

template <typename Row>
class ItemRows {
 public:
  // A new item at the end of `view` for `row`; the owner shows the row in it.
  TListItem& Add(TListView& view, Row row) {
    TListItem& item = view.Add();
    item.Data = next_++;
    rows_[item.Data] = std::move(row);
    return item;
  }
  // The item's row; an empty one for an item its owner did not add.
  const Row& Of(const TListItem& item) const {
    static const Row kNone{};
    const auto it = rows_.find(item.Data);
    return it == rows_.end() ? kNone : it->second;
  }
  // The item's row to change; null for an item its owner did not add.
  Row* Find(const TListItem& item) {
    const auto it = rows_.find(item.Data);
    return it == rows_.end() ? nullptr : &it->second;
  }
  // The row of an item that goes (by the item's Data, read before it went).
  void Erase(std::uint64_t data) { rows_.erase(data); }
  void Clear() { rows_.clear(); }

 private:
  std::map<std::uint64_t, Row> rows_;
  std::uint64_t next_ = 1;
};

}  // namespace bx::ui
