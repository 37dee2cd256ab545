#include <gtest/gtest.h>

#include "wifi/ScanLine.h"
#include "wifi/UrlQuery.h"

namespace bx {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST(QueryCoding, EncodesEveryReservedByteAsUpperHexAndDecodesBothCases) {
  EXPECT_EQ(QueryEncode("My Car"), "My%20Car");
  EXPECT_EQ(QueryEncode("a-b.c_d~+&=%"), "a-b.c_d%7E%2B%26%3D%25");
  EXPECT_EQ(QueryEncode(std::string("\xff\x00", 2)), "%FF%00");
  EXPECT_EQ(QueryDecode("My%20Car+2%2b%2B"), "My Car 2++");
  // A non-hex digit counts as 0; a "%" without two characters after it is kept.
  EXPECT_EQ(QueryDecode("%G1"), std::string("\x01"));
  EXPECT_EQ(QueryDecode("ab%4"), "ab%4");
  EXPECT_EQ(QueryDecode("ab%"), "ab%");
  const std::string all = [] {
    std::string s;
    for (int c = 0; c < 256; ++c) s += static_cast<char>(c);
    return s;
  }();
  EXPECT_EQ(QueryDecode(QueryEncode(all)), all);
}

TEST(QueryPairs, StopsAtSpacesAndLetsTheLastOccurrenceOfAKeyWin) {
  struct Case {
    const char* name;
    const char* query;
    Pairs pairs;
  };
  const Case cases[] = {
      {"three pairs", "ALIAS=My%20Car&APCH=6&APAUT=3", {{"ALIAS", "My%20Car"}, {"APCH", "6"}, {"APAUT", "3"}}},
      {"the last occurrence wins", "ALIAS=a&ALIAS=b", {{"ALIAS", "b"}}},
      // The text APCH occurs after the first pair, as a value: the channel is not applied.
      {"a key's text as a value", "APCH=6&ALIAS=APCH", {{"ALIAS", "APCH"}}},
      {"a space in a value ends the scan", "ALIAS=a b&APCH=6", {{"ALIAS", "a"}}},
      {"a space in a key ends the scan", "ALI AS=a&APCH=6", {}},
      {"a question mark ends the value", "ALIAS=a?APCH=6", {{"ALIAS", "a"}}},
      {"a second equals sign ends the value", "ALIAS=a=b&APCH=6", {{"ALIAS", "a"}}},
      {"an empty value, a key without one", "ALIAS=&APCH", {{"ALIAS", ""}}},
      {"empty query", "", {}},
      {"only separators", "&&", {}},
      {"a trailing separator", "HIDE=1&", {{"HIDE", "1"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ScanQueryPairs(c.query), c.pairs) << c.name;
}

TEST(QueryMask, KeysAreMaskedWhereverTheReaderWouldTakeThem) {
  struct Case {
    const char* name;
    const char* line;
    const char* shown;
  };
  const Case cases[] = {
      {"a settings line", "WS:ALIAS=Car&APPW=secret&STPW=k%26y", "WS:ALIAS=Car&APPW=******&STPW=***"},
      {"a save command", "WC?APPW=p%20w&STAP=Home", "WC?APPW=***&STAP=Home"},
      {"an encoded key", "AP%50W=abc", "AP%50W=***"},
      {"a key cut to five bytes is another key", "APPWX=abc", "APPWX=abc"},
      {"a key's name as a value", "ALIAS=APPW", "ALIAS=APPW"},
      {"an empty key", "STPW=&ALIAS=x", "STPW=&ALIAS=x"},
      {"a value up to a space", "APPW=a:b=c d", "APPW=***** d"},
      {"a scan line", "AP1:6,-58,3,A0:B1,\"Garage\"", "AP1:6,-58,3,A0:B1,\"Garage\""},
      {"separators only", "&? ", "&? "},
      {"empty", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(MaskQueryValues(c.line, {"APPW", "STPW"}), c.shown) << c.name;
}

TEST(ScanPayload, FieldsSecurityAndTheQuotedSsid) {
  const AccessPointRow r = ParseScanPayload("6,-58,3,A0:B1:C2:D3:E4:F5,\"Garage\"");
  EXPECT_EQ(r.channel, "6");
  EXPECT_EQ(r.rssi, "-58");
  EXPECT_EQ(r.security, "WPA2-PSK");
  EXPECT_EQ(r.mac, "A0:B1:C2:D3:E4:F5");
  EXPECT_EQ(r.ssid, "Garage");
  const AccessPointRow three = ParseScanPayload("1,-70,0");
  EXPECT_EQ(three.security, "Open");
  EXPECT_EQ(three.mac, "");
  EXPECT_EQ(three.ssid, "");
  EXPECT_EQ(ParseScanPayload("1,-70,2,M,\"my,net\"").ssid, "m");
  EXPECT_EQ(ParseScanPayload("1,-70,1,M,\"x\"").security, "");
  EXPECT_EQ(ParseScanPayload("1,-70,4,M,\"x\"").security, "WPA-WPA2-PSK");
  EXPECT_EQ(ParseScanPayload("1,-70,WPA,M,\"x\"").security, "");
  EXPECT_EQ(ParseScanPayload("1,-70,9,M,\"").ssid, "");
  EXPECT_EQ(ParseScanPayload("").ssid, "");
}

}  // namespace
}  // namespace bx
