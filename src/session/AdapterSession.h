#pragma once
// One connected adapter as the program knows it: the port it was reached on, what it
// said of itself (the identity record with its modes), and the operation running on it
// with the result of the last one. The pages render this into their controls and the
// command line reads it; nothing reads an adapter's state back out of a control.
//
// Main thread only: the exchange, the updater and the pages that write it all run there.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "session/ReplyLines.h"

namespace bx {

enum class SessionPhase : uint8_t {
  Idle,
  Searching,        // asking for the identity
  Selecting,        // switching the mode
  SelfTest,
  Uploading,        // the adapter's bootloader takes the image page by page
  InstallingDriver,
  DeviceCommand,    // a System, WiFi or reset command
};

const char* PhaseName(SessionPhase p);

// How an operation ended: ok, or failed with its cause in the words the user was shown.
struct OperationResult {
  SessionPhase operation = SessionPhase::Idle;
  bool ok = false;
  std::string cause;
};

class AdapterSession {
 public:
  // The port of the last operation: its port-list name, and the text the user chose it
  // by as the status strip shows it (empty when no adapter was reached there).
  const std::string& Port() const { return port_; }
  void SetPort(const std::string& port) { port_ = port; }
  const std::string& PortShown() const { return portShown_; }
  void ShowPort(const std::string& text) { portShown_ = text; }

  const IdentityRecord& Identity() const { return identity_; }
  bool Identified() const { return identity_.Identified(); }
  // The battery reading, empty when the adapter gave none.
  std::string Battery() const { return identity_.battery.value_or(std::string()); }
  // A reply line of the identity record (its text as the adapter sent it).
  void Take(const ReplyLine& line, const std::string& text) { identity_.Take(line, text); }
  // A whole reply's record, in place of what the session knew.
  void TakeRecord(IdentityRecord record) { identity_ = std::move(record); }
  // The record goes before a search: what the adapter says next is all of it.
  void ClearIdentity() { identity_ = IdentityRecord{}; }
  // A mode switch answers with the mode list again.
  void ClearModes() {
    identity_.modes.clear();
    identity_.selectedMode.clear();
  }
  // The mode the adapter runs, as its last "Selected Mode: " line named a listed one.
  const std::string& RunningMode() const { return runningMode_; }
  void SetRunningMode(const std::string& id) { runningMode_ = id; }

  // The operation (what was asked: an upload is one from its search to its last page)
  // and its phase (where it stands: an upload searches, then uploads).
  SessionPhase Operation() const { return operation_; }
  SessionPhase Phase() const { return phase_; }
  bool Busy() const { return operation_ != SessionPhase::Idle; }
  void Begin(SessionPhase operation, SessionPhase phase);
  void EnterPhase(SessionPhase phase) { phase_ = phase; }
  // An upload's pages: acknowledged by the bootloader, and of the image in all.
  void Progress(int acknowledged, int total) {
    pagesAcknowledged_ = acknowledged;
    pagesTotal_ = total;
  }
  int PagesAcknowledged() const { return pagesAcknowledged_; }
  int PagesTotal() const { return pagesTotal_; }
  // Ends the running operation; a second ending of the same operation is ignored (the
  // first one told what happened).
  void End(bool ok, const std::string& cause = {});
  const std::optional<OperationResult>& LastResult() const { return last_; }

 private:
  std::string port_, portShown_;
  IdentityRecord identity_;
  std::string runningMode_;
  SessionPhase operation_ = SessionPhase::Idle, phase_ = SessionPhase::Idle;
  int pagesAcknowledged_ = 0, pagesTotal_ = 0;
  std::optional<OperationResult> last_;
};

}  // namespace bx
