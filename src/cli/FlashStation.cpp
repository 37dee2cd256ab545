#include "cli/FlashStation.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <ostream>
#include <set>

#include "cli/Cli.h"
#include "cli/FlashJob.h"
#include "cli/FlashReport.h"
#include "cli/TerminalDialogs.h"
#include "flash/AdapterFlash.h"
#include "links/LinkTable.h"
#include "links/PortWatch.h"
#include "platform/Files.h"
#include "platform/Terminal.h"

namespace bx::cli {

namespace {

// How often the ports are looked at: the links' own scan sees a plug within about a
// second, so this adds little to it.
constexpr int kPollMs = 250;
// After its upload the adapter leaves the bootloader and starts the new firmware (a USB
// adapter may also come back under a new device): it is searched for again, every
// second, for this long.
constexpr int64_t kSearchPauseMs = 500;
constexpr int64_t kSearchRetryMs = 1000;
constexpr int64_t kSearchLimitMs = 30000;
// After a termination signal the running uploads are stopped; this bounds the wait.
constexpr int64_t kSignalGraceMs = 3000;
constexpr int64_t kRedrawMs = 100;

std::string UtcNow() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day ymd{day};
  const hh_mm_ss<seconds> t{now - day};
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<int>(t.hours().count()), static_cast<int>(t.minutes().count()),
                static_cast<int>(t.seconds().count()));
  return text;
}

std::string OrDash(const std::string& text) { return text.empty() ? "-" : Shown(text); }

// The search after an upload: the adapter's identity, no box shown (a silent adapter is
// asked again later).
class SearchAfter : public FlashListener {
 public:
  SearchAfter(std::unique_ptr<Link> link, const std::string& port, const std::string& productName)
      : flash_(std::move(link), port, port, productName, FlashPlan{{}, true, true, false}, *this) {}
  void Start() { flash_.Start(); }
  bool Done() const { return flash_.Done(); }
  bool Ok() const { return flash_.Ok(); }
  const IdentityRecord& Identity() const { return flash_.Session().Identity(); }
  int Message(const std::string&, const std::string&, int flags) override { return mb::DismissedAnswer(flags); }
  void Line(const std::string&) override {}

 private:
  AdapterFlash flash_;
};

struct Slot {
  enum class Stage { Ignored, Flashing, Searching, Ended };
  std::string port;
  Stage stage = Stage::Flashing;
  bool virtualPort = false;  // handed to the links for this slot
  int64_t startedMs = 0, searchSinceMs = 0, nextSearchMs = 0;
  std::unique_ptr<TerminalDialogs> dialogs;
  std::unique_ptr<FlashJob> job;
  std::unique_ptr<SearchAfter> search;
  std::string declined;  // why its adapter was not flashed
  std::string lastLine;
  bool uploading = false;  // the upload had begun when the station was stopped
  StationResult result;
};

class Station {
 public:
  Station(Session& s, const FlashArgs& a)
      : s_(s), a_(a), watch_(s.options.ports, s.links.get()), terminal_(!s.json && StandardOutputIsTerminal()) {}

  int Run();

 private:
  void Poll(int64_t now, bool first);
  void Begin(const std::string& port, int64_t now);
  void Step(int64_t now);
  void StepSlot(Slot& slot, int64_t now);
  void JobEnded(Slot& slot, int64_t now);
  void SearchNow(Slot& slot, int64_t now);
  void End(Slot& slot, int64_t now, const std::string& note = {});
  std::string Declined(Slot& slot, const AdapterSession& session);
  void Release(Slot& slot);
  bool Active() const;
  void Print(const std::string& line, bool toErr = false);
  void Clear();
  void Draw(int64_t now);

  Session& s_;
  FlashArgs a_;
  PortWatch watch_;
  bool terminal_;
  bool stopping_ = false;
  std::vector<std::unique_ptr<Slot>> slots_;
  std::set<std::string> flashed_;  // serial numbers flashed in this run
  int flashedCount_ = 0, skippedCount_ = 0, failedCount_ = 0;
  bool reportFailed_ = false;
  int64_t lastPoll_ = 0;
  int drawnLines_ = 0;
  int64_t drawnAt_ = -kRedrawMs;
  Json results_ = Json::array();
  ui::TTimer timer_{"tmrStation", kPollMs, false};
};

bool Station::Active() const {
  for (const auto& slot : slots_)
    if (slot->stage == Slot::Stage::Flashing || slot->stage == Slot::Stage::Searching) return true;
  return false;
}

void Station::Poll(int64_t now, bool first) {
  lastPoll_ = now;
  const std::vector<std::string> present = watch_.Present();
  const std::set<std::string> here(present.begin(), present.end());
  // A port that went is forgotten once its adapter has ended there: plugged in again, it
  // is a new one. One still being flashed ends by itself.
  for (auto it = slots_.begin(); it != slots_.end();) {
    Slot& slot = **it;
    const bool idle = slot.stage == Slot::Stage::Ignored || slot.stage == Slot::Stage::Ended;
    if (idle && !here.count(slot.port)) {
      Release(slot);
      it = slots_.erase(it);
    } else {
      ++it;
    }
  }
  for (const std::string& port : present) {
    bool known = false;
    for (const auto& slot : slots_) known = known || slot->port == port;
    if (known || stopping_) continue;
    if (first && a_.onlyNew) {
      auto slot = std::make_unique<Slot>();
      slot->port = port;
      slot->stage = Slot::Stage::Ignored;
      slots_.push_back(std::move(slot));
      continue;
    }
    Begin(port, now);
  }
}

void Station::Begin(const std::string& port, int64_t now) {
  auto owned = std::make_unique<Slot>();
  Slot& slot = *owned;
  slots_.push_back(std::move(owned));
  slot.port = port;
  slot.startedMs = now;
  slot.result.port = port;
  // A path outside the links' own folders (a link the user's pattern found) is handed to
  // them as a port of its own.
  if (s_.links && !s_.links->FindLinkForPort(port)) {
    s_.links->AddVirtualPort(port, "Port matched by --port");
    slot.virtualPort = true;
  }
  slot.dialogs = std::make_unique<TerminalDialogs>(*s_.out, *s_.err, s_.options.answer, nullptr, Shown(port) + ": ");
  FlashJob::Services services;
  // The result line gives an ending's cause; questions still go to the terminal.
  services.message = [this, &slot](const std::string& caption, const std::string& text, int flags) {
    if ((flags & mb::IconMask) == mb::IconError) return mb::DismissedAnswer(flags);
    Clear();
    return slot.dialogs->MessageBox(ApplicationTitle(s_.version) + " - " + caption, text, flags);
  };
  services.identified = [this](const std::string& p, const std::string& serial) {
    s_.settings->RememberPort(p + " " + serial);
  };
  services.declined = [this, &slot](const AdapterSession& session) { return Declined(slot, session); };
  services.line = [this, &slot](FlashJob&, const std::string& line, bool note) {
    slot.lastLine = line;
    if (note && line.rfind("Adapter ", 0) != 0) Print(Shown(slot.port) + ": " + ShownLine(line), true);
  };
  std::unique_ptr<Link> link = s_.links ? s_.links->NewLinkFor(port) : nullptr;
  slot.job = std::make_unique<FlashJob>(std::move(link), port, port, s_.productName, a_, true, std::move(services));
}

// The search found the adapter: its line, and whether it is flashed.
std::string Station::Declined(Slot& slot, const AdapterSession& session) {
  const IdentityRecord& id = session.Identity();
  slot.result.serial = id.serial;
  slot.result.before = id.firmware;
  Print(Shown(slot.port) + ": adapter " + Shown(id.serial) + ", firmware " + OrDash(id.firmware));
  std::string why;
  if (flashed_.count(id.serial) && !a_.again) why = "flashed earlier in this run (--again flashes it again)";
  for (const auto& other : slots_) {
    if (other.get() == &slot || other->result.serial != id.serial) continue;
    if (other->stage == Slot::Stage::Flashing || other->stage == Slot::Stage::Searching)
      why = "being flashed on " + other->port;
  }
  slot.declined = why;
  return why;
}

void Station::Step(int64_t now) {
  if (!stopping_ && now - lastPoll_ >= kPollMs) Poll(now, false);
  for (auto& slot : slots_) StepSlot(*slot, now);
  Draw(now);
}

void Station::StepSlot(Slot& slot, int64_t now) {
  if (slot.stage == Slot::Stage::Flashing) {
    slot.uploading = slot.job->State() == FlashJob::Phase::Upload;
    if (slot.job->Step(now)) JobEnded(slot, now);
  } else if (slot.stage == Slot::Stage::Searching) {
    if (!slot.search) {
      if (now >= slot.nextSearchMs) SearchNow(slot, now);
      return;
    }
    if (!slot.search->Done()) return;
    const bool same = slot.search->Ok() && slot.search->Identity().serial == slot.result.serial;
    if (same) {
      slot.result.after = slot.search->Identity().firmware;
      End(slot, now);
      return;
    }
    slot.search.reset();
    slot.nextSearchMs = now + kSearchRetryMs;
    if (now - slot.searchSinceMs >= kSearchLimitMs)
      End(slot, now, "the adapter did not answer a search after its upload");
  }
}

void Station::JobEnded(Slot& slot, int64_t now) {
  FlashJob& job = *slot.job;
  slot.result.log = job.Log();
  if (!slot.declined.empty()) {
    slot.result.skipped = true;
    slot.result.result = "Skipped: " + slot.declined;
    End(slot, now);
  } else if (job.Skipped()) {
    // Nothing answered there (or the port went before it could): no adapter to report.
    Print(Shown(slot.port) + ": no adapter: " + Shown(job.Result()));
    slot.stage = Slot::Stage::Ended;
    Release(slot);
  } else if (job.Ok() && !stopping_) {
    slot.result.ok = true;
    slot.result.result = "Ok";
    slot.stage = Slot::Stage::Searching;
    slot.searchSinceMs = now;
    slot.nextSearchMs = now + kSearchPauseMs;
    slot.job.reset();  // its link lets go of the port
  } else {
    slot.result.ok = job.Ok();
    slot.result.result = job.Ok() ? "Ok" : job.Result();
    End(slot, now);
  }
}

void Station::SearchNow(Slot& slot, int64_t now) {
  std::unique_ptr<Link> link = s_.links ? s_.links->NewLinkFor(slot.port) : nullptr;
  slot.search = std::make_unique<SearchAfter>(std::move(link), slot.port, s_.productName);
  slot.search->Start();
  slot.nextSearchMs = now + kSearchRetryMs;
}

// The adapter's end: its result line, its report line, the counts.
void Station::End(Slot& slot, int64_t now, const std::string& note) {
  StationResult& r = slot.result;
  if (slot.job) {
    if (r.log.empty()) r.log = slot.job->Log();
    if (r.result.empty()) r.result = slot.job->Ok() ? "Ok" : slot.job->Result();
    if (r.serial.empty()) r.serial = slot.job->Serial();
  }
  if (r.result.empty()) r.result = "failed";
  r.seconds = static_cast<double>(now - slot.startedMs) / 1000.0;
  r.ended = UtcNow();
  slot.stage = Slot::Stage::Ended;
  Release(slot);
  if (!note.empty()) Print(Shown(slot.port) + ": " + note, true);
  if (r.ok) {
    ++flashedCount_;
    flashed_.insert(r.serial);
  } else {
    ++(r.skipped ? skippedCount_ : failedCount_);
  }
  Print(StationResultLine(r));
  const Json line = StationReportLine(r);
  results_.push_back(line);
  if (a_.report.empty()) return;
  std::string why;
  if (!AppendToFile(a_.report, line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n", why)) {
    reportFailed_ = true;
    Print("brevantix-cli: the report " + Shown(a_.report) + " could not be written: " + Shown(why), true);
  }
}

void Station::Release(Slot& slot) {
  slot.search.reset();
  slot.job.reset();
  if (slot.virtualPort && s_.links) s_.links->RemoveVirtualPort(slot.port);
  slot.virtualPort = false;
}

// A line above the progress lines: they are cleared and drawn again under it.
void Station::Print(const std::string& line, bool toErr) {
  Clear();
  (toErr ? *s_.err : *s_.out) << line << "\n";
  (toErr ? *s_.err : *s_.out).flush();
  drawnAt_ = -kRedrawMs;
}

void Station::Clear() {
  if (drawnLines_ == 0) return;
  *s_.out << "\033[" << drawnLines_ << "A\r\033[J";
  drawnLines_ = 0;
  s_.out->flush();
}

// On a terminal one line per adapter being flashed, as batch flashing draws them.
void Station::Draw(int64_t now) {
  if (!terminal_ || now - drawnAt_ < kRedrawMs) return;
  drawnAt_ = now;
  Clear();
  for (const auto& slot : slots_) {
    std::string state;
    if (slot->stage == Slot::Stage::Flashing) {
      const FlashJob& j = *slot->job;
      state = j.State() == FlashJob::Phase::Upload && j.PageCount() > 0 ? ProgressText(j.Position(), j.PageCount(), 20)
                                                                        : "searching";
      state += "  " + ShownLine(slot->lastLine);
    } else if (slot->stage == Slot::Stage::Searching) {
      state = "uploaded; searching for it again";
    } else {
      continue;
    }
    *s_.out << "\r\033[K" << Shown(slot->port) << "  " << OrDash(slot->result.serial) << "  " << state << "\n";
    ++drawnLines_;
  }
  s_.out->flush();
}

int Station::Run() {
  timer_.OnTimer = [] {};  // wakes the loop for the next look at the ports
  timer_.SetEnabled(true);
  // The ports there now are looked at first: the line says the watch has begun.
  Poll(s_.loop.NowMs(), true);
  std::string watched;
  for (const std::string& p : s_.options.ports) watched += (watched.empty() ? "" : ", ") + Shown(p);
  Print("watching " + (watched.empty() ? std::string("the serial ports") : watched) + " for adapters; Ctrl+C stops");
  s_.RunUntil(
      [this] {
        Step(s_.loop.NowMs());
        return false;
      },
      -1);
  // A termination signal: no new adapter; the uploads are stopped as batch flashing
  // stops them, and the adapters being searched for after theirs end as they are.
  s_.signalEnds = true;
  stopping_ = true;
  int64_t now = s_.loop.NowMs();
  for (auto& slot : slots_) {
    if (slot->stage == Slot::Stage::Flashing) {
      slot->job->Stop(now);
      if (slot->uploading && !s_.options.demo)
        Print("brevantix-cli: " + Shown(slot->port) + ": the adapter may still be in its bootloader; " +
                  "brevantix-cli --port " + Shown(slot->port) + " reset restarts it",
              true);
    } else if (slot->stage == Slot::Stage::Searching) {
      End(*slot, now, "stopped before the search after its upload answered");
    }
  }
  s_.RunUntilIgnoringSignal(
      [this] {
        const int64_t t = s_.loop.NowMs();
        for (auto& slot : slots_)
          if (slot->stage == Slot::Stage::Flashing && slot->job->Step(t)) JobEnded(*slot, t);
        return !Active();
      },
      kSignalGraceMs);
  now = s_.loop.NowMs();
  for (auto& slot : slots_) {
    if (slot->stage != Slot::Stage::Flashing) continue;
    slot->result.result = "stopped";
    End(*slot, now);
  }
  timer_.SetEnabled(false);
  Clear();
  Print("flashed " + std::to_string(flashedCount_) + ", skipped " + std::to_string(skippedCount_) + ", failed " +
        std::to_string(failedCount_));
  if (s_.json) {
    s_.json->doc["adapters"] = results_;
    s_.json->doc["flashed"] = flashedCount_;
    s_.json->doc["skipped"] = skippedCount_;
    s_.json->doc["failed"] = failedCount_;
  }
  return failedCount_ == 0 && !reportFailed_ ? 0 : 1;
}

}  // namespace

Json StationReportLine(const StationResult& r) {
  return Json{{"port", r.port},     {"serial", r.serial},
              {"ok", r.ok},         {"skipped", r.skipped},
              {"result", r.result}, {"before", r.before},
              {"after", r.after},   {"seconds", static_cast<double>(static_cast<int64_t>(r.seconds * 10 + 0.5)) / 10},
              {"ended", r.ended},   {"log", LinesJson(r.log)}};
}

std::string StationResultLine(const StationResult& r) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f s", r.seconds);
  std::string line = Shown(r.port) + "\t" + OrDash(r.serial) + "\t";
  if (r.skipped) return line + Shown(r.result);
  return line + OrDash(r.before) + " -> " + OrDash(r.after) + "\t" + (r.ok ? "Ok" : "Failed: " + Shown(r.result)) +
         "\t" + seconds;
}

int RunStation(Session& s, const FlashArgs& a) {
  Station station(s, a);
  return station.Run();
}

}  // namespace bx::cli
