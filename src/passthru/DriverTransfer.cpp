#include "passthru/DriverTransfer.h"

#include "core/Protocol.h"

namespace bx {

namespace {

// The ELF header fields that decide whether a loader of this machine can map a library:
// its class (1: 32-bit, 2: 64-bit), byte order (1: little-endian, 2: big-endian) and
// machine number, as this program itself was built.
struct ElfTarget {
  int elfClass = 0;
  int byteOrder = 0;
  int machine = 0;
};

constexpr ElfTarget kThisMachine {
#if defined(__x86_64__)
  2, 1, 62
#elif defined(__i386__)
  1, 1, 3
#elif defined(__aarch64__) && defined(__AARCH64EB__)
  2, 2, 183
#elif defined(__aarch64__)
  2, 1, 183
#elif defined(__arm__) && defined(__ARMEB__)
  1, 2, 40
#elif defined(__arm__)
  1, 1, 40
#elif defined(__riscv) && __riscv_xlen == 64
  2, 1, 243
#elif defined(__powerpc64__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  2, 1, 21
#elif defined(__powerpc64__)
  2, 2, 21
#else
  0, 0, 0  // unknown: every ELF may be this machine's
#endif
};

#if defined(__linux__)
// Only Linux refuses an ELF of another machine, so only Linux names one.
std::string MachineName(int machine) {
  switch (machine) {
    case 3:
      return "x86";
    case 8:
      return "MIPS";
    case 20:
      return "PowerPC";
    case 21:
      return "PowerPC 64";
    case 40:
      return "ARM";
    case 62:
      return "x86-64";
    case 183:
      return "ARM64";
    case 243:
      return "RISC-V";
  }
  return "machine " + std::to_string(machine);
}

std::string TargetName(const ElfTarget& t) {
  return MachineName(t.machine) + " (" + (t.elfClass == 1 ? "32-bit" : "64-bit") +
         (t.byteOrder == 2 ? ", big-endian" : "") + ")";
}
#endif

}  // namespace

DriverTransfer CutDriverTransfer(const Bytes& answer, bool answered, std::size_t limit) {
  DriverTransfer t;
  if (!answered || answer.empty()) return t;
  const std::size_t begin = answer.find(proto::kDriverBegin);
  if (begin == Bytes::npos) {
    t.fault = answer.size() >= limit ? TransferFault::AtLimit : TransferFault::NoBegin;
    return t;
  }
  const std::size_t from = begin + proto::kDriverBegin.size();
  const std::size_t end = answer.find(proto::kDriverEnd, from);
  if (end == Bytes::npos) {
    t.fault = answer.size() >= limit ? TransferFault::AtLimit : TransferFault::NoEnd;
    return t;
  }
  t.fault = TransferFault::None;
  t.file = answer.substr(from, end - from);
  return t;
}

std::string TransferFaultLine(TransferFault fault, std::size_t received) {
  const std::string nothing = "; nothing was changed";
  const std::string head = "Driver transfer incomplete: ";
  switch (fault) {
    case TransferFault::None:
      return {};
    case TransferFault::NoAnswer:
      return head + "no answer from the adapter" + nothing;
    case TransferFault::NoBegin:
      return head + "no [BEGIN] in the " + std::to_string(received) + " bytes received" + nothing;
    case TransferFault::NoEnd:
      return head + "no [END] after " + std::to_string(received) + " bytes" + nothing;
    case TransferFault::AtLimit:
      return head + "the answer was cut at the limit of " + std::to_string(received) + " bytes" + nothing;
  }
  return {};
}

DriverKind KindOfDriver(const Bytes& file) {
  if (StartsWith(file, "MZ")) return DriverKind::WindowsLibrary;
  if (StartsWith(file, "PK")) return DriverKind::ZipArchive;
  if (StartsWith(file,
                 "\x7F"
                 "ELF"))
    return DriverKind::ElfLibrary;
  return DriverKind::Unknown;
}

// Only Linux programs find libraries through manifests; elsewhere nothing is told here.
std::string ForeignLibrary(const Bytes& file) {
#if defined(__linux__)
  if (StartsWith(file, "MZ")) return "a Windows library";
  if (!StartsWith(file,
                  "\x7F"
                  "ELF"))
    return "no library";
  if (kThisMachine.machine == 0) return {};
  if (file.size() < 20) return "a cut-off ELF file";
  const auto byte = [&file](std::size_t i) { return static_cast<int>(static_cast<unsigned char>(file[i])); };
  ElfTarget t;
  t.elfClass = byte(4);
  t.byteOrder = byte(5);
  if ((t.elfClass != 1 && t.elfClass != 2) || (t.byteOrder != 1 && t.byteOrder != 2)) return "a damaged ELF file";
  t.machine = t.byteOrder == 1 ? byte(18) | byte(19) << 8 : byte(18) << 8 | byte(19);
  if (t.elfClass == kThisMachine.elfClass && t.byteOrder == kThisMachine.byteOrder && t.machine == kThisMachine.machine)
    return {};
  return "an ELF library for " + TargetName(t) + ", not for this " + TargetName(kThisMachine) + " machine";
#else
  (void)file;
  return {};
#endif
}

std::string ForeignLibraryLine(const std::string& what, const std::string& path) {
  return "The adapter's driver is " + what + "; Linux pass-thru programs cannot load it. Kept at " + path + ".";
}

std::string DriverVersionMarker(const Bytes& file) {
  const std::size_t at = file.find(proto::kDriverVersionMarker);
  if (at == Bytes::npos) return {};
  const std::size_t from = at + proto::kDriverVersionMarker.size();
  const std::size_t zero = file.find('\0', from);
  return file.substr(from, zero == Bytes::npos ? Bytes::npos : zero - from);
}

}  // namespace bx
