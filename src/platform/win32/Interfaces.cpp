// The local interfaces on Windows: the adapters as GetAdaptersInfo lists them (the first
// IPv4 address and mask of each), then the loopback interface, which Windows has but that
// list never holds.
#include <vector>

#include "platform/Socket.h"
#include "platform/win32/Win32.h"

// After the Winsock headers of Win32.h.
#include <iphlpapi.h>

namespace bx {

namespace {
constexpr ULONG kFirstBuffer = 640;
constexpr uint32_t kLoopback = 0x7F000001u;

uint32_t Dotted(const char* text) { return Ipv4FromText(text ? text : "").value_or(0); }
}  // namespace

// A first call into a small buffer; when that is too small, one more with the size the
// call asked for.
std::vector<NetInterface> LocalInterfaces() {
  std::vector<NetInterface> out;
  ULONG size = kFirstBuffer;
  std::vector<unsigned char> buffer(size);
  ULONG rc = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
  if (rc == ERROR_BUFFER_OVERFLOW) {
    buffer.assign(size, 0);
    rc = ::GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
  }
  if (rc == NO_ERROR) {
    for (auto* a = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()); a; a = a->Next) {
      NetInterface i;
      i.name = a->AdapterName;
      i.address = Dotted(a->IpAddressList.IpAddress.String);
      i.mask = Dotted(a->IpAddressList.IpMask.String);
      i.up = true;  // the list holds the adapters that are there; one without an address has mask 0
      i.loopback = a->Type == MIB_IF_TYPE_LOOPBACK;
      if (!i.loopback) out.push_back(i);
    }
  }
  out.push_back({"Loopback", kLoopback, 0xFF000000u, true, true});
  return out;
}

}  // namespace bx
