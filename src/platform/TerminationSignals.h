#pragma once
// For a program that serves until it is told to end (SIGINT or SIGTERM on POSIX). Writes
// to a peer that has gone never end the program.
namespace bx {

// Call on the main thread before any other thread starts: the threads inherit the block.
void BlockTerminationSignals();
// Blocks the calling thread until one arrives; answers the signal number.
int WaitForTerminationSignal();

}  // namespace bx
