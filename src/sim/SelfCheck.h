#pragma once
// brevantix-sim --self-check: starts the simulator on a pseudo-terminal, opens the slave as
// the program would (raw, exclusive, purged), asks for the identity, runs a short
// bootloader upload, checks the stored image's SHA-256, reopens the port and asks again.
#include <string>

namespace bx::sim {

// True when every step passed; `report` gets one line per step.
bool RunSelfCheck(std::string& report);

}  // namespace bx::sim
