#pragma once
// Who hands out the link for a port: the window's link table (which also makes it the
// active link), a test's scripted link.
#include <string>

#include "links/Link.h"

namespace bx {

class LinkFinder {
 public:
  virtual ~LinkFinder() = default;
  // The link that serves `port`, or null when none does.
  virtual Link* FindLink(const std::string& port) = 0;
};

}  // namespace bx
