// Firmware upload benchmark: a 256 KiB image in 256-byte pages to the simulated adapter
// over a pseudo-terminal, unthrottled and at the 115200-baud byte rate, each once with
// wake-on-data and once with plain 10 ms polling. Run by scripts/bench-upload.
//
// With --trace it times the same upload with and without a wire trace (the CLI's --trace:
// a file, the WiFi keys masked), the runs alternating (--repeat N times each), unthrottled
// and at 115200 baud: the trace must not slow the link down. Run by scripts/bench-trace.
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
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/Bytes.h"
#include "core/Sha256.h"
#include "firmware/Unitfwupdate.h"
#include "links/LinkTable.h"
#include "platform/Poller.h"
#include "platform/PtyMaster.h"
#include "platform/SerialDevice.h"
#include "platform/WaitEvent.h"
#include "program/Program.h"
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
              int pageSize = 256, int64_t limitMs = 300000, LinkTrace* trace = nullptr) {
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
  config.trace = trace;
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

// The floor under any upload over a pseudo-terminal: as many round trips, of the same
// sizes (the page frame one way, an acknowledgement and the next request the other), between
// two bare threads, one on each side, with no link, event loop or log. Seconds, or -1.
double PtyRoundTripSeconds(int pages, int pageSize) {
  auto master = PtyMaster::Open();
  if (!master) return -1;
  SerialOpenResult slave = SerialDevice::Open(master->SlavePath());
  if (!slave.device) return -1;
  const std::size_t up = static_cast<std::size_t>(pageSize) + 5, down = 7;
  WaitEvent stop(WaitEvent::Mode::ManualReset);
  std::thread program([&] {
    Stream& d = *slave.device;
    std::vector<char> buffer(up + down);
    const std::string frame(up, '@');
    for (int i = 0; i < pages; ++i) {
      for (std::size_t got = 0; got < down;) {
        if (d.WaitReadable(stop, 5000) != WaitResult::Ready) return;
        const long n = d.Read(buffer.data(), buffer.size());
        if (n < 0) return;
        got += static_cast<std::size_t>(n);
      }
      for (std::size_t sent = 0; sent < up;) {
        if (d.WaitWritable(stop, 5000) != WaitResult::Ready) return;
        const long n = d.Write(frame.data() + sent, up - sent);
        if (n < 0) return;
        sent += static_cast<std::size_t>(n);
      }
    }
  });
  WaitEvent waker(WaitEvent::Mode::AutoReset);
  std::vector<PollEntry> handles(1);
  bool ok = true;
  const auto t0 = Clock::now();
  for (int i = 0; i < pages && ok; ++i) {
    std::string pending(down, '.'), in;
    while (ok && (!pending.empty() || in.size() < up)) {
      handles[0] = {master->Handle(), true, !pending.empty()};
      bool woken = false;
      ok = PollHandles(handles, waker, std::chrono::seconds(5), woken) && !handles[0].hungUp;
      if (handles[0].writable) ok = ok && master->WritePending(pending);
      if (handles[0].readable) ok = ok && master->ReadAvailable(in);
      if (!handles[0].readable && !handles[0].writable) ok = false;  // five silent seconds
    }
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  stop.Set();
  program.join();
  return ok ? seconds : -1;
}

// The same image bytes in few large pages and in many small ones (--cut PAGESxSIZE, in
// turn, --repeat times): the whole run must not grow faster than the number of pages.
// Each cut is also timed as bare round trips over a pseudo-terminal (the floor), since the
// bootloader leads page by page and every page costs a round trip however small it is.
int PageScaling(std::vector<std::pair<int, int>> cutList, int repeat) {
  struct Cut {
    int pages, pageSize;
    std::vector<double> seconds, floor;
  };
  std::vector<Cut> cuts;
  for (const auto& [pages, size] : cutList) cuts.push_back({pages, size, {}, {}});
  std::printf(
      "Page-count scaling: unthrottled uploads to the simulator over a pseudo-terminal, wake-on-data,\n"
      "the cuts in turn, %d run(s) each; floor: as many bare round trips over a pseudo-terminal\n\n",
      repeat);
  std::printf("%-4s %7s %5s %10s %10s %9s %10s %9s\n", "run", "pages", "size", "bytes", "time s", "us/page", "floor s",
              "us/page");
  bool allOk = true;
  for (int k = 0; k < repeat; ++k) {
    for (Cut& c : cuts) {
      const Bytes file = MakeImage(static_cast<std::size_t>(c.pageSize) * static_cast<std::size_t>(c.pages));
      const std::string path = (std::filesystem::temp_directory_path() / "bx-bench-pages.rfw").string();
      std::ofstream(path, std::ios::binary) << file;
      const Result r = RunOne(path, file, 0, 0, true, c.pageSize, 900000);
      std::filesystem::remove(path);
      const double floor = PtyRoundTripSeconds(c.pages, c.pageSize);
      allOk = allOk && r.ok && r.pages == c.pages && floor > 0;
      c.seconds.push_back(r.seconds);
      c.floor.push_back(floor);
      std::printf("%-4d %7d %5d %10lld %10.3f %9.1f %10.3f %9.1f%s\n", k + 1, r.pages, c.pageSize,
                  static_cast<long long>(r.bytes), r.seconds, r.seconds * 1e6 / c.pages, floor, floor * 1e6 / c.pages,
                  r.ok ? "" : ("  FAILED: " + r.error).c_str());
      std::fflush(stdout);
    }
  }
  auto minOf = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
  std::printf("\n");
  for (const Cut& c : cuts)
    std::printf("%5d pages of %3d bytes: upload min %8.3f s, median %8.3f s; floor min %8.3f s, median %8.3f s\n",
                c.pages, c.pageSize, minOf(c.seconds), Median(c.seconds), minOf(c.floor), Median(c.floor));
  const Cut& first = cuts.front();
  for (std::size_t i = 1; i < cuts.size(); ++i) {
    const Cut& c = cuts[i];
    std::printf("%d x %d / %d x %d: upload %.2fx by the minima, %.2fx by the medians; floor %.2fx / %.2fx\n", c.pages,
                c.pageSize, first.pages, first.pageSize, minOf(c.seconds) / minOf(first.seconds),
                Median(c.seconds) / Median(first.seconds), minOf(c.floor) / minOf(first.floor),
                Median(c.floor) / Median(first.floor));
  }
  for (const Cut& c : cuts)
    std::printf("%5d pages: upload / floor = %.2fx by the medians\n", c.pages, Median(c.seconds) / Median(c.floor));
  return allOk ? 0 : 1;
}

struct Options {
  std::size_t kib = 256;
  int flashDelayMs = 0;
  int repeat = 1;
  bool scaling = false;
  bool trace = false;
  std::vector<std::pair<int, int>> cuts;
};

Options ParseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--page-scaling")
      o.scaling = true;
    else if (a == "--trace")
      o.trace = true;
    else if (a == "--kib" && hasValue)
      o.kib = static_cast<std::size_t>(std::atoi(argv[++i]));
    else if (a == "--flash-delay" && hasValue)
      o.flashDelayMs = std::atoi(argv[++i]);
    else if (a == "--repeat" && hasValue)
      o.repeat = std::max(1, std::atoi(argv[++i]));
    else if (a == "--cut" && hasValue) {
      int pages = 0, size = 0;
      if (std::sscanf(argv[++i], "%dx%d", &pages, &size) == 2 && pages > 0 && size > 0)
        o.cuts.emplace_back(pages, size);
    }
  }
  if (o.cuts.empty()) o.cuts = {{4096, 256}, {65535, 16}};
  return o;
}

struct Row {
  const char* label;
  int64_t rate;
  bool wake;
  Result r;
};

void PrintRow(const Row& row, std::size_t kib, int flashDelayMs) {
  const Result& r = row.r;
  const double kibps = r.seconds > 0 ? static_cast<double>(kib) / r.seconds : 0;
  std::printf("%-12s %-6s %6d %10lld %10.3f %7.1f ", row.label, row.wake ? "wake" : "poll", r.pages,
              static_cast<long long>(r.bytes), r.seconds, kibps);
  if (row.rate > 0) {
    const double wire = static_cast<double>(r.bytes) / static_cast<double>(row.rate) + r.pages * flashDelayMs / 1000.0;
    std::printf("%9.3f %12.3f ", wire, r.seconds / wire);
  } else {
    std::printf("%9s %12s ", "-", "-");
  }
  std::printf("%10.3f%s\n", r.medianLatencyMs, r.ok ? "" : ("  FAILED: " + r.error).c_str());
  std::fflush(stdout);
}

// The four standard runs: unthrottled and at 115200 baud, each with wake-on-data and with
// plain polling, and their ratios against each other and the wire limit.
int StandardRuns(const Options& o) {
  const Bytes file = MakeImage(o.kib * 1024);
  const std::string path = (std::filesystem::temp_directory_path() / "bx-bench-upload.rfw").string();
  std::ofstream(path, std::ios::binary) << file;
  std::vector<Row> rows = {{"unthrottled", 0, true, {}},
                           {"unthrottled", 0, false, {}},
                           {"115200 baud", 11520, true, {}},
                           {"115200 baud", 11520, false, {}}};
  std::printf("Upload of %zu KiB in 256-byte pages to the simulator over a pseudo-terminal, flash delay %d ms\n\n",
              o.kib, o.flashDelayMs);
  std::printf("%-12s %-6s %6s %10s %10s %7s %9s %12s %10s\n", "line", "pacing", "pages", "bytes", "time s", "KiB/s",
              "wire s", "time/wire", "lat med ms");
  bool allOk = true;
  for (Row& row : rows) {
    row.r = RunOne(path, file, row.rate, o.flashDelayMs, row.wake);
    allOk = allOk && row.r.ok;
    PrintRow(row, o.kib, o.flashDelayMs);
  }
  std::printf("\nper-page added latency (last request chunk in -> page frame written), median / 90th percentile:\n");
  for (const Row& row : rows)
    std::printf("  %-12s %-5s %8.3f ms / %8.3f ms\n", row.label, row.wake ? "wake" : "poll", row.r.medianLatencyMs,
                row.r.p90LatencyMs);
  if (rows[0].r.seconds > 0)
    std::printf("\nunthrottled: polling / wake-on-data = %.1fx (target at least 10x)\n",
                rows[1].r.seconds / rows[0].r.seconds);
  auto wire = [&](const Result& r) {
    return static_cast<double>(r.bytes) / 11520.0 + r.pages * o.flashDelayMs / 1000.0;
  };
  std::printf("115200 baud: wake-on-data / wire limit = %.3f (target at most 1.05), polling / wire limit = %.3f\n",
              rows[2].r.seconds / wire(rows[2].r), rows[3].r.seconds / wire(rows[3].r));
  std::filesystem::remove(path);
  return allOk ? 0 : 1;
}

// The upload with and without the wire trace, side by side: for each line rate the two
// alternate (--repeat times each), so that a change in the machine's load meets both.
int TraceOverhead(const Options& o) {
  const Bytes file = MakeImage(o.kib * 1024);
  const std::string folder = std::filesystem::temp_directory_path().string();
  const std::string path = folder + "/bx-bench-trace.rfw";
  const std::string tracePath = folder + "/bx-bench-upload.trace";
  std::ofstream(path, std::ios::binary) << file;
  std::printf(
      "Upload of %zu KiB in 256-byte pages to the simulator over a pseudo-terminal, wake-on-data, with and\n"
      "without the wire trace (a file, WiFi keys masked), alternating, %d run(s) each (unthrottled %d)\n\n",
      o.kib, o.repeat, 5 * o.repeat);
  std::printf("%-12s %-4s %-8s %10s %10s %8s %12s %14s\n", "line", "run", "trace", "time s", "KiB/s", "CPU s",
              "trace bytes", "untraced bytes");
  bool allOk = true;
  // An unthrottled upload takes a tenth of a second: five times the runs for its median.
  struct Rate {
    const char* label;
    int64_t rate;
    int runs;
    std::vector<double> plain, traced, plainCpu, tracedCpu;
  };
  // The CPU time of the whole process (the simulator, the link, the trace's writer) tells
  // the trace's cost also on a loaded machine, where the wall-clock time of a short run
  // is mostly waiting for a core.
  std::vector<Rate> rates = {{"unthrottled", 0, 5 * o.repeat, {}, {}, {}, {}},
                             {"115200 baud", 11520, o.repeat, {}, {}, {}, {}}};
  for (Rate& rate : rates) {
    for (int k = 0; k < rate.runs; ++k) {
      for (const bool traced : {false, true}) {
        std::string why;
        std::unique_ptr<TraceWriter> trace =
            traced ? OpenWireTrace(tracePath, false, "bench_upload --trace", why) : nullptr;
        if (traced && !trace) {
          std::printf("cannot write the trace %s: %s\n", tracePath.c_str(), why.c_str());
          return 1;
        }
        const std::clock_t cpu0 = std::clock();
        const Result r = RunOne(path, file, rate.rate, o.flashDelayMs, true, 256, 300000, trace.get());
        uint64_t untraced = 0;
        if (trace) {
          trace->Flush(10000);
          untraced = trace->UntracedBytes();
          trace.reset();
        }
        const double cpu = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
        (traced ? rate.tracedCpu : rate.plainCpu).push_back(cpu);
        const auto traceBytes = traced ? std::filesystem::file_size(tracePath) : 0;
        allOk = allOk && r.ok;
        (traced ? rate.traced : rate.plain).push_back(r.seconds);
        std::printf("%-12s %-4d %-8s %10.3f %10.1f %8.3f %12llu %14llu%s\n", rate.label, k + 1,
                    traced ? "traced" : "none", r.seconds, r.seconds > 0 ? static_cast<double>(o.kib) / r.seconds : 0.0,
                    cpu,
                    static_cast<unsigned long long>(traceBytes), static_cast<unsigned long long>(untraced),
                    r.ok ? "" : ("  FAILED: " + r.error).c_str());
        std::fflush(stdout);
      }
    }
  }
  std::printf("\n");
  for (const Rate& rate : rates) {
    const double plain = Median(rate.plain), traced = Median(rate.traced);
    std::printf("%-12s median without %.3f s, with the trace %.3f s: %+.1f %% (target under 5 %%)\n", rate.label,
                plain, traced, plain > 0 ? (traced / plain - 1) * 100 : 0.0);
    const double plainCpu = Median(rate.plainCpu), tracedCpu = Median(rate.tracedCpu);
    std::printf("%-12s CPU median without %.3f s, with the trace %.3f s: %+.1f %%\n", rate.label, plainCpu,
                tracedCpu, plainCpu > 0 ? (tracedCpu / plainCpu - 1) * 100 : 0.0);
  }
  std::filesystem::remove(path);
  std::filesystem::remove(tracePath);
  return allOk ? 0 : 1;
}

int Main(int argc, char** argv) {
  const Options o = ParseOptions(argc, argv);
  if (o.trace) return TraceOverhead(o);
  return o.scaling ? PageScaling(o.cuts, o.repeat) : StandardRuns(o);
}

}  // namespace
}  // namespace bx

int main(int argc, char** argv) { return bx::Main(argc, argv); }
