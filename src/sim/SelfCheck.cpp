#include "sim/SelfCheck.h"

#include <chrono>

#include "core/Protocol.h"
#include "core/Sha256.h"
#include "platform/SerialDevice.h"
#include "platform/WaitEvent.h"
#include "sim/Bootloader.h"
#include "sim/SimPty.h"

namespace bx::sim {
namespace {

using namespace std::chrono;

// The port as the program's serial link opens it.
class Port {
 public:
  bool Open(const std::string& path) {
    auto opened = SerialDevice::Open(path);
    status_ = SerialOpenStatusText(opened.status);
    dev_ = std::move(opened.device);
    buf_.clear();
    return dev_ != nullptr;
  }
  const std::string& status() const { return status_; }
  void Close() { dev_.reset(); }
  bool Write(const std::string& s) {
    std::size_t done = 0;
    const auto end = steady_clock::now() + seconds(2);
    while (done < s.size() && steady_clock::now() < end) {
      const long n = dev_->Write(s.data() + done, s.size() - done);
      if (n < 0) return false;
      done += std::size_t(n);
      if (done < s.size()) dev_->WaitWritable(stop_, 10);
    }
    return done == s.size();
  }
  // Reads until `done(buffer)` holds or `ms` pass.
  template <typename Pred>
  bool ReadUntil(Pred done, int ms) {
    const auto end = steady_clock::now() + milliseconds(ms);
    while (!done(buf_)) {
      const auto left = duration_cast<milliseconds>(end - steady_clock::now()).count();
      if (left <= 0) return false;
      dev_->WaitReadable(stop_, int(left));
      if (!ReadAvailable()) return false;
    }
    return true;
  }
  std::string& buffer() { return buf_; }

 private:
  bool ReadAvailable() {
    char chunk[16384];
    for (;;) {
      const long n = dev_->Read(chunk, sizeof chunk);
      if (n < 0) return false;
      if (n == 0) return true;
      buf_.append(chunk, std::size_t(n));
    }
  }
  std::unique_ptr<SerialDevice> dev_;
  WaitEvent stop_{WaitEvent::Mode::ManualReset};
  std::string buf_, status_;
};

bool TakeFrame(Port& port, std::string& body) {
  auto complete = [](const std::string& b) {
    const auto open = b.find("\r\n");
    return open != std::string::npos && b.find("\r\n\r\n", open) != std::string::npos;
  };
  if (!port.ReadUntil(complete, 2000)) return false;
  std::string& b = port.buffer();
  const auto open = b.find("\r\n");
  const auto end = b.find("\r\n\r\n", open);
  body = b.substr(open + 2, end - open - 2);
  b.erase(0, end + 4);
  return true;
}

// One bootloader message: ">" "-" (1 byte), "." (3), "+" (2 + L); other bytes are skipped.
bool TakeMessage(Port& port, std::string& msg) {
  auto whole = [](std::string& b) {
    while (!b.empty() && b[0] != '>' && b[0] != '-' && b[0] != '.' && b[0] != '+') b.erase(0, 1);
    if (b.empty()) return false;
    if (b[0] == '.') return b.size() >= 3;
    if (b[0] == '+') return b.size() >= 2 && b.size() >= 2 + std::size_t(uint8_t(b[1]));
    return true;
  };
  if (!port.ReadUntil(whole, 2000)) return false;
  std::string& b = port.buffer();
  const std::size_t n = b[0] == '.' ? 3 : b[0] == '+' ? 2 + std::size_t(uint8_t(b[1])) : 1;
  msg = b.substr(0, n);
  b.erase(0, n);
  return true;
}

bool Upload(Port& port, const std::string& header, const std::string& image, std::string& report) {
  std::string msg;
  if (!port.Write("<") || !TakeMessage(port, msg) || msg[0] != '+') return false;
  std::string frame = "#";
  AppendLE16(frame, PageChecksum(header));
  if (!port.Write(frame + header) || !TakeMessage(port, msg) || msg[0] != '+' || msg.size() < 4) return false;
  const std::size_t pageSize = LE16(msg, 2);
  if (pageSize == 0) return false;
  const std::size_t pages = image.size() / pageSize;
  report += Format("bootloader: page size %zu, serial %s\n", pageSize, msg.substr(4, 8).c_str());
  for (int guard = 0; guard < 10000; ++guard) {
    if (!TakeMessage(port, msg)) return false;
    if (msg[0] == '.') {
      const std::size_t n = LE16(msg, 1);
      std::string f = "@";
      if (n >= pages) {
        AppendLE16(f, 0xFFFF);
      } else {
        const std::string page = image.substr(n * pageSize, pageSize);
        AppendLE16(f, uint16_t(n));
        AppendLE16(f, PageChecksum(page));
        f += page;
      }
      if (!port.Write(f)) return false;
    } else if (msg[0] == '+' && LE16(msg, 2) == 0xFFFF) {
      return true;
    } else if (msg[0] == '-') {
      report += "bootloader: page refused\n";
    }
  }
  return false;
}

}  // namespace

bool RunSelfCheck(std::string& report) {
  Scenario sc;
  sc.pageSize = 128;
  PtyAdapter sim(sc);
  std::string err;
  if (!sim.Start(&err)) {
    report += "start: " + err + "\n";
    return false;
  }
  report += "pty: " + sim.SlavePath() + "\n";
  Port port;
  if (!port.Open(sim.SlavePath())) {
    report += "open: " + port.status() + "\n";
    return false;
  }
  std::string body;
  if (!port.Write(std::string(proto::kCommandPrefix) + "I") || !TakeFrame(port, body) ||
      !Contains(body, "SN:" + sc.serial) || !Contains(body, "Selected Mode: ")) {
    report += "identity: no well-formed reply\n";
    return false;
  }
  report += "identity: " + std::to_string(SplitLines(body).size()) + " lines, SN:" + sc.serial + "\n";
  if (!port.Write(std::string(proto::kCommandPrefix) + "U") || !TakeFrame(port, body)) {
    report += "update: no reply\n";
    return false;
  }
  std::string header(80, '\0'), image;
  for (std::size_t i = 0; i < header.size(); ++i) header[i] = char(i * 7 + 1);
  for (int i = 0; i < 5 * 128 + 17; ++i) image += char((i * 31 + 5) & 0xFF);
  if (!Upload(port, header, image, report)) {
    report += "bootloader: upload failed\n";
    return false;
  }
  const std::string expected = Sha256Hex(image.substr(0, 5 * 128));
  const auto stored = sim.adapter().Stored();
  if (!stored || stored->sha256 != expected) {
    report += "bootloader: stored image differs\n";
    return false;
  }
  report += "bootloader: stored " + std::to_string(stored->image.size()) + " bytes, sha256 " + stored->sha256 + "\n";
  port.Close();
  if (!port.Open(sim.SlavePath()) || !port.Write(std::string(proto::kCommandPrefix) + "I") || !TakeFrame(port, body) ||
      !Contains(body, "SN:")) {
    report += "reopen: no reply\n";
    return false;
  }
  report += "reopen: identity again\n";
  port.Close();
  sim.Stop();
  return true;
}

}  // namespace bx::sim
