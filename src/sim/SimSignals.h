#pragma once
// The standalone simulator serves until SIGINT or SIGTERM.
namespace bx::sim {

void BlockTerminationSignals();  // call before any thread starts
int WaitForTerminationSignal();  // the signal number

}  // namespace bx::sim
