// Batch flash benchmark: brevantix-cli uploads one image to N simulated adapters at once
// (each on its own pseudo-terminal, throttled to the 115200-baud byte rate), against the
// same upload to one adapter alone, side by side in every run. Reports the wall time of
// the whole CLI process for both, their ratio, and the batch's CPU time (user + system,
// from wait4) as a share of one core. Every adapter's stored image is checked against the
// file's pages. Run by scripts/bench-batch-flash.
//
// It also samples the CLI's threads while it runs and reports the most it had, per
// adapter. --adapters takes a comma-separated list of counts, each batch measured against
// the same single upload in every run.
//
//   bench_batch_flash [--adapters N[,N...]] [--kib K] [--runs R] [--rate BYTES_PER_S]
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "sim/SimPty.h"

extern char** environ;

namespace bx {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Options {
  std::vector<int> adapters = {8};
  int kib = 256;
  int runs = 3;
  int rate = 11520;  // 115200 baud, 8N1
};

struct Outcome {
  double wall = 0, cpu = 0;
  int threads = 0;  // the most the CLI had at once
  int exitCode = -1;
  bool identical = false;
};

std::string Cli() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return (self.parent_path().parent_path() / "src" / "cli" / "brevantix-cli").string();
}

// Runs the CLI with its output thrown away; wall time and the child's CPU time.
Outcome RunCli(const std::vector<std::string>& args, const std::string& home) {
  std::vector<std::string> env = {"XDG_CONFIG_HOME=" + home, "XDG_DATA_HOME=" + home, "HOME=" + home};
  for (char** e = environ; *e; ++e)
    if (std::string(*e).rfind("XDG_", 0) != 0 && std::string(*e).rfind("HOME=", 0) != 0) env.emplace_back(*e);
  std::vector<char*> argv, envp;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", 01, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", 01, 0);
  Outcome o;
  const auto start = Clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), envp.data()) != 0) return o;
  int status = 0;
  rusage ru{};
  // Every 20 ms until it ends: how many threads it has.
  const std::string task = "/proc/" + std::to_string(pid) + "/task";
  while (wait4(pid, &status, WNOHANG, &ru) == 0) {
    std::error_code ec;
    int n = 0;
    for (fs::directory_iterator it(task, ec), end; !ec && it != end; it.increment(ec)) ++n;
    o.threads = std::max(o.threads, n);
    usleep(20000);
  }
  o.wall = std::chrono::duration<double>(Clock::now() - start).count();
  o.cpu = double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
  o.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  posix_spawn_file_actions_destroy(&fa);
  return o;
}

// Starts `n` adapters, flashes them with one CLI process and checks what they stored.
Outcome Flash(int n, const Options& opt, const std::string& file, const Bytes& pages, const std::string& home) {
  std::vector<std::unique_ptr<sim::PtyAdapter>> sims;
  std::vector<std::string> args = {Cli()};
  for (int i = 0; i < n; ++i) {
    sim::Scenario s;
    s.serial = "BXB" + std::to_string(10000 + i);
    s.byteRate = opt.rate;
    s.promptDelayMs = 100;
    sims.push_back(std::make_unique<sim::PtyAdapter>(s));
    if (!sims.back()->Start()) return {};
    args.insert(args.end(), {"--port", sims.back()->SlavePath()});
  }
  args.insert(args.end(), {"flash", file});
  Outcome o = RunCli(args, home);
  o.identical = true;
  for (auto& s : sims) {
    const auto stored = s->adapter().Stored();
    o.identical = o.identical && stored && stored->image == pages;
    s->Stop();
  }
  return o;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

int Run(const Options& opt) {
  const fs::path dir = fs::temp_directory_path() / ("bx-bench-batch-" + std::to_string(getpid()));
  fs::create_directories(dir);
  Bytes file(80 + std::size_t(opt.kib) * 1024, '\0');
  for (std::size_t i = 0; i < file.size(); ++i) file[i] = char((i * 131 + i / 256) & 0xFF);
  const std::string path = (dir / "image.rfw").string();
  std::ofstream(path, std::ios::binary).write(file.data(), std::streamsize(file.size()));
  std::printf("%d KiB image, %d bytes/s each way, %d runs\n", opt.kib, opt.rate, opt.runs);
  std::printf(
      "run  adapters  alone wall s  batch wall s  batch/alone  batch cpu s  cpu %% of one core  threads  "
      "threads/adapter  exit  identical\n");
  struct Series {
    std::vector<double> ratio, share, perAdapter;
  };
  std::vector<Series> series(opt.adapters.size());
  bool ok = true;
  for (int r = 0; r < opt.runs; ++r) {
    const Outcome alone = Flash(1, opt, path, file.substr(80), (dir / "home").string());
    for (std::size_t k = 0; k < opt.adapters.size(); ++k) {
      const int n = opt.adapters[k];
      const Outcome batch = Flash(n, opt, path, file.substr(80), (dir / "home").string());
      Series& s = series[k];
      s.ratio.push_back(batch.wall / alone.wall);
      s.share.push_back(100.0 * batch.cpu / batch.wall);
      s.perAdapter.push_back(double(batch.threads) / n);
      ok = ok && alone.exitCode == 0 && batch.exitCode == 0 && alone.identical && batch.identical;
      std::printf("%3d  %8d  %12.2f  %12.2f  %11.3f  %11.2f  %17.1f  %7d  %15.2f  %d/%d  %s\n", r + 1, n, alone.wall,
                  batch.wall, s.ratio.back(), batch.cpu, s.share.back(), batch.threads, s.perAdapter.back(),
                  alone.exitCode, batch.exitCode, alone.identical && batch.identical ? "yes" : "NO");
      std::fflush(stdout);
    }
  }
  for (std::size_t k = 0; k < opt.adapters.size(); ++k) {
    const Series& s = series[k];
    std::printf("%d adapters: batch/alone min %.3f median %.3f; cpu %% of one core median %.1f; threads/adapter max %.2f\n",
                opt.adapters[k], *std::min_element(s.ratio.begin(), s.ratio.end()), Median(s.ratio), Median(s.share),
                *std::max_element(s.perAdapter.begin(), s.perAdapter.end()));
  }
  fs::remove_all(dir);
  return ok ? 0 : 1;
}

}  // namespace
}  // namespace bx

int main(int argc, char** argv) {
  bx::Options opt;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    const int v = std::atoi(argv[i + 1]);
    if (a == "--adapters") {
      opt.adapters.clear();
      for (const char* p = argv[i + 1]; *p;) {
        opt.adapters.push_back(std::max(1, std::atoi(p)));
        while (*p && *p != ',') ++p;
        if (*p == ',') ++p;
      }
    }
    if (a == "--kib") opt.kib = std::max(1, v);
    if (a == "--runs") opt.runs = std::max(1, v);
    if (a == "--rate") opt.rate = std::max(0, v);
  }
  return bx::Run(opt);
}
