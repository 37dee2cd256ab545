#include "platform/Terminal.h"

#include "platform/win32/Win32.h"

namespace bx {

// A console answers GetConsoleMode; a file or a pipe does not.
bool StandardOutputIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

}  // namespace bx
