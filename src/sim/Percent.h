#pragma once
// The percent-encoded "key=value&key=value" form in which the adapter reports its WiFi
// record and the program sends changed settings back.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bx::sim {

// Every byte but A-Z, a-z, 0-9, "-", "." and "_" becomes "%" and two upper-case hex digits.
std::string PercentEncode(std::string_view s);
// "+" becomes a space, "%HH" the byte; false on a "%" not followed by two hex digits.
bool PercentDecode(std::string_view s, std::string& out);

using Pairs = std::vector<std::pair<std::string, std::string>>;
// Splits on "&" and the first "=" of each piece, decoding both sides; false on a piece
// without "=" or with a bad escape (nothing of `out` is then to be trusted).
bool ParsePairs(std::string_view text, Pairs& out);
std::string EncodePairs(const Pairs& pairs);

}  // namespace bx::sim
