#pragma once
// The adapter's pass-thru driver as it arrives: the answer to "!dulMAR_SC_D" is
// "[BEGIN]", the file, "[END]", read in one piece of at most 65,536 bytes. This cuts the
// file out of the answer, tells what kind of file it is and reads its version marker.
#include <string>

#include "core/Bytes.h"

namespace bx {

inline constexpr const char* kDriverCommandSuffix = "D";
inline constexpr int kDriverSilenceMs = 500;
inline constexpr const char* kDriverFileName = "tvexrd32.dll";

enum class TransferFault {
  None,
  NoAnswer,  // 500 ms of silence before anything arrived
  NoBegin,   // no "[BEGIN]" in what arrived
  NoEnd,     // "[BEGIN]" but no "[END]" after it before the adapter fell silent
  AtLimit,   // the answer filled the read limit before "[END]" came
};

struct DriverTransfer {
  TransferFault fault = TransferFault::NoAnswer;
  Bytes file;  // the bytes between the first "[BEGIN]" and the first "[END]" after it
};

// `answered` is what the read reported (at least one byte arrived); `limit` the read's size
// limit.
DriverTransfer CutDriverTransfer(const Bytes& answer, bool answered, std::size_t limit);

// The memJ2534 line for a transfer that brought no file.
std::string TransferFaultLine(TransferFault fault, std::size_t received);

enum class DriverKind { WindowsLibrary, ElfLibrary, ZipArchive, Unknown };
DriverKind KindOfDriver(const Bytes& file);

// What the library `file` is when this system's pass-thru programs cannot load it, for
// the sentence that says so: "a Windows library", "an ELF library for ARM64 (64-bit)";
// "" when they can (an ELF of this machine), or when this system cannot tell.
std::string ForeignLibrary(const Bytes& file);
// The line for a library that was kept at `path` although this system's pass-thru
// programs cannot load it; `what` is what ForeignLibrary said.
std::string ForeignLibraryLine(const std::string& what, const std::string& path);

// The text after the first version marker "tCdV" up to the next zero byte (or the end of
// the file); empty when the file holds no marker.
std::string DriverVersionMarker(const Bytes& file);

}  // namespace bx
