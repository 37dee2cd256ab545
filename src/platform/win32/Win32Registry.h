#pragma once
// The registry on Windows: the system's own (advapi32), both hives. Names go through the
// ANSI functions, so texts are bytes of the ANSI code page as everywhere in the program;
// a string value keeps any byte, NUL included. The system compares names without regard
// to case for every letter of the code page, not only A-Z, and a write that the system
// refuses (the machine hive without administrator rights) raises RegistryError naming
// the key and the system's reason.
//
// Threads: any thread may call any operation; each opens and closes its own key handles.
#include <string>

#include "platform/Registry.h"

namespace bx {

class Win32Registry : public Registry {
 public:
  // HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
  Win32Registry();
  // Both hives as keys below HKEY_CURRENT_USER, created when missing: a registry of its
  // own for tests, one that needs no administrator rights. Throws RegistryOpenError.
  Win32Registry(const std::string& userRoot, const std::string& machineRoot);
  ~Win32Registry() override;
  Win32Registry(const Win32Registry&) = delete;
  Win32Registry& operator=(const Win32Registry&) = delete;

  bool KeyExists(Hive hive, const std::string& path) override;
  void CreateKey(Hive hive, const std::string& path) override;
  bool DeleteKey(Hive hive, const std::string& path) override;
  std::optional<RegValue> ReadValue(Hive hive, const std::string& path, const std::string& name) override;
  void WriteValue(Hive hive, const std::string& path, const std::string& name, const RegValue& value) override;
  bool DeleteValue(Hive hive, const std::string& path, const std::string& name) override;
  std::vector<std::string> SubKeys(Hive hive, const std::string& path) override;
  std::vector<std::string> ValueNames(Hive hive, const std::string& path) override;
  std::optional<uint64_t> LastWriteTime(Hive hive, const std::string& path) override;
  bool SharedWithOtherPrograms() const override { return true; }
  // The system's registry has no transaction that covers a whole list: the bodies of this
  // program's copies are kept apart by a mutex of the session named after the two roots,
  // so a read-merge-write of one copy never interleaves with another's. A body that
  // throws keeps the writes it made before.
  void Transact(const std::function<void()>& body) override;

 private:
  void* Root(Hive hive) const { return roots_[hive == Hive::CurrentUser ? 0 : 1]; }
  std::string Where(Hive hive, const std::string& path) const;

  void* roots_[2] = {nullptr, nullptr};  // HKEY
  bool owned_ = false;
  std::string rootNames_[2];
};

}  // namespace bx
