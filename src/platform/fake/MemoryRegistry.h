#pragma once
// In-memory registry for unit tests: the same rules as the persistent store, with a
// last-write clock that moves one tick per change so tests can see every touch.
#include <map>
#include <mutex>
#include <set>

#include "platform/Registry.h"

namespace bx {

class MemoryRegistry : public Registry {
 public:
  bool KeyExists(Hive hive, const std::string& path) override;
  void CreateKey(Hive hive, const std::string& path) override;
  bool DeleteKey(Hive hive, const std::string& path) override;
  std::optional<RegValue> ReadValue(Hive hive, const std::string& path, const std::string& name) override;
  void WriteValue(Hive hive, const std::string& path, const std::string& name, const RegValue& value) override;
  bool DeleteValue(Hive hive, const std::string& path, const std::string& name) override;
  std::vector<std::string> SubKeys(Hive hive, const std::string& path) override;
  std::vector<std::string> ValueNames(Hive hive, const std::string& path) override;
  std::optional<uint64_t> LastWriteTime(Hive hive, const std::string& path) override;
  // Other threads wait for the body; a body that throws leaves every key as it was.
  void Transact(const std::function<void()>& body) override;

  // Test hooks: make writes of one value name (or all, with "*") fail, as a hive
  // without write rights does.
  void FailWrites(Hive hive, const std::string& valueName) { failing_.insert({hive, LowerFold(valueName)}); }
  void ClearFailures() { failing_.clear(); }
  int WriteCount() const { return writes_; }
  int TransactionCount() const { return transactions_; }  // outermost ones

 private:
  struct Value {
    std::string name;
    RegValue value;
  };
  struct Key {
    std::string name;                     // spelling of the last component
    std::map<std::string, Value> values;  // by folded name
    uint64_t lastWrite = 0;
  };
  static std::string LowerFold(const std::string& s);
  Key* Find(Hive hive, const std::string& path);
  Key& Make(Hive hive, const std::string& path);

  std::recursive_mutex mu_;
  std::map<std::pair<Hive, std::string>, Key> keys_;  // by hive + folded path
  std::set<std::pair<Hive, std::string>> failing_;
  uint64_t clock_ = 116444736000000000ULL;  // 1970 as a file time
  int writes_ = 0;
  int transactions_ = 0;
  int depth_ = 0;
};

}  // namespace bx
