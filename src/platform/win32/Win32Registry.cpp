#include "platform/win32/Win32Registry.h"

#include <algorithm>
#include <vector>

#include "platform/win32/Win32.h"

namespace bx {

namespace {

// An open key, closed with the object.
class Key {
 public:
  Key() = default;
  ~Key() {
    if (k_) ::RegCloseKey(k_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HKEY* out() { return &k_; }
  HKEY get() const { return k_; }
  explicit operator bool() const { return k_ != nullptr; }

 private:
  HKEY k_ = nullptr;
};

HKEY AsKey(void* root) { return static_cast<HKEY>(root); }

LSTATUS Open(void* root, const std::string& path, REGSAM access, Key& key) {
  return ::RegOpenKeyExA(AsKey(root), NormalizeKeyPath(path).c_str(), 0, access, key.out());
}

LSTATUS Create(void* root, const std::string& path, REGSAM access, Key& key) {
  return ::RegCreateKeyExA(AsKey(root), NormalizeKeyPath(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                           nullptr, key.out(), nullptr);
}

// The order the store enumerates in: A-Z folded to upper case, every other byte as it is.
bool FoldedLess(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto up = [](char c) { return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c); };
    return up(x) < up(y);
  });
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end(), FoldedLess);
  return names;
}

}  // namespace

Win32Registry::Win32Registry() {
  roots_[0] = HKEY_CURRENT_USER;
  roots_[1] = HKEY_LOCAL_MACHINE;
}

Win32Registry::Win32Registry(const std::string& userRoot, const std::string& machineRoot) : owned_(true) {
  const std::string names[2] = {userRoot, machineRoot};
  for (int i = 0; i < 2; ++i) {
    HKEY k = nullptr;
    const LSTATUS rc = ::RegCreateKeyExA(HKEY_CURRENT_USER, NormalizeKeyPath(names[i]).c_str(), 0, nullptr,
                                         REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    if (rc != ERROR_SUCCESS) {
      for (int j = 0; j < i; ++j) ::RegCloseKey(AsKey(roots_[j]));
      throw RegistryOpenError("Cannot open HKEY_CURRENT_USER\\" + NormalizeKeyPath(names[i]) + ": " +
                              win32::ErrorText(static_cast<DWORD>(rc)));
    }
    roots_[i] = k;
    rootNames_[i] = "HKEY_CURRENT_USER\\" + NormalizeKeyPath(names[i]);
  }
}

Win32Registry::~Win32Registry() {
  if (!owned_) return;
  for (void* r : roots_) ::RegCloseKey(AsKey(r));
}

std::string Win32Registry::Where(Hive hive, const std::string& path) const {
  const std::string& root = rootNames_[hive == Hive::CurrentUser ? 0 : 1];
  std::string where = root.empty() ? HiveName(hive) : root;
  const std::string rel = NormalizeKeyPath(path);
  return rel.empty() ? where : where + "\\" + rel;
}

bool Win32Registry::KeyExists(Hive hive, const std::string& path) {
  Key k;
  return Open(Root(hive), path, KEY_QUERY_VALUE, k) == ERROR_SUCCESS;
}

void Win32Registry::CreateKey(Hive hive, const std::string& path) {
  Key k;
  const LSTATUS rc = Create(Root(hive), path, KEY_QUERY_VALUE, k);
  if (rc != ERROR_SUCCESS)
    throw RegistryError("Failed to create key '" + NormalizeKeyPath(path) + "' in " + Where(hive, "") + " (" +
                        win32::ErrorText(static_cast<DWORD>(rc)) + ")");
}

bool Win32Registry::DeleteKey(Hive hive, const std::string& path) {
  const std::string rel = NormalizeKeyPath(path);
  if (rel.empty() || !KeyExists(hive, rel)) return false;
  LSTATUS rc = ::RegDeleteTreeA(AsKey(Root(hive)), rel.c_str());
  if (rc == ERROR_SUCCESS && KeyExists(hive, rel)) rc = ::RegDeleteKeyA(AsKey(Root(hive)), rel.c_str());
  if (rc == ERROR_FILE_NOT_FOUND) return false;
  if (rc != ERROR_SUCCESS)
    throw RegistryError("Failed to delete key '" + rel + "' in " + Where(hive, "") + " (" +
                        win32::ErrorText(static_cast<DWORD>(rc)) + ")");
  return true;
}

// Strings come back as the ANSI bytes they were written as, their terminating NUL taken
// off (one only: a string that ends in NUL bytes of its own keeps them); DWORDs as
// integers; any other type as its raw bytes.
std::optional<RegValue> Win32Registry::ReadValue(Hive hive, const std::string& path, const std::string& name) {
  Key k;
  if (Open(Root(hive), path, KEY_QUERY_VALUE, k) != ERROR_SUCCESS) return std::nullopt;
  std::string data(256, '\0');
  DWORD type = 0;
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD size = static_cast<DWORD>(data.size());
    const LSTATUS rc =
        ::RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (rc == ERROR_MORE_DATA) {
      data.resize(std::max<std::size_t>(size, data.size() * 2));
      continue;
    }
    if (rc != ERROR_SUCCESS) return std::nullopt;
    data.resize(size);
    if (type == REG_DWORD && size == sizeof(DWORD)) {
      DWORD v = 0;
      std::copy(data.begin(), data.end(), reinterpret_cast<char*>(&v));
      return RegValue::Integer(static_cast<int32_t>(v));
    }
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && !data.empty() && data.back() == '\0') data.pop_back();
    return RegValue::String(std::move(data));
  }
  return std::nullopt;  // a value that keeps growing while we read it
}

void Win32Registry::WriteValue(Hive hive, const std::string& path, const std::string& name, const RegValue& value) {
  Key k;
  LSTATUS rc = Create(Root(hive), path, KEY_SET_VALUE, k);
  if (rc == ERROR_SUCCESS) {
    if (value.type == RegValue::Type::Integer) {
      const DWORD v = static_cast<DWORD>(value.number);
      rc = ::RegSetValueExA(k.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    } else {
      const std::string data = value.text + '\0';
      rc = ::RegSetValueExA(k.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size()));
    }
  }
  if (rc != ERROR_SUCCESS)
    throw RegistryError("Failed to set data for '" + name + "' in " + Where(hive, path) + " (" +
                        win32::ErrorText(static_cast<DWORD>(rc)) + ")");
}

bool Win32Registry::DeleteValue(Hive hive, const std::string& path, const std::string& name) {
  Key k;
  LSTATUS rc = Open(Root(hive), path, KEY_SET_VALUE | KEY_QUERY_VALUE, k);
  if (rc == ERROR_FILE_NOT_FOUND) return false;
  if (rc == ERROR_SUCCESS) {
    if (::RegQueryValueExA(k.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) return false;
    rc = ::RegDeleteValueA(k.get(), name.c_str());
  }
  if (rc == ERROR_FILE_NOT_FOUND) return false;
  if (rc != ERROR_SUCCESS)
    throw RegistryError("Failed to delete '" + name + "' in " + Where(hive, path) + " (" +
                        win32::ErrorText(static_cast<DWORD>(rc)) + ")");
  return true;
}

std::vector<std::string> Win32Registry::SubKeys(Hive hive, const std::string& path) {
  Key k;
  std::vector<std::string> names;
  if (Open(Root(hive), path, KEY_ENUMERATE_SUB_KEYS, k) != ERROR_SUCCESS) return names;
  char name[256];  // a key name has at most 255 characters
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    const LSTATUS rc = ::RegEnumKeyExA(k.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) break;
    names.emplace_back(name, size);
  }
  return Sorted(std::move(names));
}

std::vector<std::string> Win32Registry::ValueNames(Hive hive, const std::string& path) {
  Key k;
  std::vector<std::string> names;
  if (Open(Root(hive), path, KEY_QUERY_VALUE, k) != ERROR_SUCCESS) return names;
  std::string name(16384, '\0');  // a value name has at most 16,383 characters
  for (DWORD i = 0;; ++i) {
    DWORD size = static_cast<DWORD>(name.size());
    const LSTATUS rc = ::RegEnumValueA(k.get(), i, name.data(), &size, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) break;
    names.emplace_back(name.data(), size);
  }
  return Sorted(std::move(names));
}

std::optional<uint64_t> Win32Registry::LastWriteTime(Hive hive, const std::string& path) {
  Key k;
  if (Open(Root(hive), path, KEY_QUERY_VALUE, k) != ERROR_SUCCESS) return std::nullopt;
  FILETIME t{};
  if (::RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         nullptr, &t) != ERROR_SUCCESS)
    return std::nullopt;
  return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

void Win32Registry::Transact(const std::function<void()>& body) {
  thread_local int depth = 0;
  if (depth > 0) {
    body();
    return;
  }
  // Mutex names hold no backslash after the namespace: the roots go in as a hash.
  uint64_t hash = 1469598103934665603ULL;
  for (const std::string& root : rootNames_)
    for (char c : root + '|') hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
  const std::string name = "Local\\Brevantix Configurator settings " + std::to_string(hash);
  HANDLE mutex = ::CreateMutexA(nullptr, FALSE, name.c_str());
  if (!mutex) throw RegistryError("Failed to save the settings: " + win32::ErrorText(::GetLastError()));
  const DWORD waited = ::WaitForSingleObject(mutex, 15000);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    ::CloseHandle(mutex);
    throw RegistryError("Failed to save the settings: another copy of the program kept them locked");
  }
  struct Held {
    HANDLE m;
    ~Held() {
      --depth;
      ::ReleaseMutex(m);
      ::CloseHandle(m);
    }
  } held{mutex};
  ++depth;
  body();
}

}  // namespace bx
