#pragma once
// The fuzz targets' drivers run over seeded pseudo-random inputs in the normal build, so
// that the properties they check hold in every test run and not only where libFuzzer
// runs. The inputs are the target's seed corpus mutated the way a fuzzer would (bytes
// flipped, inserted, deleted, repeated, dictionary words put in, seeds spliced), plus some
// wholly random ones; the same seed always gives the same inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "../../../fuzz/drivers/Check.h"
#include "../../../fuzz/drivers/Input.h"
#include "core/Bytes.h"

namespace bx::test {

// fuzz/corpus/<target>/* and the words of fuzz/<target>.dict.
struct SeedSet {
  std::vector<Bytes> seeds;
  std::vector<Bytes> words;
};

inline Bytes ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A dictionary line is a quoted word with \\, \" and \xHH escapes; others are comments.
inline std::vector<Bytes> ReadDictionary(const std::filesystem::path& p) {
  std::vector<Bytes> words;
  std::ifstream in(p);
  for (std::string line; std::getline(in, line);) {
    const std::size_t open = line.find('"'), close = line.rfind('"');
    if (line.empty() || line[0] == '#' || open == std::string::npos || close <= open) continue;
    Bytes w;
    for (std::size_t i = open + 1; i < close; ++i) {
      if (line[i] == '\\' && i + 3 < close && line[i + 1] == 'x') {
        w += static_cast<char>(std::stoi(line.substr(i + 2, 2), nullptr, 16));
        i += 3;
      } else if (line[i] == '\\' && i + 1 < close) {
        w += line[++i];
      } else {
        w += line[i];
      }
    }
    if (!w.empty()) words.push_back(w);
  }
  return words;
}

inline SeedSet LoadSeeds(const std::string& target) {
  const std::filesystem::path fuzz = std::filesystem::path(BX_SOURCE_DIR) / "fuzz";
  SeedSet s;
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(fuzz / "corpus" / target)) files.push_back(e.path());
  std::sort(files.begin(), files.end());  // directory order is no order
  for (const auto& f : files) s.seeds.push_back(ReadAll(f));
  if (std::filesystem::exists(fuzz / (target + ".dict"))) s.words = ReadDictionary(fuzz / (target + ".dict"));
  return s;
}

class Mutator {
 public:
  Mutator(SeedSet seeds, uint32_t seed) : s_(std::move(seeds)), rng_(seed) {}

  Bytes Next() {
    if (s_.seeds.empty() || rng_.Below(8) == 0) return Random(1 + rng_.Below(300));
    Bytes b = s_.seeds[rng_.Below(static_cast<uint32_t>(s_.seeds.size()))];
    const uint32_t edits = 1 + rng_.Below(8);
    for (uint32_t i = 0; i < edits; ++i) Edit(b);
    return b;
  }

 private:
  static constexpr char kInteresting[] = {'\0', '\x01', '\x7f', '\x80', '\xff', '\r', '\n', ' ',
                                          '+',  '-',    '.',    '>',    ':',    '~',  '\\', '='};

  Bytes Random(uint32_t n) {
    Bytes b(n, '\0');
    for (char& c : b) c = static_cast<char>(rng_.Next());
    return b;
  }
  std::size_t At(const Bytes& b) { return rng_.Below(static_cast<uint32_t>(b.size() + 1)); }

  void Edit(Bytes& b) {
    const std::size_t at = At(b);
    switch (rng_.Below(8)) {
      case 0:
        if (at < b.size()) b[at] = static_cast<char>(b[at] ^ (1u << rng_.Below(8)));
        break;
      case 1:
        b.insert(at, 1, static_cast<char>(rng_.Next()));
        break;
      case 2:
        b.erase(at, rng_.Below(16));
        break;
      case 3:
        if (!s_.words.empty()) b.insert(at, s_.words[rng_.Below(static_cast<uint32_t>(s_.words.size()))]);
        break;
      case 4:
        b.insert(at, b.substr(At(b), rng_.Below(32)));
        break;
      case 5:
        b.resize(at);
        break;
      case 6: {
        const Bytes& other = s_.seeds[rng_.Below(static_cast<uint32_t>(s_.seeds.size()))];
        b = b.substr(0, at) + other.substr(std::min(other.size(), static_cast<std::size_t>(At(other))));
        break;
      }
      default:
        if (at < b.size()) b[at] = kInteresting[rng_.Below(sizeof kInteresting)];
        break;
    }
  }

  SeedSet s_;
  fuzz::XorShift rng_;
};

// Runs `driver` over `count` inputs for `target`; the first input that breaks a property
// fails the test, shown so that it can be replayed through the fuzz target.
inline void RunInputs(const std::string& target, int count, uint32_t seed,
                      const std::function<void(std::string_view)>& driver) {
  std::vector<std::string> broken;
  fuzz::SetFailureHandler([&broken](const std::string& what) { broken.push_back(what); });
  Mutator inputs(LoadSeeds(target), seed);
  for (int i = 0; i < count; ++i) {
    const Bytes input = inputs.Next();
    driver(input);
    if (!broken.empty()) {
      ADD_FAILURE() << target << " input #" << i << " (" << input.size() << " bytes) breaks: " << broken.front()
                    << "\n  input: " << Printable(input);
      break;
    }
  }
  fuzz::SetFailureHandler({});
}

}  // namespace bx::test
