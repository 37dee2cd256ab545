#include "platform/fake/MemoryRegistry.h"

#include <algorithm>

#include "core/Bytes.h"

namespace bx {

std::string MemoryRegistry::LowerFold(const std::string& s) { return LowerAscii(s); }

MemoryRegistry::Key* MemoryRegistry::Find(Hive hive, const std::string& path) {
  auto it = keys_.find({hive, KeyPathFold(path)});
  return it == keys_.end() ? nullptr : &it->second;
}

MemoryRegistry::Key& MemoryRegistry::Make(Hive hive, const std::string& path) {
  const auto parts = SplitKeyPath(path);
  std::string fold;
  Key* parent = &keys_[{hive, ""}];  // the hive root always exists
  for (const auto& p : parts) {
    fold += (fold.empty() ? "" : "\\") + LowerAscii(p);
    auto it = keys_.find({hive, fold});
    if (it == keys_.end()) {
      Key k;
      k.name = p;
      k.lastWrite = ++clock_;
      it = keys_.emplace(std::make_pair(hive, fold), std::move(k)).first;
      parent->lastWrite = ++clock_;
    }
    parent = &it->second;
  }
  return *parent;
}

bool MemoryRegistry::KeyExists(Hive hive, const std::string& path) {
  std::lock_guard g(mu_);
  return NormalizeKeyPath(path).empty() || Find(hive, path) != nullptr;
}

void MemoryRegistry::CreateKey(Hive hive, const std::string& path) {
  std::lock_guard g(mu_);
  Make(hive, path);
}

bool MemoryRegistry::DeleteKey(Hive hive, const std::string& path) {
  std::lock_guard g(mu_);
  const std::string fold = KeyPathFold(path);
  if (fold.empty() || !Find(hive, path)) return false;
  for (auto it = keys_.begin(); it != keys_.end();) {
    const auto& [h, p] = it->first;
    if (h == hive && (p == fold || StartsWith(p, fold + "\\")))
      it = keys_.erase(it);
    else
      ++it;
  }
  const auto slash = fold.rfind('\\');
  if (Key* parent = Find(hive, slash == std::string::npos ? "" : fold.substr(0, slash)))
    parent->lastWrite = ++clock_;
  else
    keys_[{hive, ""}].lastWrite = ++clock_;
  return true;
}

std::optional<RegValue> MemoryRegistry::ReadValue(Hive hive, const std::string& path, const std::string& name) {
  std::lock_guard g(mu_);
  Key* k = Find(hive, path);
  if (!k) return std::nullopt;
  auto it = k->values.find(LowerFold(name));
  if (it == k->values.end()) return std::nullopt;
  return it->second.value;
}

void MemoryRegistry::WriteValue(Hive hive, const std::string& path, const std::string& name, const RegValue& value) {
  std::lock_guard g(mu_);
  if (failing_.count({hive, LowerFold(name)}) || failing_.count({hive, "*"}))
    throw RegistryError("Failed to set data for '" + name + "'");
  Key& k = Make(hive, path);
  auto& slot = k.values[LowerFold(name)];
  if (slot.name.empty()) slot.name = name;
  slot.value = value;
  k.lastWrite = ++clock_;
  ++writes_;
}

bool MemoryRegistry::DeleteValue(Hive hive, const std::string& path, const std::string& name) {
  std::lock_guard g(mu_);
  Key* k = Find(hive, path);
  if (!k || !k->values.erase(LowerFold(name))) return false;
  k->lastWrite = ++clock_;
  return true;
}

std::vector<std::string> MemoryRegistry::SubKeys(Hive hive, const std::string& path) {
  std::lock_guard g(mu_);
  std::vector<std::string> out;
  const std::string fold = KeyPathFold(path);
  if (!fold.empty() && !Find(hive, path)) return out;
  for (const auto& [id, key] : keys_) {
    if (id.first != hive || id.second.empty()) continue;
    const std::string& p = id.second;
    std::string rest;
    if (fold.empty())
      rest = p;
    else if (StartsWith(p, fold + "\\"))
      rest = p.substr(fold.size() + 1);
    else
      continue;
    if (rest.find('\\') == std::string::npos) out.push_back(key.name);
  }
  std::sort(out.begin(), out.end(),
            [](const std::string& a, const std::string& b) { return CompareTextNoCase(a, b) < 0; });
  return out;
}

std::vector<std::string> MemoryRegistry::ValueNames(Hive hive, const std::string& path) {
  std::lock_guard g(mu_);
  std::vector<std::string> out;
  if (Key* k = Find(hive, path))
    for (const auto& [fold, v] : k->values) out.push_back(v.name);
  std::sort(out.begin(), out.end(),
            [](const std::string& a, const std::string& b) { return CompareTextNoCase(a, b) < 0; });
  return out;
}

std::optional<uint64_t> MemoryRegistry::LastWriteTime(Hive hive, const std::string& path) {
  std::lock_guard g(mu_);
  // The hive root exists before anything is written to it, as KeyExists says.
  Key* k = KeyPathFold(path).empty() ? &keys_[{hive, ""}] : Find(hive, path);
  if (!k) return std::nullopt;
  return k->lastWrite;
}

void MemoryRegistry::Transact(const std::function<void()>& body) {
  std::lock_guard g(mu_);
  if (depth_ > 0) {  // joins the outer one, which keeps the keys to go back to
    body();
    return;
  }
  ++transactions_;
  const auto kept = keys_;
  ++depth_;
  try {
    body();
  } catch (...) {
    --depth_;
    keys_ = kept;
    throw;
  }
  --depth_;
}

}  // namespace bx
