#pragma once
// Properties the parser drivers check beyond "no crash". A broken one aborts at once in a
// fuzz target, so that libFuzzer keeps the input; the deterministic unit tests install a
// handler that records it instead.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

namespace bx::fuzz {

using FailureHandler = std::function<void(const std::string& what)>;

inline FailureHandler& CurrentFailureHandler() {
  static FailureHandler handler;
  return handler;
}

inline void SetFailureHandler(FailureHandler handler) { CurrentFailureHandler() = std::move(handler); }

inline void Fail(const std::string& what) {
  if (const FailureHandler& h = CurrentFailureHandler()) {
    h(what);
    return;
  }
  std::fprintf(stderr, "broken property: %s\n", what.c_str());
  std::abort();
}

inline void Check(bool holds, const char* what) {
  if (!holds) Fail(what);
}

}  // namespace bx::fuzz
