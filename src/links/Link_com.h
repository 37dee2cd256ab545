#pragma once
// The serial link: one per watched driver family. All five serve the serial prefix, so
// every serial port is opened through the first of them; they differ in the source
// their scan reads.
#include <memory>

#include "links/Link_channel.h"
#include "links/PortSource.h"

namespace bx {

inline constexpr int kSerialScanIntervalMs = 1131;
inline constexpr int kSerialOpenAttempts = 2;
inline constexpr int kSerialRetryPauseMs = 8;

class TLink_COM final : public TLink_Channel {
 public:
  // `startScan` false leaves the scan to ScanOnce/WaitScan on the caller's thread.
  TLink_COM(std::string prefix, std::shared_ptr<PortSource> source, bool startScan = true);
  ~TLink_COM() override;

  bool OwnsPort(const std::string& name) const override;  // the prefix, or a port its source serves
  int LastOpenAttempts() const { return lastAttempts_.load(); }
  PortSource& source() const { return *source_; }
  const std::shared_ptr<PortSource>& SharedSource() const { return source_; }

 protected:
  bool LoadSource() override { return true; }
  int FillLists(PortLists& lists) override { return source_->Fill(lists); }
  std::unique_ptr<Stream> OpenDevice() override;
  std::optional<uint64_t> ReadWatchStamp() override { return source_->Stamp(); }

 private:
  std::shared_ptr<PortSource> source_;
  std::atomic<int> lastAttempts_{0};
};

}  // namespace bx
