#pragma once
// Two network namespaces of a test's own, joined by a veth pair: "near" (10.77.0.1/24)
// and "far" (10.77.0.2/24), loopback up in both and a default route on each veth end, so
// that a limited broadcast sent in one leaves for the other and goes nowhere else. The
// names are unique to the process and the object; both namespaces (and with them the veth
// pair) are deleted with the object, however the test ends. Making them needs root and
// the ip program: Made() is false otherwise, with the reason in Why().
#include <string>
#include <vector>

namespace bx::test {

class NetNamespaces {
 public:
  static constexpr const char* kNearIp = "10.77.0.1";
  static constexpr const char* kFarIp = "10.77.0.2";

  NetNamespaces();
  ~NetNamespaces();
  NetNamespaces(const NetNamespaces&) = delete;
  NetNamespaces& operator=(const NetNamespaces&) = delete;

  bool Made() const { return made_; }
  const std::string& Why() const { return why_; }
  const std::string& Near() const { return near_; }
  const std::string& Far() const { return far_; }
  // argv run inside namespace `ns` (ip netns exec).
  std::vector<std::string> In(const std::string& ns, const std::vector<std::string>& argv) const;

 private:
  bool Ip(const std::vector<std::string>& args);
  std::string ip_, near_, far_, why_;
  std::vector<std::string> madeNamespaces_;
  bool made_ = false;
};

}  // namespace bx::test
