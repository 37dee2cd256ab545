#include "session/AdapterSession.h"

namespace bx {

const char* PhaseName(SessionPhase p) {
  switch (p) {
    case SessionPhase::Idle:
      return "idle";
    case SessionPhase::Searching:
      return "searching";
    case SessionPhase::Selecting:
      return "selecting";
    case SessionPhase::SelfTest:
      return "self-test";
    case SessionPhase::Uploading:
      return "uploading";
    case SessionPhase::InstallingDriver:
      return "installing driver";
    case SessionPhase::DeviceCommand:
      return "device command";
  }
  return "?";
}

void AdapterSession::Begin(SessionPhase operation, SessionPhase phase) {
  operation_ = operation;
  phase_ = phase;
  Progress(0, 0);
}

void AdapterSession::End(bool ok, const std::string& cause) {
  if (operation_ == SessionPhase::Idle) return;
  last_ = OperationResult{operation_, ok, cause};
  operation_ = phase_ = SessionPhase::Idle;
}

}  // namespace bx
