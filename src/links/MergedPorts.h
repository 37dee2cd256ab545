#pragma once
// Two port sources as one link's: the rows of the first, then those of the second. On
// Windows the last serial link lists its driver's devices and the ports the program
// hands in (a port named on the command line that no driver lists, such as one an
// emulator maps to a pseudo-terminal).
#include <memory>

#include "links/PortSource.h"

namespace bx {

class MergedPorts : public PortSource {
 public:
  MergedPorts(std::shared_ptr<PortSource> first, std::shared_ptr<PortSource> second)
      : first_(std::move(first)), second_(std::move(second)) {}

  std::string WatchKey() const override { return first_->WatchKey() + "; " + second_->WatchKey(); }
  // Changes when either changes; missing when either is, so that the link rebuilds on
  // every pass then, as it does for a single missing source.
  std::optional<uint64_t> Stamp() override;
  int Fill(PortLists& lists) override { return first_->Fill(lists) + second_->Fill(lists); }
  bool Owns(const std::string& name) const override { return first_->Owns(name) || second_->Owns(name); }

 private:
  std::shared_ptr<PortSource> first_, second_;
};

}  // namespace bx
