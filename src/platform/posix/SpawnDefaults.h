#pragma once
// Spawn attributes that start a program as a shell would: every signal at its default
// action and none blocked. This program ignores SIGPIPE and blocks its termination
// signals for its own reasons; a program it starts must not inherit either (a child
// with SIGPIPE ignored spins on a closed pipe instead of ending).
#include <signal.h>
#include <spawn.h>

namespace bx::posix {

class SpawnDefaults {
 public:
  SpawnDefaults() {
    posix_spawnattr_init(&attr_);
    sigset_t all;
    sigemptyset(&all);
    for (int sig = 1; sig < NSIG; ++sig)
      if (sig != SIGKILL && sig != SIGSTOP) sigaddset(&all, sig);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr_, &all);
    posix_spawnattr_setsigmask(&attr_, &none);
    posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  }
  ~SpawnDefaults() { posix_spawnattr_destroy(&attr_); }
  SpawnDefaults(const SpawnDefaults&) = delete;
  SpawnDefaults& operator=(const SpawnDefaults&) = delete;
  const posix_spawnattr_t* get() const { return &attr_; }

 private:
  posix_spawnattr_t attr_;
};

}  // namespace bx::posix
