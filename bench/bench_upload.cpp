// Firmware upload benchmark: a 256 KiB image in 256-byte pages to the simulated adapter
// over a pseudo-terminal, unthrottled and at the 115200-baud byte rate, each once with
// wake-on-data and once with plain 10 ms polling. Run by scripts/bench-upload.
//
// With --page-scaling it compares instead the same 1 MiB image cut into 4,096 pages of
// 256 bytes and into 65,535 pages of 16 bytes, unthrottled, the two runs alternating
// (--repeat N times each): an upload's cost must grow with its pages, not with the
// square of its log. Run by scripts/bench-page-scaling.
//
// The protocol is stop-and-wait, so the wire limit of a run is every byte of both
// directions divided by the byte rate, plus the simulator's flash-write delay per page.
// The added latency of a page is the time from the arrival of the last chunk before the
// page frame (the one that completed the request) to the updater's Write of the frame.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "core/Bytes.h"
#include "core/Sha256.h"
#include "firmware/Unitfwupdate.h"
#include "links/LinkTable.h"
#include "sim/SimPty.h"
#include "ui/Controls.h"
#include "ui/EventLoop.h"

namespace bx {
namespace {

using Clock = std::chrono::steady_clock;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// Passes everything through to the real link and counts and times what goes by.
class MeasuringLink : public Link {
 public:
  explicit MeasuringLink(Link& inner) : inner_(inner) {
    inner_.SetDataNotify([this] {
      lastArrivalNs_.store(NowNs());
      std::lock_guard g(mu_);
      if (notify_) notify_();
    });
  }
  ~MeasuringLink() override { inner_.SetDataNotify({}); }

  const std::string& PortName() const override { return inner_.PortName(); }
  void SetPortName(const std::string& name) override { inner_.SetPortName(name); }
  bool OwnsPort(const std::string& name) const override { return inner_.OwnsPort(name); }
  bool Open() override { return inner_.Open(); }
  bool Close() override { return inner_.Close(); }
  bool IsOpen() const override { return inner_.IsOpen(); }
  bool Write(const Bytes& text) override {
    if (text.size() > 3 && text[0] == '@') latenciesNs.push_back(NowNs() - lastArrivalNs_.load());
    txBytes += static_cast<int64_t>(text.size());
    return inner_.Write(text);
  }
  int PendingWrite() const override { return inner_.PendingWrite(); }
  int BytesAvailable() const override { return inner_.BytesAvailable(); }
  bool ReadAvailable(Bytes& out) override {
    const bool ok = inner_.ReadAvailable(out);
    rxBytes += static_cast<int64_t>(out.size());
    return ok;
  }
  bool ReadUntil(Bytes& text, int timeoutMs) override { return inner_.ReadUntil(text, timeoutMs); }
  bool HungUp() const override { return inner_.HungUp(); }
  void SetDataNotify(std::function<void()> notify) override {
    std::lock_guard g(mu_);
    notify_ = std::move(notify);
  }

  int64_t txBytes = 0, rxBytes = 0;
  std::vector<int64_t> latenciesNs;

 private:
  Link& inner_;
  std::atomic<int64_t> lastArrivalNs_{0};
  std::mutex mu_;
  std::function<void()> notify_;
};

struct Result {
  bool ok = false;
  double seconds = 0;
  int64_t bytes = 0;  // both directions
  int pages = 0;
  double medianLatencyMs = 0, p90LatencyMs = 0;
  std::string error;
};

Bytes MakeImage(std::size_t imageBytes) {
  Bytes file(80 + imageBytes, '\0');
  uint32_t x = 12345;
  for (auto& c : file) {
    x = x * 1664525u + 1013904223u;
    c = static_cast<char>(x >> 24);
  }
  return file;
}

double Percentile(std::vector<int64_t> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return static_cast<double>(v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))]) / 1e6;
}

Result RunOne(const std::string& path, const Bytes& file, int64_t byteRate, int flashDelayMs, bool wake,
              int pageSize = 256, int64_t limitMs = 300000) {
  Result r;
  sim::Scenario s;
  s.pageSize = pageSize;
  s.byteRate = byteRate;
  s.flashDelayMs = flashDelayMs;
  sim::PtyAdapter pty(s);
  pty.adapter().With([](sim::AdapterModel& m) { m.bootloader = true; });  // already in its bootloader
  std::string error;
  if (!pty.Start(&error)) {
    r.error = "simulator: " + error;
    return r;
  }
  LinkConfig config;
  config.sysRoot = "/nonexistent-sysfs";
  config.scanThreads = false;
  config.virtualPorts = {{pty.SlavePath(), "bench", ""}};
  auto links = LinksCreate(config);
  TLink_Channel* channel = links->FindLinkForPort(pty.SlavePath());
  if (!channel) {
    r.error = "no link for " + pty.SlavePath();
    return r;
  }
  channel->SetPortName(pty.SlavePath());
  if (!channel->Open()) {
    r.error = "cannot open " + pty.SlavePath();
    return r;
  }
  {
    ui::RealEventLoop loop;
    ui::EventLoop::SetCurrent(&loop);
    MeasuringLink link(*channel);
    ui::TProgressBar progress("pbUpdateProgress", nullptr);
    ui::TEdit status("edUpdateSatus", nullptr);
    ui::TMemo memo("memUpdate", nullptr);
    FirmwareUpdater updater;
    updater.SetWakeOnData(wake);
    const auto t0 = Clock::now();
    if (!updater.Start({}, link, path, progress, status, memo, false)) {
      r.error = "the updater did not start";
    } else {
      loop.Run([&] { return !updater.IsRunning(); }, limitMs);
      r.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
      if (updater.IsRunning()) updater.Cancel();
    }
    ui::EventLoop::SetCurrent(nullptr);
    r.bytes = link.txBytes + link.rxBytes;
    r.pages = updater.PageCount();
    r.medianLatencyMs = Percentile(link.latenciesNs, 0.5);
    r.p90LatencyMs = Percentile(link.latenciesNs, 0.9);
    const auto stored = pty.adapter().Stored();
    const auto page = static_cast<std::size_t>(pageSize);
    const std::size_t whole = (file.size() - 80) / page * page;
    if (status.Text() != "Updating firmware : Ok")
      r.error = "ended with \"" + status.Text() + "\"";
    else if (!stored || stored->sha256 != Sha256Hex(std::string_view(file).substr(80, whole)))
      r.error = "the stored image differs from the file's pages";
    else
      r.ok = true;
  }
  channel->Close();
  links.reset();
  pty.Stop();
  return r;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The same image bytes in few large pages and in many small ones: a page costs the same
// few messages and log lines whatever the page count, so the small pages may cost more per
// byte, but the whole run must not grow faster than the number of pages.
int PageScaling(int repeat) {
  struct Cut {
    int pageSize;
    int pages;
    std::vector<double> seconds;
  };
  std::vector<Cut> cuts = {{256, 4096, {}}, {16, 65535, {}}};
  std::printf(
      "Page-count scaling: unthrottled uploads to the simulator over a pseudo-terminal, wake-on-data,\n"
      "the two cuts alternating, %d run(s) each\n\n",
      repeat);
  std::printf("%-6s %8s %6s %10s %10s\n", "run", "pages", "size", "bytes", "time s");
  bool allOk = true;
  for (int k = 0; k < repeat; ++k) {
    for (Cut& c : cuts) {
      const Bytes file = MakeImage(static_cast<std::size_t>(c.pageSize) * static_cast<std::size_t>(c.pages));
      const std::string path = (std::filesystem::temp_directory_path() / "bx-bench-pages.rfw").string();
      std::ofstream(path, std::ios::binary) << file;
      const Result r = RunOne(path, file, 0, 0, true, c.pageSize, 900000);
      std::filesystem::remove(path);
      allOk = allOk && r.ok && r.pages == c.pages;
      c.seconds.push_back(r.seconds);
      std::printf("%-6d %8d %6d %10lld %10.3f%s\n", k + 1, r.pages, c.pageSize, static_cast<long long>(r.bytes),
                  r.seconds, r.ok ? "" : ("  FAILED: " + r.error).c_str());
      std::fflush(stdout);
    }
  }
  std::printf("\n");
  for (const Cut& c : cuts)
    std::printf("%5d pages of %3d bytes: min %8.3f s, median %8.3f s\n", c.pages, c.pageSize,
                *std::min_element(c.seconds.begin(), c.seconds.end()), Median(c.seconds));
  const auto& big = cuts[0].seconds;
  const auto& small = cuts[1].seconds;
  std::printf("65,535 x 16 / 4,096 x 256 = %.2fx by the minima, %.2fx by the medians (target at most 2x)\n",
              *std::min_element(small.begin(), small.end()) / *std::min_element(big.begin(), big.end()),
              Median(small) / Median(big));
  return allOk ? 0 : 1;
}

int Main(int argc, char** argv) {
  std::size_t kib = 256;
  int flashDelayMs = 0;
  int repeat = 1;
  bool scaling = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--page-scaling")
      scaling = true;
    else if (a == "--kib" && hasValue)
      kib = static_cast<std::size_t>(std::atoi(argv[++i]));
    else if (a == "--flash-delay" && hasValue)
      flashDelayMs = std::atoi(argv[++i]);
    else if (a == "--repeat" && hasValue)
      repeat = std::max(1, std::atoi(argv[++i]));
  }
  if (scaling) return PageScaling(repeat);
  const Bytes file = MakeImage(kib * 1024);
  const std::string path = (std::filesystem::temp_directory_path() / "bx-bench-upload.rfw").string();
  std::ofstream(path, std::ios::binary) << file;

  struct Row {
    const char* label;
    int64_t rate;
    bool wake;
    Result r;
  };
  std::vector<Row> rows = {{"unthrottled", 0, true, {}},
                           {"unthrottled", 0, false, {}},
                           {"115200 baud", 11520, true, {}},
                           {"115200 baud", 11520, false, {}}};
  std::printf("Upload of %zu KiB in 256-byte pages to the simulator over a pseudo-terminal, flash delay %d ms\n\n", kib,
              flashDelayMs);
  std::printf("%-12s %-6s %6s %10s %10s %7s %9s %12s %10s\n", "line", "pacing", "pages", "bytes", "time s", "KiB/s",
              "wire s", "time/wire", "lat med ms");
  bool allOk = true;
  for (Row& row : rows) {
    row.r = RunOne(path, file, row.rate, flashDelayMs, row.wake);
    const Result& r = row.r;
    allOk = allOk && r.ok;
    const double kibps = r.seconds > 0 ? static_cast<double>(kib) / r.seconds : 0;
    std::printf("%-12s %-6s %6d %10lld %10.3f %7.1f ", row.label, row.wake ? "wake" : "poll", r.pages,
                static_cast<long long>(r.bytes), r.seconds, kibps);
    if (row.rate > 0) {
      const double wire =
          static_cast<double>(r.bytes) / static_cast<double>(row.rate) + r.pages * flashDelayMs / 1000.0;
      std::printf("%9.3f %12.3f ", wire, r.seconds / wire);
    } else {
      std::printf("%9s %12s ", "-", "-");
    }
    std::printf("%10.3f%s\n", r.medianLatencyMs, r.ok ? "" : ("  FAILED: " + r.error).c_str());
    std::fflush(stdout);
  }
  std::printf("\nper-page added latency (last request chunk in -> page frame written), median / 90th percentile:\n");
  for (const Row& row : rows)
    std::printf("  %-12s %-5s %8.3f ms / %8.3f ms\n", row.label, row.wake ? "wake" : "poll", row.r.medianLatencyMs,
                row.r.p90LatencyMs);
  if (rows[0].r.seconds > 0)
    std::printf("\nunthrottled: polling / wake-on-data = %.1fx (target at least 10x)\n",
                rows[1].r.seconds / rows[0].r.seconds);
  auto wire = [&](const Result& r) { return static_cast<double>(r.bytes) / 11520.0 + r.pages * flashDelayMs / 1000.0; };
  std::printf("115200 baud: wake-on-data / wire limit = %.3f (target at most 1.05), polling / wire limit = %.3f\n",
              rows[2].r.seconds / wire(rows[2].r), rows[3].r.seconds / wire(rows[3].r));
  std::filesystem::remove(path);
  return allOk ? 0 : 1;
}

}  // namespace
}  // namespace bx

int main(int argc, char** argv) { return bx::Main(argc, argv); }
