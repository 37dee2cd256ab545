#pragma once
// Network namespaces of a test's own, joined by veth pairs, so that the program and the
// simulator talk over a real network that reaches nothing else. The names are unique to
// the process and the object; every namespace (and with it its veth ends and bridges) is
// deleted with the object, however the test ends. Making them needs root and the ip
// program: Made() is false otherwise, with the reason in Why().
#include <string>
#include <vector>

namespace bx::test {

// What both worlds share: the namespaces made so far, the ip program, and how they go.
class NamespaceWorld {
 public:
  NamespaceWorld(const NamespaceWorld&) = delete;
  NamespaceWorld& operator=(const NamespaceWorld&) = delete;

  bool Made() const { return made_; }
  const std::string& Why() const { return why_; }
  // argv run inside namespace `ns` (ip netns exec).
  std::vector<std::string> In(const std::string& ns, const std::vector<std::string>& argv) const;

 protected:
  NamespaceWorld();  // checks for root and ip; sets Why() when either is missing
  ~NamespaceWorld();
  bool CanMake() const { return !ip_.empty(); }
  // Unique to the process and the object, short enough for interface names ("bx" + tag
  // + two letters stays within 15 characters).
  const std::string& Tag() const { return tag_; }
  bool AddNamespace(const std::string& ns);
  bool Ip(const std::vector<std::string>& args);
  bool RunIn(const std::string& ns, const std::vector<std::string>& argv);  // Why() says what failed
  // A veth pair with one end in each namespace, each end given its address ("" none).
  bool Veth(const std::string& nsA, const std::string& a, const std::string& addressA, const std::string& nsB,
            const std::string& b, const std::string& addressB);
  bool made_ = false;

 private:
  std::string ip_, tag_, why_;
  std::vector<std::string> madeNamespaces_;
};

// Two namespaces: "near" (10.77.0.1/24) and "far" (10.77.0.2/24), loopback up in both
// and a default route on each veth end (no gateway), so that a limited broadcast sent in
// one leaves for the other and goes nowhere else.
class NetNamespaces : public NamespaceWorld {
 public:
  static constexpr const char* kNearIp = "10.77.0.1";
  static constexpr const char* kFarIp = "10.77.0.2";

  NetNamespaces();
  const std::string& Near() const { return near_; }
  const std::string& Far() const { return far_; }

 private:
  std::string near_, far_;
};

// A LAN as people have it, in five namespaces:
//   Pc      10.79.0.1/24 on its LAN port, default route through the router 10.79.0.254;
//           a second port, 10.79.2.1/24, straight to a bench (no gateway there)
//   Router  the LAN's switch (a bridge holding 10.79.0.254/24 and the ports of Pc and
//           Near) and 10.79.1.254/24 to the subnet behind it; forwards; no default route
//   Near    an adapter on the PC's subnet, 10.79.0.2/24, default route through the router
//   Far     an adapter behind the router, 10.79.1.2/24, default route through 10.79.1.254
//   Bench   an adapter on the PC's second port, 10.79.2.2/24, no route beyond it
class LanNamespaces : public NamespaceWorld {
 public:
  enum class Host { Pc, Router, Near, Far, Bench };
  static constexpr const char* kPcIp = "10.79.0.1";
  static constexpr const char* kNearIp = "10.79.0.2";
  static constexpr const char* kFarIp = "10.79.1.2";
  static constexpr const char* kBenchIp = "10.79.2.2";

  LanNamespaces();
  using NamespaceWorld::In;
  const std::string& Name(Host h) const { return names_[static_cast<std::size_t>(h)]; }
  std::vector<std::string> In(Host h, const std::vector<std::string>& argv) const {
    return NamespaceWorld::In(Name(h), argv);
  }

 private:
  bool Wire();
  std::vector<std::string> names_;
};

}  // namespace bx::test
