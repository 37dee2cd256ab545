#pragma once
// A small sysfs and /dev in a temporary directory, laid out as the kernel lays out tty
// devices, so the port discovery can be tested with adapters plugged and unplugged.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace bx::test {

// The USB device above a port: ids, strings and its place on the bus.
struct FakeUsb {
  std::string vendor = "0403", product = "6001", manufacturer = "FTDI", productName = "FT232R USB UART",
              serial = "A10KQ3B2";
  std::string bus = "1-2";
};

class FakeSysfs {
 public:
  FakeSysfs() {
    char pattern[] = "/tmp/bx-sysfs-XXXXXX";
    root_ = ::mkdtemp(pattern);
    std::filesystem::create_directories(sys() + "/class/tty");
    std::filesystem::create_directories(sys() + "/bus/usb-serial/drivers");
    std::filesystem::create_directories(dev());
  }
  ~FakeSysfs() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  FakeSysfs(const FakeSysfs&) = delete;
  FakeSysfs& operator=(const FakeSysfs&) = delete;

  std::string sys() const { return root_ + "/sys"; }
  std::string dev() const { return root_ + "/dev"; }
  // The sysfs device path the discovery reports as a port's detail.
  std::string TtyPath(const std::string& name) const { return ttyPaths_.count(name) ? ttyPaths_.at(name) : ""; }

  using Usb = FakeUsb;

  // A USB serial converter: USB device, interface, usb-serial port, tty.
  void PlugUsbSerial(const std::string& name, const Usb& usb = Usb(), const std::string& driver = "ftdi_sio") {
    std::string usbDir = UsbDevice(usb);
    std::string port = usbDir + "/" + usb.bus + ":1.0/" + name;
    Driver(port, "usb-serial", driver);
    Tty(name, port);
  }

  // A CDC-ACM device: the tty hangs off the USB interface that cdc_acm drives.
  void PlugAcm(const std::string& name, const Usb& usb) {
    std::string usbDir = UsbDevice(usb);
    std::string intf = usbDir + "/" + usb.bus + ":1.0";
    Driver(intf, "usb", "cdc_acm");
    Tty(name, intf);
  }

  // An RFCOMM tty, bound but not connected: no device behind it.
  void PlugRfcomm(const std::string& name) { Tty(name, "", "virtual/tty/"); }

  // An on-board UART behind the serial core's port layer, as current kernels show it;
  // `type` "0" is a slot the kernel found no chip for.
  void AddUart(const std::string& name, const std::string& type = "4", const std::string& driver = "serial") {
    std::string ctrl = sys() + "/devices/pnp0/00:0" + std::to_string(uarts_++);
    Driver(ctrl, "pnp", driver);
    std::string port = ctrl + "/" + name + ":0/" + name + ":0.0";
    Driver(port, "serial-base", "port");
    Tty(name, port);
    Write(ttyPaths_[name] + "/type", type);
  }

  // A virtual console or the like: under devices/virtual, no device link.
  void AddVirtualTty(const std::string& name) { Tty(name, "", "virtual/tty/"); }

  void RemoveNode(const std::string& name) { std::filesystem::remove(dev() + "/" + name); }

  // What the kernel and udev take away when the adapter is pulled.
  void Unplug(const std::string& name) {
    std::error_code ec;
    std::filesystem::remove(sys() + "/class/tty/" + name, ec);
    RemoveNode(name);
    if (ttyPaths_.count(name)) std::filesystem::remove_all(ttyPaths_[name], ec);
    ttyPaths_.erase(name);
  }

  static void Write(const std::string& file, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file) << text << "\n";
  }

 private:
  std::string UsbDevice(const Usb& usb) {
    std::string dir = sys() + "/devices/pci0000:00/0000:00:14.0/usb1/" + usb.bus;
    Write(dir + "/idVendor", usb.vendor);
    Write(dir + "/idProduct", usb.product);
    if (!usb.manufacturer.empty()) Write(dir + "/manufacturer", usb.manufacturer);
    if (!usb.productName.empty()) Write(dir + "/product", usb.productName);
    if (!usb.serial.empty()) Write(dir + "/serial", usb.serial);
    Driver(dir, "usb", "usb");
    return dir;
  }

  void Driver(const std::string& dir, const std::string& bus, const std::string& driver) {
    std::string drivers = sys() + "/bus/" + bus + "/drivers/" + driver;
    std::filesystem::create_directories(drivers);
    std::filesystem::create_directories(dir);
    std::error_code ec;
    std::filesystem::remove(dir + "/driver", ec);
    std::filesystem::remove(dir + "/subsystem", ec);
    std::filesystem::create_directory_symlink(drivers, dir + "/driver");
    std::filesystem::create_directory_symlink(sys() + "/bus/" + bus, dir + "/subsystem");
  }

  // The tty's own directory with its "device" link, the class entry and the node.
  void Tty(const std::string& name, const std::string& deviceDir, const std::string& virtualPlace = "") {
    std::string tty = deviceDir.empty() ? sys() + "/devices/" + virtualPlace + name : deviceDir + "/tty/" + name;
    std::filesystem::create_directories(tty);
    if (!deviceDir.empty()) std::filesystem::create_directory_symlink(deviceDir, tty + "/device");
    Write(tty + "/dev", "188:0");
    std::filesystem::create_directory_symlink(tty, sys() + "/class/tty/" + name);
    Write(dev() + "/" + name, "");
    ttyPaths_[name] = tty;
  }

  std::string root_;
  std::map<std::string, std::string> ttyPaths_;
  int uarts_ = 0;
};

}  // namespace bx::test
