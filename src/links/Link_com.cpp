#include "links/Link_com.h"

#include <chrono>
#include <thread>

#include "platform/SerialDevice.h"

namespace bx {

TLink_COM::TLink_COM(std::string prefix, std::shared_ptr<PortSource> source, bool startScan)
    : TLink_Channel(std::move(prefix), kSerialScanIntervalMs, source->WatchKey(), nullptr), source_(std::move(source)) {
  if (startScan) Resume();
}

TLink_COM::~TLink_COM() { StopScan(); }

// A port handed in by the program (a pseudo-terminal outside /dev, say) is the serial
// link's too; a network name never is, even when it was handed in to be listed.
bool TLink_COM::OwnsPort(const std::string& name) const {
  if (StartsWith(name, "NET:")) return false;
  return TLink_Channel::OwnsPort(name) || source_->Owns(name);
}

static OpenError ErrorOf(SerialOpenStatus s) {
  switch (s) {
    case SerialOpenStatus::Ok:
      return OpenError::None;
    case SerialOpenStatus::Missing:
      return OpenError::Missing;
    case SerialOpenStatus::Busy:
      return OpenError::Busy;
    case SerialOpenStatus::Denied:
      return OpenError::Denied;
    case SerialOpenStatus::SetupFailed:
      return OpenError::SetupFailed;
  }
  return OpenError::Failed;
}

// A port that was just released (or a driver still settling after a plug) often opens
// on a second try; each failure is followed by a short pause.
std::unique_ptr<Stream> TLink_COM::OpenDevice() {
  const std::string path = SerialDevicePath(PortName());
  SerialOpenResult r;
  int attempts = 0;
  while (attempts < kSerialOpenAttempts) {
    ++attempts;
    r = SerialDevice::Open(path);
    if (r.device) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(kSerialRetryPauseMs));
  }
  lastAttempts_.store(attempts);
  SetOpenError(ErrorOf(r.status));
  return std::move(r.device);
}

}  // namespace bx
