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

}  // namespace bx
