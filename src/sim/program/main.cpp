// brevantix-sim: the simulated Brevantix adapter as a program, on a pseudo-terminal, a TCP
// listener and/or the UDP search port.
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Socket.h"
#include "sim/Adapter.h"
#include "sim/SelfCheck.h"
#include "sim/SimPty.h"
#include "sim/SimSignals.h"
#include "sim/SimTcp.h"
#include "sim/SimUdp.h"

namespace {

const char* kUsage =
    "usage: brevantix-sim [--pty] [--tcp HOST:PORT] [--udp [HOST:]PORT] [--scenario FILE]\n"
    "                     [--set KEY=VALUE]... [-v] | --self-check | --help\n"
    "\n"
    "Simulates a Brevantix adapter until SIGINT or SIGTERM, then prints how many search\n"
    "requests it answered (with --udp) and how many came to each destination address\n"
    "(\"udp to ADDRESS: N requests\"), and the stored firmware image's size and SHA-256.\n"
    "  --pty             serve on a pseudo-terminal; its slave path is the first line printed\n"
    "  --tcp HOST:PORT   serve on a TCP listener (PORT 0: any free port; printed as \"tcp HOST:PORT\")\n"
    "  --udp [HOST:]PORT answer the network search there (default host 0.0.0.0; printed as \"udp PORT\");\n"
    "                    the answer names the TCP listener (see net_ip, net_port, udp_answer)\n"
    "  --scenario FILE   read \"key = value\" lines (# starts a comment); later options win\n"
    "  --set KEY=VALUE   one scenario key\n"
    "  -v                log received bytes and what the adapter does to stderr\n"
    "  --self-check      open an in-process simulator like the program would, ask for the\n"
    "                    identity, run a short bootloader session, print OK\n"
    "\n"
    "Scenario keys:\n";

bool SplitHostPort(const std::string& s, bool hostOptional, std::string& host, int& port) {
  const auto colon = s.rfind(':');
  std::string p = s;
  host = hostOptional ? "0.0.0.0" : "";
  if (colon != std::string::npos) {
    host = s.substr(0, colon);
    p = s.substr(colon + 1);
  } else if (!hostOptional) {
    return false;
  }
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  port = bx::StrToIntDef(p, -1);
  return port >= 0 && port <= 65535 && !host.empty();
}

int Usage(const std::string& problem) {
  std::cerr << "brevantix-sim: " << problem << "\n" << kUsage << bx::sim::ScenarioKeysHelp();
  return 2;
}

}  // namespace

namespace {

struct Options {
  bool pty = false, verbose = false;
  std::optional<std::string> tcp, udp;
};

// Reads the options into `o` and the scenario; returns -1 to go on, else the exit code
// (help, self-check or a usage error, already printed).
int ParseOptions(const std::vector<std::string>& args, Options& o, bx::sim::ScenarioLoader& loader) {
  using namespace bx::sim;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v, err;
    if (a == "--help" || a == "-h") {
      std::cout << kUsage << ScenarioKeysHelp();
      return 0;
    } else if (a == "--self-check") {
      std::string report;
      const bool ok = RunSelfCheck(report);
      std::cout << report << (ok ? "OK" : "FAILED") << std::endl;
      return ok ? 0 : 1;
    } else if (a == "--pty") {
      o.pty = true;
    } else if (a == "-v") {
      o.verbose = true;
    } else if (a == "--tcp" && value(v)) {
      o.tcp = v;
    } else if (a == "--udp" && value(v)) {
      o.udp = v;
    } else if (a == "--scenario" && value(v)) {
      if (!loader.LoadFile(v, err)) return Usage(err);
    } else if (a == "--set" && value(v)) {
      if (!loader.SetAssignment(v, err)) return Usage(err);
    } else {
      return Usage("unknown or incomplete option " + a);
    }
  }
  if (!o.pty && !o.tcp && !o.udp) return Usage("nothing to serve: give --pty, --tcp or --udp");
  return -1;
}

// The transports the options asked for, each printing where it listens.
struct Transports {
  std::unique_ptr<bx::sim::PtyAdapter> pty;
  std::unique_ptr<bx::sim::TcpAdapter> tcp;
  std::unique_ptr<bx::sim::UdpResponder> udp;

  // -1 when all started, else the exit code (the problem printed).
  int Start(const Options& o, const std::shared_ptr<bx::sim::Adapter>& adapter) {
    using namespace bx::sim;
    std::string err;
    if (o.pty) {
      pty = std::make_unique<PtyAdapter>(adapter);
      if (!pty->Start(&err)) return std::cerr << "brevantix-sim: " << err << "\n", 1;
      std::cout << pty->SlavePath() << std::endl;
    }
    std::string tcpHost = "127.0.0.1";
    int tcpPort = 0;
    if (o.tcp) {
      if (!SplitHostPort(*o.tcp, false, tcpHost, tcpPort)) return Usage("--tcp wants HOST:PORT");
      tcp = std::make_unique<TcpAdapter>(adapter, tcpHost, tcpPort);
      if (!tcp->Start(&err)) return std::cerr << "brevantix-sim: " << err << "\n", 1;
      tcpPort = tcp->Port();
      std::cout << "tcp " << tcpHost << ":" << tcpPort << std::endl;
    }
    if (o.udp) {
      std::string host;
      int port = 0;
      if (!SplitHostPort(*o.udp, true, host, port)) return Usage("--udp wants [HOST:]PORT");
      udp = std::make_unique<UdpResponder>(adapter, host, port, tcpHost, std::to_string(tcpPort ? tcpPort : 23));
      if (!udp->Start(&err)) return std::cerr << "brevantix-sim: " << err << "\n", 1;
      std::cout << "udp " << udp->Port() << std::endl;
    }
    return -1;
  }

  // Stops them, printing what the search saw and the image the bootloader stored.
  void StopAndReport(const bx::sim::Adapter& adapter) {
    if (udp) {
      udp->Stop();
      std::cout << "udp: " << udp->Requests() << " requests (" << udp->BroadcastRequests() << " broadcast), "
                << udp->Answers() << " answers" << std::endl;
      for (const auto& [to, count] : udp->RequestsByDestination())
        std::cout << "udp to " << bx::Ipv4ToText(to) << ": " << count << " requests" << std::endl;
    }
    if (tcp) tcp->Stop();
    if (pty) pty->Stop();
    const auto stored = adapter.Stored();
    if (stored)
      std::cout << "image: " << stored->image.size() << " bytes sha256 " << stored->sha256 << std::endl;
    else
      std::cout << "image: none" << std::endl;
  }
};

}  // namespace

int main(int argc, char** argv) {
  using namespace bx::sim;
  Options options;
  Scenario scenario;
  ScenarioLoader loader(scenario);
  const int parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, loader);
  if (parsed >= 0) return parsed;

  BlockTerminationSignals();
  auto adapter = std::make_shared<Adapter>(scenario);
  if (options.verbose) adapter->SetLog([](const std::string& line) { std::cerr << "sim: " << line << "\n"; }, true);
  Transports transports;
  const int started = transports.Start(options, adapter);
  if (started >= 0) return started;
  WaitForTerminationSignal();
  transports.StopAndReport(*adapter);
  return 0;
}
