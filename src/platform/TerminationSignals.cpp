#include "platform/TerminationSignals.h"

#include <csignal>

namespace bx {

int TerminationExitCode(int sig) { return 128 + sig; }

const char* TerminationSignalName(int sig) {
  switch (sig) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    default:
      return "a signal";
  }
}

}  // namespace bx
