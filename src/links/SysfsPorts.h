#pragma once
// The Linux serial driver families, read from sysfs (root/class/tty): each family is
// one serial link's source. A port is listed while the kernel lists its tty and its
// device node exists under the /dev root; its detail is the tty's sysfs device path and
// its description the USB product string, or else the driver's name.
#include <string>
#include <vector>

#include "links/PortSource.h"

namespace bx {

enum class SerialFamily {
  UsbSerial,  // USB serial converters: ttyUSB*
  CdcAcm,     // USB CDC-ACM modems and adapters: ttyACM*
  Rfcomm,     // Bluetooth RFCOMM: rfcomm*
  Uart,       // on-board UARTs (ttyS*, ttyAMA*, ...) with a real device behind them
};

const char* SerialFamilyName(SerialFamily f);

class SysfsPorts : public PortSource {
 public:
  SysfsPorts(SerialFamily family, std::string sysRoot = "/sys", std::string devRoot = "/dev");

  std::string WatchKey() const override;
  // A hash over the family's tty names, their sysfs links and their device nodes:
  // cheap enough for every pass. nullopt when root/class/tty is missing.
  std::optional<uint64_t> Stamp() override;
  int Fill(PortLists& lists) override;

 private:
  struct Candidate {
    std::string name;
    std::string entry;   // root/class/tty/<name>
    std::string target;  // what that entry links to
  };
  bool InFamily(const std::string& name) const;
  bool ListTtys(std::vector<Candidate>& out) const;

  SerialFamily family_;
  std::string sysRoot_;
  std::string devRoot_;
};

}  // namespace bx
