#pragma once
// A window with one port whose link is scripted by the test: the far end answers
// commands the way the test says.
#include <functional>
#include <map>

#include "exchange/Exchange.h"
#include "exchange/PortList.h"
#include "support/FormFixture.h"
#include "support/ScriptedLink.h"
#include "window/Modules.h"

namespace bx::test {

inline Bytes Frame(const std::vector<std::string>& lines) {
  Bytes f = "\r\n";
  for (const auto& l : lines) f += l + "\r\n";
  return f + "\r\n";
}

// A request for the exchange as a page makes it.
inline ExchangeRequest Request(Operation op, std::string suffix = {}, bool wait = false) {
  ExchangeRequest r;
  r.operation = op;
  r.commandSuffix = std::move(suffix);
  r.wait = wait;
  return r;
}

struct AdapterWorld : FormWorld {
  // The window goes first: its close lets go of the link, which must still be there.
  ~AdapterWorld() { form.reset(); }
  ScriptedLink link;
  // The scripted link for the port it owns, as the link table would hand it out.
  struct ScriptedLinks : LinkFinder {
    explicit ScriptedLinks(ScriptedLink& l) : link(l) {}
    Link* FindLink(const std::string& name) override { return link.OwnsPort(name) ? &link : nullptr; }
    ScriptedLink& link;
  } scripted{link};
  // Replies by command text; a command without one gets silence.
  std::map<std::string, Bytes> replies;
  std::vector<Bytes> commands;

  TfrmMain& StartWithPort(const std::string& port = "/dev/ttyACM0", const std::string& detail = "/sys/x",
                          std::vector<std::string> args = {}) {
    return AttachPort(Start(std::move(args)), port, detail);
  }
  // Lists one port whose link is the scripted one, and chooses it.
  TfrmMain& AttachPort(TfrmMain& f, const std::string& port, const std::string& detail) {
    Ex().synchronousOpen = true;
    Ex().Connect(&scripted);
    ListPorts([port, detail] { return PortLists{{port}, {"USB Serial"}, {detail}}; });
    f.Modules->ports->Refresh(true);
    f.cbCOM.UserSelect(0);
    link.onWrite = [this](const Bytes& b) {
      commands.push_back(b);
      auto it = replies.find(b);
      if (it != replies.end()) link.Receive(it->second, false);
    };
    return f;
  }
  Exchange& Ex() { return *form->Modules->exchange; }
  // Runs virtual time until the exchange has ended (bounded).
  bool RunExchange(int64_t maxMs = 60000) {
    return loop.AdvanceUntil([this] { return !Ex().Running(); }, maxMs, 10);
  }
  // The window after an exchange: the link closed, the Settings controls usable again.
  void ExpectIdle() {
    TfrmMain& f = *form;
    EXPECT_FALSE(link.IsOpen());
    for (ui::TControl* c :
         std::initializer_list<ui::TControl*>{&f.pcOptions, &f.gbOptions, &f.lvModes, &f.btSearch, &f.cbCOM, &f.cbShow})
      EXPECT_TRUE(c->Enabled()) << c->Name();
    EXPECT_FALSE(f.bpConnect.Visible());
    EXPECT_FALSE(f.tmrSearch.Running());
  }
  int Count(const std::string& cmd) const {
    int n = 0;
    for (const auto& c : commands) n += c == cmd;
    return n;
  }
};

}  // namespace bx::test
