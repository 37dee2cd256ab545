#pragma once
#include "platform/Services.h"

namespace bx {
// xdg-open for addresses, mail links and documents; a program file is started directly
// in its working folder. Neither waits for the started program.
class PosixShell : public Shell {
 public:
  bool Open(const std::string& target, const std::string& workingDir) override;
};
}  // namespace bx
