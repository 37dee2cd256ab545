#include "platform/Registry.h"

#include "core/Bytes.h"

namespace bx {

const char* HiveName(Hive h) { return h == Hive::CurrentUser ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE"; }

std::optional<std::string> Registry::ReadString(Hive h, const std::string& path, const std::string& name) {
  auto v = ReadValue(h, path, name);
  if (!v) return std::nullopt;
  if (v->type != RegValue::Type::String) throw RegistryError("Invalid data type for '" + name + "'");
  return v->text;
}

std::optional<int32_t> Registry::ReadInteger(Hive h, const std::string& path, const std::string& name) {
  auto v = ReadValue(h, path, name);
  if (!v) return std::nullopt;
  if (v->type != RegValue::Type::Integer) throw RegistryError("Invalid data type for '" + name + "'");
  return v->number;
}

std::vector<std::string> SplitKeyPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (c == '\\') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

std::string NormalizeKeyPath(const std::string& path) {
  std::string out;
  for (const auto& p : SplitKeyPath(path)) {
    if (!out.empty()) out += '\\';
    out += p;
  }
  return out;
}

std::string KeyPathFold(const std::string& path) { return LowerAscii(NormalizeKeyPath(path)); }

}  // namespace bx
