#pragma once
// The network search against a far host that answers with the input: one datagram a
// line, each a little later than the one before; a line "#N rest" is padded to N bytes
// (at most 2000), so that answers around the 1023-byte limit come up. Whatever comes
// back, the search ends after its passes, closes its socket, gives the pages back, logs
// no datagram longer than it reads and lists only device lines it logged.
#include <algorithm>
#include <string_view>

#include "Check.h"
#include "Input.h"
#include "netdev/NetworkPage.h"
#include "netdev/NetworkSearch.h"
#include "platform/fake/FakeDatagramNetwork.h"
#include "support/FormFixture.h"
#include "window/Modules.h"

namespace bx::fuzz {

inline std::vector<Bytes> SearchAnswers(std::string_view input) {
  std::vector<Bytes> answers;
  while (!input.empty() && answers.size() < 64) {
    Bytes line(TakeUntil(input, '\n'));
    if (line.size() > 1 && line[0] == '#') {
      const std::size_t space = line.find(' ');
      const auto size = static_cast<std::size_t>(std::clamp(StrToIntDef(line.substr(1, space - 1), 0), 0, 2000));
      line = space == std::string::npos ? Bytes() : line.substr(space + 1);
      if (line.size() < size) line.resize(size, '.');
    }
    answers.push_back(line);
  }
  return answers;
}

inline void DriveNetSearch(std::string_view input) {
  const std::vector<Bytes> answers = SearchAnswers(input);
  ui::VirtualEventLoop* clock = nullptr;
  FakeDatagramNetwork net([&clock] { return clock ? clock->NowMs() : 0; });
  bool answered = false;
  net.AddHost(0x0A000009u, [&](const InProcessNetwork::Sent&) {
    std::vector<InProcessNetwork::Reply> replies;
    for (std::size_t i = 0; i < answers.size() && !answered; ++i)
      replies.push_back({answers[i], static_cast<int>(i * 53 % 900)});
    answered = true;
    return replies;
  });
  test::FormWorld w;
  clock = &w.loop;
  ui::SetExceptionDisplay([](const std::string& message) { Fail("an exception escaped a handler: " + message); });
  AppContext c = w.Context();
  c.network = &net;
  TfrmMain& f = w.Start(std::move(c));
  f.btUDP_Search.Click();
  w.loop.AdvanceUntil([&f] { return !f.Modules->search->Running(); }, 4100, 100);
  Check(!f.Modules->search->Running(), "the search ends after its four passes");
  Check(net.OpenSockets() == 0 && f.pcOptions.Enabled(), "its socket is closed and the pages are back");
  const std::vector<std::string> log = f.memLog_Network.Lines();
  for (const std::string& line : log) {
    Check(line != NetworkSearch::Request(), "the search's own request is never logged");
    Check(line.size() <= NetworkSearch::kMaxAnswer, "no datagram longer than the search reads is logged");
  }
  const NetworkPage& page = *f.Modules->network;
  for (int i = 0; i < page.RowCount(); ++i) {
    const std::string text = FormatDeviceLine(page.Row(i));
    Check(std::any_of(answers.begin(), answers.end(), [&](const Bytes& a) { return a == text; }),
          "every listed device answered with its device line");
  }
  ui::SetExceptionDisplay({});
}

}  // namespace bx::fuzz
