#pragma once
// Drives one protocol engine in virtual time: what the test sends arrives when the test
// says, and every byte the adapter sends is recorded with the time it left.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/Protocol.h"
#include "sim/AdapterModel.h"
#include "sim/Engine.h"

namespace bx::sim::test {

struct Piece {
  SimTime at;
  std::string bytes;
};

class VirtualLine {
 public:
  explicit VirtualLine(Scenario s = Scenario()) : model(std::move(s)), engine(model, SimTime{}) {}

  // Runs the engine up to `t`, waking it exactly when it asks to be woken.
  void RunUntil(SimTime t) {
    for (int guard = 0; guard < 1000000; ++guard) {
      const auto w = engine.NextWake(now);
      const SimTime next = (w && *w <= t) ? std::max(*w, now) : t;
      Step(next);
      if (next == t) {
        const auto again = engine.NextWake(now);
        if (!again || *again > t) return;
      }
    }
    ADD_FAILURE() << "engine kept waking at the same time";
  }
  void Send(const std::string& bytes, SimTime at) {
    RunUntil(at);
    engine.Receive(bytes, at);
    Step(at);
  }
  void Command(const std::string& suffix, SimTime at) { Send(std::string(proto::kCommandPrefix) + suffix, at); }

  std::string All() const {
    std::string s;
    for (const auto& p : out) s += p.bytes;
    return s;
  }
  // Everything received so far, emptied.
  std::string Take() {
    std::string s = All();
    out.clear();
    return s;
  }
  SimTime LastAt() const { return out.empty() ? SimTime{} : out.back().at; }
  SimTime FirstAt() const { return out.empty() ? SimTime{} : out.front().at; }

  AdapterModel model;
  Engine engine;
  SimTime now{};
  std::vector<Piece> out;

 private:
  void Step(SimTime t) {
    now = t;
    engine.Advance(t);
    std::string b = engine.TakeOutput(t);
    if (!b.empty()) out.push_back({t, b});
  }
};

// The body of the one reply frame in `s` (text between the opening CR LF and CR LF CR LF);
// fails the test unless `s` is exactly one well-formed frame.
inline std::string FrameBody(const std::string& s) {
  EXPECT_TRUE(s.size() >= 4 && s.compare(0, 2, "\r\n") == 0) << Printable(s);
  const auto end = s.find("\r\n\r\n");
  EXPECT_NE(end, std::string::npos) << Printable(s);
  if (end == std::string::npos) return {};
  EXPECT_EQ(end + 4, s.size()) << "bytes after the frame: " << Printable(s);
  return end >= 2 ? s.substr(2, end - 2) : std::string();
}

inline std::vector<std::string> FrameLines(const std::string& s) { return SplitLines(FrameBody(s)); }

}  // namespace bx::sim::test
