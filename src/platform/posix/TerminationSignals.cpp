#include "platform/TerminationSignals.h"

#include <pthread.h>
#include <signal.h>

namespace bx {
namespace {

sigset_t TerminationSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

void BlockTerminationSignals() {
  const sigset_t set = TerminationSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

int WaitForTerminationSignal() {
  const sigset_t set = TerminationSet();
  int sig = 0;
  while (sigwait(&set, &sig) != 0) {
  }
  return sig;
}

}  // namespace bx
