// The WiFi record without a page (the command line's): what a "WS:" pair sets, the save
// command of the changed entries, and that the record reads a reply as the page shows it.
#include <gtest/gtest.h>

#include "exchange/Identity.h"
#include "support/AdapterWorld.h"
#include "wifi/WiFiPage.h"
#include "wifi/WiFiRecord.h"

namespace bx {
namespace {

TEST(WiFiRecord, APairSetsWhatThePageWouldShow) {
  struct Case {
    const char* key;
    const char* value;
    const char* entry;  // null: the pair sets nothing
    const char* shown;
  };
  const std::string longValue(40, 'v');
  const Case cases[] = {
      {"ALIAS", "My%20Car", "ALIAS", "My Car"},
      {"ALIASX", "cut", "ALIAS", "cut"},  // the key is cut to 5 bytes
      {"ALIAS", longValue.c_str(), "ALIAS", "vvvvvvvvvvvvvvvvvvvvvvvvvvvvvvvv"},
      {"NOPE", "1", nullptr, ""},
      {"HIDE", "0", "HIDE", "0"},
      {"HIDE", "yes", "HIDE", "1"},  // anything but 0 ticks the box
      {"APCH", "6", "APCH", "6"},
      {"APCH", "06", "APCH", "6"},
      {"APCH", "13", "APCH", "13"},
      {"APCH", "0", nullptr, ""},
      {"APCH", "14", nullptr, ""},
      {"APCH", "x", nullptr, ""},
      {"APAUT", "0", "APAUT", "0"},
      {"APAUT", "1", nullptr, ""},  // code 1 is not offered
      {"APAUT", "2", "APAUT", "2"},
      {"APAUT", "4", "APAUT", "4"},
      {"APAUT", "5", nullptr, ""},
      {"APAUT", "-2", "APAUT", ""},  // a negative code clears the choice
      {"APAUT", "WPA", nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.key) + "=" + c.value);
    const std::optional<WiFiPair> p = ReadWiFiPair(c.key, c.value);
    ASSERT_EQ(p.has_value(), c.entry != nullptr);
    if (!p) continue;
    EXPECT_STREQ(p->entry->key, c.entry);
    EXPECT_EQ(p->value, c.shown);
  }
}

TEST(WiFiRecord, ASaveSendsTheChangedEntriesInTheRecordsOrder) {
  struct Case {
    std::vector<std::pair<const char*, const char*>> changed;
    bool dhcp;
    const char* command;
  };
  const Case cases[] = {
      {{}, false, ""},
      {{{"APAUT", "2"}, {"ALIAS", "My Car"}}, false, "WC?ALIAS=My%20Car&APAUT=2"},
      {{{"STIP", "10.0.0.9"}, {"SDHCP", "0"}}, false, "WC?SDHCP=0&STIP=10.0.0.9"},
      {{{"STIP", "10.0.0.9"}, {"SDHCP", "1"}}, true, "WC?SDHCP=1"},  // the static address waits for DHCP off
      {{{"STIP", "10.0.0.9"}}, true, ""},
      {{{"WSBID", "X"}, {"STPW", "k&y"}}, false, "WC?STPW=k%26y"},  // an entry only read is never sent
  };
  for (const Case& c : cases) {
    const auto changed = [&c](const WiFiEntry& e) -> std::optional<std::string> {
      for (const auto& [key, value] : c.changed)
        if (std::string_view(key) == e.key) return value;
      return std::nullopt;
    };
    std::vector<const WiFiEntry*> sent;
    EXPECT_EQ(WiFiSaveCommand(changed, c.dhcp, &sent), c.command);
    EXPECT_EQ(sent.empty(), std::string(c.command).empty());
  }
}

// The page and the record read the same reply lines into the same values.
TEST(WiFiRecord, ReadsARecordAsThePageShowsIt) {
  test::AdapterWorld w;
  TfrmMain& f = w.StartWithPort();
  f.Modules->wifi->Show();
  const std::vector<std::string> payloads = {
      "ALIAS=Car&WSBP=23&HIDE=1&APCH=11&APAUT=4&APPW=k%26y&SDHCP=0&STIP=10.0.0.2&WSBID=B1&STMAC=11:22",
      "APCH=99&APAUT=1&HIDE=0&ALIAS=Second&STAP=Home%20Net",  // a later line over the first
      "APAUT=-1&STEN=1&ALIAS=x&ALIAS=Last",
  };
  WiFiRecord record;
  for (const std::string& payload : payloads) {
    f.Modules->identity->ShowReply("WS:" + payload);
    record.Apply(payload);
    for (const WiFiPage::Entry& e : f.Modules->wifi->Entries())
      EXPECT_EQ(record.Value(*e.field), WiFiPage::ControlValue(e)) << e.field->key << " after " << payload;
  }
  EXPECT_EQ(record.Value(*FindWiFiEntry("ALIAS")), "Last");
  EXPECT_EQ(record.Value(*FindWiFiEntry("APAUT")), "");
}

}  // namespace
}  // namespace bx
