#include "passthru/DriverTransfer.h"

#include "core/Protocol.h"

namespace bx {

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

std::string DriverVersionMarker(const Bytes& file) {
  const std::size_t at = file.find(proto::kDriverVersionMarker);
  if (at == Bytes::npos) return {};
  const std::size_t from = at + proto::kDriverVersionMarker.size();
  const std::size_t zero = file.find('\0', from);
  return file.substr(from, zero == Bytes::npos ? Bytes::npos : zero - from);
}

}  // namespace bx
