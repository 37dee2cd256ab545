#pragma once
// Reading the kernel's device tree (sysfs) for the serial families and the port
// properties. Every read is bounded and none throws: a missing or odd entry reads as
// empty.
#include <filesystem>
#include <string>

namespace bx::sysfs {

// The first line of an attribute file, without its line end; at most 256 bytes.
std::string ReadAttribute(const std::filesystem::path& file);

// The device directory behind a tty: its resolved "device" link, empty when it has none.
std::filesystem::path DeviceOf(const std::filesystem::path& ttyDir);

// The driver bound to `dir` or its nearest parent within `root`/devices, skipping the
// serial core's own port and controller layer; empty when none.
std::string DriverName(const std::filesystem::path& dir, const std::filesystem::path& root);

// The USB device (the directory with idVendor) at or above `dir` within root/devices.
std::filesystem::path UsbDeviceOf(const std::filesystem::path& dir, const std::filesystem::path& root);

}  // namespace bx::sysfs
