#include "platform/Files.h"

namespace bx {

std::string UntrustedFolderMessage(const std::string& what, const std::string& folder, const std::string& why) {
  return "The " + what + " folder " + folder + " is not used: " + why +
         ". It and the folders above it must be yours and writable by you alone (chmod go-w); another user could "
         "change or read what the program keeps there";
}

}  // namespace bx
