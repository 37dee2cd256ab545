#include "platform/RegistryExport.h"

#include "core/Bytes.h"

namespace bx {

namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// A name has no hex form as a text value has: a control character in it is written as
// \xHH, which cannot be mistaken for a backslash of the name (that one is doubled).
std::string Quoted(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (IsControl(c)) {
      out += Format("\\x%02x", c);
      continue;
    }
    if (c == '\\' || c == '"') out += '\\';
    out += static_cast<char>(c);
  }
  return out + "\"";
}

// Key names never hold a backslash; a control character in one is written as \xHH too.
std::string VisibleKeyPath(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    if (IsControl(c))
      out += Format("\\x%02x", c);
    else
      out += static_cast<char>(c);
  }
  return out;
}

bool HasControl(const std::string& s) {
  for (unsigned char c : s)
    if (IsControl(c)) return true;
  return false;
}

// The bytes of a REG_SZ as regedit stores them, terminating zero included.
std::string HexString(const std::string& s) {
  std::string out = "hex(1):";
  for (unsigned char c : s) out += Format("%02x,", c);
  return out + "00";
}

void ExportKey(Registry& reg, Hive hive, const std::string& path, std::string& out) {
  const auto names = reg.ValueNames(hive, path);
  if (!path.empty() || !names.empty()) {
    out += "[" + std::string(HiveName(hive)) + (path.empty() ? "" : "\\") + VisibleKeyPath(path) + "]\n";
    for (const auto& name : names)
      if (auto v = reg.ReadValue(hive, path, name)) out += Regedit4ValueLine(name, *v) + "\n";
    out += "\n";
  }
  for (const auto& sub : reg.SubKeys(hive, path)) ExportKey(reg, hive, path.empty() ? sub : path + "\\" + sub, out);
}

// A key as the store spells it, found level by level (the names given may differ in case).
std::string StoredSpelling(Registry& reg, Hive hive, const std::string& path) {
  std::string out;
  for (const std::string& part : SplitKeyPath(path)) {
    std::string name = part;
    for (const std::string& sub : reg.SubKeys(hive, out))
      if (LowerAscii(sub) == LowerAscii(part)) name = sub;
    out += (out.empty() ? "" : "\\") + name;
  }
  return out;
}

}  // namespace

std::string Regedit4ValueLine(const std::string& name, const RegValue& value) {
  std::string line = name.empty() ? "@=" : Quoted(name) + "=";
  if (value.type == RegValue::Type::Integer) return line + Format("dword:%08x", static_cast<uint32_t>(value.number));
  return line + (HasControl(value.text) ? HexString(value.text) : Quoted(value.text));
}

std::string ExportRegedit4(Registry& reg) {
  std::string out = "REGEDIT4\n\n";
  for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine}) ExportKey(reg, hive, "", out);
  return out;
}

std::string ExportRegedit4(Registry& reg, const std::vector<std::string>& keys) {
  std::string out = "REGEDIT4\n\n";
  for (Hive hive : {Hive::CurrentUser, Hive::LocalMachine})
    for (const std::string& key : keys)
      if (!NormalizeKeyPath(key).empty() && reg.KeyExists(hive, key))
        ExportKey(reg, hive, StoredSpelling(reg, hive, key), out);
  return out;
}

}  // namespace bx
