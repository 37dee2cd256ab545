#include "sim/SimSignals.h"

#include "platform/TerminationSignals.h"

namespace bx::sim {

void BlockTerminationSignals() { bx::BlockTerminationSignals(); }
int WaitForTerminationSignal() { return bx::WaitForTerminationSignal(); }

}  // namespace bx::sim
