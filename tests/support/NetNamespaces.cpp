#include "support/NetNamespaces.h"

#include <unistd.h>

#include <atomic>
#include <tuple>

#include "support/Process.h"

namespace bx::test {

namespace {

std::string FindIp() {
  for (const char* p : {"/usr/sbin/ip", "/sbin/ip", "/usr/bin/ip", "/bin/ip"})
    if (::access(p, X_OK) == 0) return p;
  return {};
}

std::atomic<int> g_made{0};

}  // namespace

// ---- what both worlds share ------------------------------------------------------------------

NamespaceWorld::NamespaceWorld() : tag_(std::to_string(::getpid()) + "x" + std::to_string(g_made++)) {
  if (::geteuid() != 0) {
    why_ = "network namespaces need root (run the tests as root, as CI does)";
    return;
  }
  ip_ = FindIp();
  if (ip_.empty()) why_ = "the ip program (iproute2) is not installed";
}

NamespaceWorld::~NamespaceWorld() {
  for (const std::string& ns : madeNamespaces_) RunProgram({ip_, "netns", "delete", ns}, {}, 10000);
}

std::vector<std::string> NamespaceWorld::In(const std::string& ns, const std::vector<std::string>& argv) const {
  std::vector<std::string> all{ip_, "netns", "exec", ns};
  all.insert(all.end(), argv.begin(), argv.end());
  return all;
}

// Each namespace is remembered as soon as it exists, so that a failure half-way through
// still deletes everything made before it.
bool NamespaceWorld::AddNamespace(const std::string& ns) {
  if (!Ip({"netns", "add", ns})) return false;
  madeNamespaces_.push_back(ns);
  return Ip({"-n", ns, "link", "set", "lo", "up"});
}

namespace {
bool Run(const std::vector<std::string>& argv, std::string& why) {
  const RunResult r = RunProgram(argv, {}, 10000);
  if (r.exitCode == 0) return true;
  std::string command;
  for (const std::string& a : argv) command += (command.empty() ? "" : " ") + a;
  why = command + " failed: " + (r.err.empty() ? "exit " + std::to_string(r.exitCode) : r.err);
  return false;
}
}  // namespace

bool NamespaceWorld::Ip(const std::vector<std::string>& args) {
  std::vector<std::string> argv{ip_};
  argv.insert(argv.end(), args.begin(), args.end());
  return Run(argv, why_);
}

bool NamespaceWorld::RunIn(const std::string& ns, const std::vector<std::string>& argv) {
  return Run(In(ns, argv), why_);
}

bool NamespaceWorld::Veth(const std::string& nsA, const std::string& a, const std::string& addressA,
                          const std::string& nsB, const std::string& b, const std::string& addressB) {
  if (!Ip({"link", "add", a, "netns", nsA, "type", "veth", "peer", "name", b, "netns", nsB})) return false;
  for (const auto& [ns, end, address] : {std::tuple{nsA, a, addressA}, std::tuple{nsB, b, addressB}}) {
    if (!address.empty() && !Ip({"-n", ns, "addr", "add", address, "dev", end})) return false;
    if (!Ip({"-n", ns, "link", "set", end, "up"})) return false;
  }
  return true;
}

// ---- two namespaces on one link ----------------------------------------------------------------

NetNamespaces::NetNamespaces() {
  if (!CanMake()) return;
  near_ = "bxnear" + Tag();
  far_ = "bxfar" + Tag();
  const std::string vNear = "bx" + Tag() + "n", vFar = "bx" + Tag() + "f";
  made_ = AddNamespace(near_) && AddNamespace(far_) &&
          Veth(near_, vNear, std::string(kNearIp) + "/24", far_, vFar, std::string(kFarIp) + "/24") &&
          Ip({"-n", near_, "route", "add", "default", "dev", vNear}) &&
          Ip({"-n", far_, "route", "add", "default", "dev", vFar});
}

// ---- the LAN ---------------------------------------------------------------------------------

LanNamespaces::LanNamespaces() {
  if (!CanMake()) return;
  for (const char* role : {"pc", "router", "near", "far", "bench"}) names_.push_back("bxlan" + Tag() + role);
  made_ = Wire();
}

// The PC's LAN port is made before its bench port, so that the system lists them in
// that order (and the search sends the directed broadcasts in that order).
bool LanNamespaces::Wire() {
  for (const std::string& ns : names_)
    if (!AddNamespace(ns)) return false;
  const std::string& pc = Name(Host::Pc);
  const std::string& router = Name(Host::Router);
  const std::string& near = Name(Host::Near);
  const std::string& far = Name(Host::Far);
  const std::string& bench = Name(Host::Bench);
  const std::string v = "bx" + Tag(), bridge = v + "sw";
  return Ip({"-n", router, "link", "add", bridge, "type", "bridge"}) &&
         Ip({"-n", router, "addr", "add", "10.79.0.254/24", "dev", bridge}) &&
         Ip({"-n", router, "link", "set", bridge, "up"}) &&
         Veth(pc, v + "pl", std::string(kPcIp) + "/24", router, v + "rp", "") &&
         Veth(near, v + "nl", std::string(kNearIp) + "/24", router, v + "rn", "") &&
         Ip({"-n", router, "link", "set", v + "rp", "master", bridge}) &&
         Ip({"-n", router, "link", "set", v + "rn", "master", bridge}) &&
         Veth(router, v + "rf", "10.79.1.254/24", far, v + "fr", std::string(kFarIp) + "/24") &&
         Veth(pc, v + "pb", "10.79.2.1/24", bench, v + "bp", std::string(kBenchIp) + "/24") &&
         Ip({"-n", pc, "route", "add", "default", "via", "10.79.0.254"}) &&
         Ip({"-n", near, "route", "add", "default", "via", "10.79.0.254"}) &&
         Ip({"-n", far, "route", "add", "default", "via", "10.79.1.254"}) &&
         RunIn(router, {"/bin/sh", "-c", "echo 1 > /proc/sys/net/ipv4/ip_forward"});
}

}  // namespace bx::test
