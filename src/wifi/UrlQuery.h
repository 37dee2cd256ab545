#pragma once
// The URL-query text form of the adapter's WiFi record: "KEY=value&KEY=value".
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace bx {

// Every byte but A-Z, a-z, 0-9, "-", "." and "_" becomes "%" and two upper-case hex
// digits; a space is "%20", never "+".
std::string QueryEncode(std::string_view s);

// "+" is a space and "%" with the next two characters is the byte they spell (a
// character that is no hex digit counts as 0). A "%" too close to the end to have two
// characters after it stays as it is.
std::string QueryDecode(std::string_view s);

// The pairs of a reply payload, raw (not decoded), in the order they are to be applied.
// A key ends at "="; a space, "&", "?" or the end before it ends the scan. A value ends at
// the end or at a space, "&", "=" or "?"; only "&" lets the scan go on. A pair whose key
// text occurs anywhere after its value is left out: of a repeated key the last one wins.
std::vector<std::pair<std::string, std::string>> ScanQueryPairs(std::string_view payload);

// A log line with the values of the given keys masked: one "*" per byte the value decodes
// to, as the masked key fields show them. A pair is a piece between " ", "&" and "?" with
// an "=" in it; its key is what stands before that "=" and after any ":" ("WS:APPW=..."),
// decoded and cut to 5 bytes as the reader takes it. With `mask`, a value that is not
// empty becomes `mask` instead, which tells nothing of its length.
std::string MaskQueryValues(std::string_view line, const std::vector<std::string_view>& keys,
                            std::string_view mask = {});

}  // namespace bx
