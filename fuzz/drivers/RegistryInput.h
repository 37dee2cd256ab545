#pragma once
// A registry filled from fuzz input: a run of records, each an operation byte and its
// length-prefixed fields, so that key names, value names and texts may hold any byte.
//
//   op:    bit 0 the hive (machine-wide when set), bits 1-2 the kind (0 text value,
//          1 number value, 2 create key, 3 delete key), bits 3-7 which base path the key
//          is under (taken modulo the bases the driver offers)
//   key:   1 length byte, then the bytes (appended to the base)
//   name:  1 length byte, then the bytes (values only)
//   value: 1 length byte, then the bytes (text) or 4 bytes, low first (number)
//
// An input that runs out ends the records.
#include <string>
#include <string_view>
#include <vector>

#include "platform/Registry.h"

namespace bx::fuzz {

class RecordReader {
 public:
  explicit RecordReader(std::string_view s) : s_(s) {}
  bool Byte(unsigned& out) {
    if (s_.empty()) return false;
    out = static_cast<unsigned char>(s_[0]);
    s_.remove_prefix(1);
    return true;
  }
  bool Field(std::string& out) {
    unsigned n = 0;
    if (!Byte(n) || s_.size() < n) return false;
    out.assign(s_.substr(0, n));
    s_.remove_prefix(n);
    return true;
  }
  bool Number(int32_t& out) {
    if (s_.size() < 4) return false;
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s_[static_cast<std::size_t>(i)]);
    out = static_cast<int32_t>(v);
    s_.remove_prefix(4);
    return true;
  }

 private:
  std::string_view s_;
};

// Applies the records; answers how many were applied. Writes that the registry refuses
// (RegistryError) count as applied: refusing is a clear result.
inline int FillRegistry(Registry& reg, std::string_view input, const std::vector<std::string>& bases) {
  RecordReader in(input);
  int applied = 0;
  for (unsigned op = 0; in.Byte(op);) {
    const Hive hive = (op & 1) ? Hive::LocalMachine : Hive::CurrentUser;
    const unsigned kind = (op >> 1) & 3;
    std::string key, name, text;
    if (!in.Field(key)) break;
    key = bases[(op >> 3) % bases.size()] + key;
    try {
      if (kind == 0) {
        if (!in.Field(name) || !in.Field(text)) break;
        reg.WriteString(hive, key, name, text);
      } else if (kind == 1) {
        int32_t number = 0;
        if (!in.Field(name) || !in.Number(number)) break;
        reg.WriteInteger(hive, key, name, number);
      } else if (kind == 2) {
        reg.CreateKey(hive, key);
      } else {
        reg.DeleteKey(hive, key);
      }
    } catch (const RegistryError&) {
    }
    ++applied;
  }
  return applied;
}

}  // namespace bx::fuzz
