#include "sim/Engine.h"

#include <algorithm>

#include "core/Protocol.h"

namespace bx::sim {

Bytes Frame(const std::vector<std::string>& lines) {
  Bytes f(proto::kCrLf);
  for (const auto& l : lines) f += l + std::string(proto::kCrLf);
  return f + std::string(proto::kCrLf);
}

namespace {

// At a slow byte rate the bytes of one command come further apart than the configured
// gap; the gap must stay longer than that.
SimDuration CommandGap(const Scenario& sc) {
  const SimDuration gap = Ms(sc.commandGapMs);
  if (sc.byteRate <= 0) return gap;
  return std::max(gap, SimDuration(3 * 1000000000LL / sc.byteRate));
}

}  // namespace

Engine::Engine(AdapterModel& model, SimTime start)
    : m_(model),
      in_(model.scenario().byteRate),
      out_(model.scenario().byteRate),
      parser_(CommandGap(model.scenario()), [&model](const std::string& id) { return model.ModeIdIsFinal(id); }) {
  if (m_.bootloader) EnterBootloader(start);
}

void Engine::Receive(std::string_view bytes, SimTime now) {
  if (disconnected_ || bytes.empty()) return;
  in_.Push(Bytes(bytes), now);
}

void Engine::Schedule(SimTime t, std::function<void(SimTime)> fn) { timers_.emplace(t, std::move(fn)); }

void Engine::Advance(SimTime now) {
  const SimTime never = SimTime::max();
  while (!disconnected_) {
    char c = 0;
    SimTime tIn = never;
    if (!in_.Front(c, tIn)) tIn = never;
    SimTime tTimer = timers_.empty() ? never : timers_.begin()->first;
    const SimTime dParser = parser_.Deadline().value_or(never);
    const SimTime dBoot = boot_ ? boot_->Deadline().value_or(never) : never;
    tTimer = std::min({tTimer, dParser, dBoot});
    const SimTime t = std::min(tIn, tTimer);
    if (t > now) break;
    if (tIn <= tTimer) {
      in_.Pop();
      Process(c, tIn);
    } else if (dParser == t) {
      std::vector<Command> cmds;
      parser_.Expire(cmds);
      for (const auto& cmd : cmds) Handle(cmd);
    } else if (dBoot == t) {
      boot_->Expire(t);
    } else {
      auto fn = std::move(timers_.begin()->second);
      timers_.erase(timers_.begin());
      fn(t);
    }
  }
}

void Engine::Process(char c, SimTime t) {
  ++m_.rxTotal;
  const int64_t limit = m_.scenario().disconnectAfterRx;
  if (limit >= 0 && !m_.rxDisconnectDone && m_.rxTotal >= limit) {
    m_.rxDisconnectDone = true;
    m_.Event(Format("fault: disconnect after %lld bytes received", (long long)m_.rxTotal));
    Drop();
    return;
  }
  std::vector<Command> cmds;
  if (boot_ && parser_.Idle() && (c != proto::kCommandPrefix[0] || !boot_->AtBoundary())) {
    boot_->Feed(c, t);
    if (boot_->Finished()) {
      m_.Event("boot: leaving the bootloader");
      m_.bootloader = false;
      boot_.reset();
    }
    return;
  }
  parser_.Feed(c, t, cmds);
  for (const auto& cmd : cmds) Handle(cmd);
}

bool Engine::Silenced(const Command& c) {
  const std::string name = CommandName(c.kind);
  const int seen = ++m_.commandCounts[name];
  const int all = ++m_.commandCounts["*"];
  for (const SilenceRule& r : m_.scenario().silent) {
    if (r.command != "*" && r.command != name) continue;
    const int n = r.command == "*" ? all : seen;
    if (r.count < 0 || n <= r.count) return true;
  }
  return false;
}

void Engine::Handle(const Command& c) {
  m_.Event("command: " + Printable(c.text));
  if (boot_) {
    // The bootloader knows no adapter commands but the reset that brings the firmware back.
    if (c.kind != Cmd::Reset) return;
  }
  if (Silenced(c)) {
    m_.Event(std::string("fault: silent to ") + CommandName(c.kind));
    return;
  }
  switch (c.kind) {
    case Cmd::SysRead:
    case Cmd::SysSet:
    case Cmd::WifiRead:
    case Cmd::WifiSave:
    case Cmd::WifiScan:
    case Cmd::WifiUpdate:
    case Cmd::WifiErase:
      HandleOptions(c);
      break;
    default:
      HandleAdapter(c);
      break;
  }
}

// Identity, modes, the self-test, the bootloader, the reset and the driver transfer.
void Engine::HandleAdapter(const Command& c) {
  const SimTime t = c.at;
  switch (c.kind) {
    case Cmd::Identity:
      Reply(m_.IdentityLines(), t);
      break;
    case Cmd::Mode: {
      auto lines = m_.SwitchMode(c.arg);
      for (auto& l : m_.IdentityLines()) lines.push_back(l);
      Reply(lines, t);
      break;
    }
    case Cmd::Test:
      StartTest(c);
      break;
    case Cmd::Update:
      Reply({"Entering bootloader"}, t);
      m_.bootloader = true;
      EnterBootloader(t);
      break;
    case Cmd::Reset:
      // A restart: whatever was running or waiting to leave is gone.
      timers_.clear();
      out_.Clear();
      boot_.reset();
      m_.bootloader = false;
      break;
    case Cmd::Driver:
      SendPiece(m_.DriverAnswer(), t, true, true);
      break;
    default:
      Reply({"ERROR: unknown command " + Printable(c.text)}, t);
      break;
  }
}

// The system options and the WiFi bridge: its record, the scan and the chip commands.
void Engine::HandleOptions(const Command& c) {
  const SimTime t = c.at;
  const Scenario& sc = m_.scenario();
  switch (c.kind) {
    case Cmd::SysRead: {
      std::vector<std::string> lines = {m_.SystemInfoLine()};
      if (!sc.omit.count("UB")) lines.push_back("UB:" + sc.battery);
      Reply(lines, t);
      break;
    }
    case Cmd::SysSet: {
      auto lines = m_.SetSystemOptions(c.arg);
      lines.push_back(m_.SystemInfoLine());
      Reply(lines, t);
      break;
    }
    case Cmd::WifiRead:
      Reply({m_.WifiLine()}, t);
      break;
    case Cmd::WifiSave: {
      auto lines = m_.SaveWifi(c.arg);
      lines.push_back(m_.WifiLine());
      Reply(lines, t);
      break;
    }
    case Cmd::WifiScan:
      Schedule(t + Ms(sc.scanDelayMs), [this](SimTime at) { Reply(m_.ScanLines(), at); });
      break;
    case Cmd::WifiUpdate:
      Schedule(t + Ms(sc.wifiOpMs), [this](SimTime at) {
        Reply({"WiFi chipset update: OK", "WW:" + m_.scenario().wifiFirmware}, at);
      });
      break;
    default:  // WifiErase
      Schedule(t + Ms(sc.wifiOpMs), [this](SimTime at) {
        m_.FactoryResetWifi();
        Reply({"WiFi chipset factory reset: OK"}, at);
      });
      break;
  }
}

Bytes Engine::FrameEnd() const {
  Bytes end;
  if (m_.scenario().overlong > 0) end += std::string(std::size_t(m_.scenario().overlong), '#') + "\r\n";
  return end + "\r\n";
}

void Engine::Reply(std::vector<std::string> lines, SimTime t) {
  Bytes f = Frame(lines);
  f.resize(f.size() - 2);
  SendPiece(f + FrameEnd(), t, true, true);
}

void Engine::SendPiece(Bytes piece, SimTime t, bool first, bool last) {
  const Scenario& sc = m_.scenario();
  if (first) {
    Bytes noise = sc.noiseText;
    for (int i = 0; i < sc.noise; ++i) {
      char b = char(m_.NextRandom() & 0xFF);
      if (b == '\r' || b == '\n') b = '?';
      noise += b;
    }
    piece = noise + piece;
  }
  if (last) piece += sc.trailing;
  SendRaw(piece, t);
}

void Engine::SendRaw(const Bytes& bytes, SimTime t) {
  const Scenario& sc = m_.scenario();
  if (sc.chunkSize <= 0) {
    out_.Push(bytes, t);
    return;
  }
  SimTime notBefore = t;
  for (std::size_t pos = 0; pos < bytes.size();) {
    std::size_t n = std::size_t(sc.chunkSize);
    if (sc.chunkRandom) n = 1 + std::size_t(m_.NextRandom() % uint64_t(sc.chunkSize));
    n = std::min(n, bytes.size() - pos);
    notBefore = out_.Push(bytes.substr(pos, n), notBefore) + Ms(sc.chunkDelayMs);
    pos += n;
  }
}

void Engine::StartTest(const Command& c) {
  const Scenario& sc = m_.scenario();
  const int steps = std::max(1, sc.testSteps);
  // Which step each ERROR and WARNING line follows, spread over the run.
  std::multimap<int, std::string> notes;
  for (int i = 0; i < sc.testErrors; ++i)
    notes.emplace(1 + i * steps / std::max(1, sc.testErrors), Format("ERROR: check %d failed (simulated)", i + 1));
  for (int i = 0; i < sc.testWarnings; ++i)
    notes.emplace(1 + (2 * i + 1) * steps / std::max(2, 2 * sc.testWarnings),
                  Format("WARNING: check %d marginal (simulated)", i + 1));
  const SimDuration step = Ms(sc.testDurationMs) / steps;
  Bytes head = "\r\nSelf-test started\r\n";
  if (!c.arg.empty()) head += "Parameters: " + Printable(c.arg) + "\r\n";
  head += "Testing...   0%";
  SendPiece(head, c.at, true, false);
  for (int s = 1; s <= steps; ++s) {
    Bytes piece;
    auto range = notes.equal_range(s);
    if (range.first != range.second) {
      piece += "\r\n";
      for (auto it = range.first; it != range.second; ++it) piece += it->second + "\r\n";
    } else {
      piece += "\r";  // the counter is rewritten in place
    }
    piece += Format("Testing... %3d%%", s * 100 / steps);
    if (s == steps)
      piece +=
          Format("\r\nSelf-test finished: %d error(s), %d warning(s)\r\n", sc.testErrors, sc.testWarnings) + FrameEnd();
    Schedule(c.at + step * s, [this, piece, last = s == steps](SimTime at) { SendPiece(piece, at, false, last); });
  }
}

void Engine::EnterBootloader(SimTime t) {
  boot_ = std::make_unique<Bootloader>(
      m_, [this](Bytes b, SimTime at) { SendRaw(b, at); }, t);
}

void Engine::Drop() {
  disconnected_ = true;
  in_.Clear();
  out_.Clear();
  timers_.clear();
}

Bytes Engine::TakeOutput(SimTime now) {
  if (disconnected_) return {};
  const int64_t limit = m_.scenario().disconnectAfterTx;
  std::size_t max = SIZE_MAX;
  if (limit >= 0 && !m_.txDisconnectDone) max = std::size_t(std::max<int64_t>(0, limit - m_.txTotal));
  Bytes b = out_.Take(now, max);
  m_.txTotal += int64_t(b.size());
  if (limit >= 0 && !m_.txDisconnectDone && m_.txTotal >= limit) {
    m_.txDisconnectDone = true;
    m_.Event(Format("fault: disconnect after %lld bytes sent", (long long)m_.txTotal));
    Drop();
  }
  return b;
}

std::optional<SimTime> Engine::NextWake(SimTime now) const {
  if (disconnected_) return std::nullopt;
  std::optional<SimTime> w;
  auto take = [&](std::optional<SimTime> x) {
    if (x && (!w || *x < *w)) w = x;
  };
  take(out_.NextWake(now, kGranularity));
  take(in_.NextWake(now, kGranularity));
  if (!timers_.empty()) take(timers_.begin()->first);
  take(parser_.Deadline());
  if (boot_) take(boot_->Deadline());
  return w;
}

}  // namespace bx::sim
