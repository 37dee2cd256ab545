#include "support/NetNamespaces.h"

#include <unistd.h>

#include <atomic>

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

NetNamespaces::NetNamespaces() {
  if (::geteuid() != 0) {
    why_ = "network namespaces need root (run the tests as root, as CI does)";
    return;
  }
  ip_ = FindIp();
  if (ip_.empty()) {
    why_ = "the ip program (iproute2) is not installed";
    return;
  }
  // Interface names have at most 15 characters: "bx" + pid + n + a letter fits.
  const std::string tag = std::to_string(::getpid()) + "x" + std::to_string(g_made++);
  near_ = "bxnear" + tag;
  far_ = "bxfar" + tag;
  const std::string vNear = "bx" + tag + "n", vFar = "bx" + tag + "f";
  for (const std::string& ns : {near_, far_}) {
    if (!Ip({"netns", "add", ns})) return;
    madeNamespaces_.push_back(ns);
  }
  made_ = Ip({"link", "add", vNear, "netns", near_, "type", "veth", "peer", "name", vFar, "netns", far_}) &&
          Ip({"-n", near_, "addr", "add", std::string(kNearIp) + "/24", "dev", vNear}) &&
          Ip({"-n", far_, "addr", "add", std::string(kFarIp) + "/24", "dev", vFar}) &&
          Ip({"-n", near_, "link", "set", "lo", "up"}) && Ip({"-n", far_, "link", "set", "lo", "up"}) &&
          Ip({"-n", near_, "link", "set", vNear, "up"}) && Ip({"-n", far_, "link", "set", vFar, "up"}) &&
          Ip({"-n", near_, "route", "add", "default", "dev", vNear}) &&
          Ip({"-n", far_, "route", "add", "default", "dev", vFar});
}

NetNamespaces::~NetNamespaces() {
  for (const std::string& ns : madeNamespaces_) RunProgram({ip_, "netns", "delete", ns}, {}, 10000);
}

std::vector<std::string> NetNamespaces::In(const std::string& ns, const std::vector<std::string>& argv) const {
  std::vector<std::string> all{ip_, "netns", "exec", ns};
  all.insert(all.end(), argv.begin(), argv.end());
  return all;
}

bool NetNamespaces::Ip(const std::vector<std::string>& args) {
  std::vector<std::string> argv{ip_};
  argv.insert(argv.end(), args.begin(), args.end());
  const RunResult r = RunProgram(argv, {}, 10000);
  if (r.exitCode == 0) return true;
  std::string command;
  for (const std::string& a : args) command += " " + a;
  why_ = "ip" + command + " failed: " + (r.err.empty() ? "exit " + std::to_string(r.exitCode) : r.err);
  return false;
}

}  // namespace bx::test
