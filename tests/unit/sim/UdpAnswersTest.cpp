// The simulator's answers to the network search: what the scenario's udp_answer lines
// make of one request sent to a broadcast address or to the adapter alone.
#include <gtest/gtest.h>

#include "sim/Scenario.h"
#include "sim/SimUdp.h"

namespace bx::sim {
namespace {

Datagram Request(const std::string& text, std::size_t length = 0) {
  return {text, length ? length : text.size(), 0x0A000001u, 45678, 0x0A0000FFu};
}

TEST(UdpAnswers, TheScenarioDecidesWhatAnswersWhichRequest) {
  const std::vector<std::string> scripted = {"udp_answer = @device",
                                             "udp_answer = to=broadcast delay=300 Shed 11:22 10.0.0.9 23",
                                             "udp_answer = to=direct Direct 00:01 10.0.0.11 23",
                                             "udp_answer = repeat=2 hello\\r\\n", "udp_answer = size=40 Big 0 1 2"};
  const std::string own = "Brevantix Sim 02:42:58:00:00:17 10.0.0.2 2323";
  const std::string big = "Big 0 1 2" + std::string(31, '.');
  struct Case {
    const char* name;
    std::vector<std::string> scenario;
    Datagram request;
    bool broadcast;
    std::vector<std::pair<std::string, int>> expected;
  } cases[] = {
      {"the default: its own line", {}, Request(SearchRequest()), true, {{own, 0}}},
      {"net_ip and net_port name another place",
       {"net_ip = 192.168.4.1", "net_port = 23"},
       Request(SearchRequest()),
       false,
       {{"Brevantix Sim 02:42:58:00:00:17 192.168.4.1 23", 0}}},
      {"not the request", {}, Request(SearchRequest().substr(0, 27)), true, {}},
      {"the request and more", {}, Request(SearchRequest() + "\n"), true, {}},
      {"a request cut short on the way in", {}, Request(SearchRequest(), 1500), true, {}},
      {"scripted, to a broadcast",
       scripted,
       Request(SearchRequest()),
       true,
       {{own, 0}, {"Shed 11:22 10.0.0.9 23", 300}, {"hello\r\n", 0}, {"hello\r\n", 0}, {big, 0}}},
      {"scripted, to the adapter alone",
       scripted,
       Request(SearchRequest()),
       false,
       {{own, 0}, {"Direct 00:01 10.0.0.11 23", 0}, {"hello\r\n", 0}, {"hello\r\n", 0}, {big, 0}}},
  };
  for (const Case& c : cases) {
    Scenario s;
    ScenarioLoader load(s);
    std::string err;
    for (const std::string& line : c.scenario) ASSERT_TRUE(load.SetAssignment(line, err)) << c.name << ": " << err;
    Adapter adapter(s);
    std::vector<std::pair<std::string, int>> got;
    for (const UdpReply& r : AnswerSearch(adapter, c.request, c.broadcast, "10.0.0.2", "2323"))
      got.emplace_back(r.data, r.delayMs);
    EXPECT_EQ(got, c.expected) << c.name;
    EXPECT_EQ(adapter.Events().size(), 1u) << c.name << ": every datagram is an event";
  }
}

TEST(UdpAnswers, BadOptionsAreRefusedAndOtherWordsAreText) {
  struct Case {
    const char* value;
    const char* error;  // nullptr: accepted
    const char* text;
  } cases[] = {
      {"to=nowhere x", "to= wants any, broadcast or direct", nullptr},
      {"delay=-1 x", "delay=: expected a whole number from 0 to 600000, got \"-1\"", nullptr},
      {"repeat=0 x", "repeat=: expected a whole number from 1 to 100, got \"0\"", nullptr},
      {"size=70000", "size=: expected a whole number from 0 to 65507, got \"70000\"", nullptr},
      {"colour=red x y z", nullptr, "colour=red x y z"},
      {"to=any", nullptr, ""},
      {"Name with=sign 00:01 10.0.0.1 23", nullptr, "Name with=sign 00:01 10.0.0.1 23"},
  };
  for (const Case& c : cases) {
    UdpAnswerRule r;
    std::string err;
    const bool ok = ParseUdpAnswer(c.value, r, err);
    EXPECT_EQ(ok, c.error == nullptr) << c.value;
    if (c.error) {
      EXPECT_EQ(err, c.error) << c.value;
    }
    if (c.text) {
      EXPECT_EQ(r.text, c.text) << c.value;
    }
  }
}

}  // namespace
}  // namespace bx::sim
