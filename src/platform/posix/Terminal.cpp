#include "platform/Terminal.h"

#include <unistd.h>

namespace bx {

bool StandardOutputIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

}  // namespace bx
