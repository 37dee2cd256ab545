#pragma once
// The registry seam: two hives of keys with typed values, as the program's settings,
// file association, serial driver lists and pass-thru registrations need them.
//
// Key paths are backslash-separated ("SOFTWARE\\dulMAR Company ::.\\Network"); leading,
// trailing and doubled backslashes are ignored. Key and value names compare without
// regard to the case of A-Z but keep the spelling they were created with. The empty
// value name is the key's default value. Every key has a last-write time that a value
// write or delete, or the creation of a direct subkey, moves forward.
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Bytes.h"

namespace bx {

enum class Hive { CurrentUser, LocalMachine };

const char* HiveName(Hive h);  // "HKEY_CURRENT_USER" / "HKEY_LOCAL_MACHINE"

struct RegValue {
  enum class Type { String, Integer };
  Type type = Type::String;
  std::string text;    // Type::String
  int32_t number = 0;  // Type::Integer
  static RegValue String(std::string s) { return {Type::String, std::move(s), 0}; }
  static RegValue Integer(int32_t v) { return {Type::Integer, {}, v}; }
};

// Raised by registry writes that fail and by typed reads of the wrong type; the
// message is the one the user sees in the standard exception display.
class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised when a persistent store cannot be opened (corrupt file, not a database).
class RegistryOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Registry {
 public:
  virtual ~Registry() = default;

  virtual bool KeyExists(Hive hive, const std::string& path) = 0;
  // Creates the key and every missing parent; creating a key touches its parent.
  virtual void CreateKey(Hive hive, const std::string& path) = 0;
  // Deletes the key with all its subkeys and values; false when it did not exist.
  virtual bool DeleteKey(Hive hive, const std::string& path) = 0;

  virtual std::optional<RegValue> ReadValue(Hive hive, const std::string& path, const std::string& name) = 0;
  // Creates the key when missing. Throws RegistryError("Failed to set data for '<name>'"),
  // which a persistent store follows with its file and the cause.
  virtual void WriteValue(Hive hive, const std::string& path, const std::string& name, const RegValue& value) = 0;
  virtual bool DeleteValue(Hive hive, const std::string& path, const std::string& name) = 0;

  // Direct subkeys and value names of a key, in case-insensitive order; empty when the
  // key does not exist.
  virtual std::vector<std::string> SubKeys(Hive hive, const std::string& path) = 0;
  virtual std::vector<std::string> ValueNames(Hive hive, const std::string& path) = 0;

  // Last-write time of the key in 100 ns units (a file time); nullopt when missing.
  virtual std::optional<uint64_t> LastWriteTime(Hive hive, const std::string& path) = 0;

  // Runs `body`, which reads and writes through this registry, as one transaction of the
  // store: no other writer of the store (thread or process) changes it between the body's
  // reads and its writes, and a body that throws leaves the store as it was where the
  // store can roll back. A store that was busy may run the body again from the start, so
  // the body works from what it reads, not from what an earlier run of it saw. A body may
  // start another transaction; the inner one joins the outer. Throws RegistryError when
  // the store stays busy.
  virtual void Transact(const std::function<void()>& body) { body(); }

  // True when the store is the system's, holding every program's keys (the Windows
  // registry) rather than this program's alone: a listing of it then names the keys.
  virtual bool SharedWithOtherPrograms() const { return false; }

  // Convenience wrappers over the above.
  void WriteString(Hive h, const std::string& path, const std::string& name, const std::string& data) {
    WriteValue(h, path, name, RegValue::String(data));
  }
  void WriteInteger(Hive h, const std::string& path, const std::string& name, int32_t v) {
    WriteValue(h, path, name, RegValue::Integer(v));
  }
  // nullopt when missing; throws RegistryError("Invalid data type for '<name>'") when
  // the value is of the other type.
  std::optional<std::string> ReadString(Hive h, const std::string& path, const std::string& name);
  std::optional<int32_t> ReadInteger(Hive h, const std::string& path, const std::string& name);
};

// Key path helpers shared by the implementations. Inline, because the persistent store
// lives in a library below this one and must not depend on it at link time.
inline std::vector<std::string> SplitKeyPath(const std::string& path) {  // components
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (c != '\\') {
      cur += c;
    } else if (!cur.empty()) {
      parts.push_back(cur);
      cur.clear();
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

inline std::string NormalizeKeyPath(const std::string& path) {  // "a\\b", no stray separators
  std::string out;
  for (const auto& p : SplitKeyPath(path)) {
    if (!out.empty()) out += '\\';
    out += p;
  }
  return out;
}

inline std::string KeyPathFold(const std::string& path) {  // normalized + lower-case A-Z
  return LowerAscii(NormalizeKeyPath(path));
}

}  // namespace bx
