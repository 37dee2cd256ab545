#include "platform/System.h"

namespace bx {

std::string ApplicationTitle(const std::optional<VersionRecord>& v) {
  if (!v) return "Configurator";
  return v->productName + " " + v->internalName + " Version " + v->fileVersion;
}

}  // namespace bx
