#pragma once
// Facts of the adapter's wire protocol shared by the program and the simulator.
#include <string_view>

namespace bx::proto {

inline constexpr std::string_view kCommandPrefix = "!dulMAR_SC_";
inline constexpr std::string_view kFrameEnd = "\r\n\r\n";
inline constexpr std::string_view kCrLf = "\r\n";

// Network discovery: the request is kSearchRequestHead followed by the 9-character
// identification word, sent to UDP port kDiscoveryPort.
inline constexpr std::string_view kSearchRequestHead = "I am searching for ";
inline constexpr unsigned short kDiscoveryPort = 45678;
// The identification word, kept scrambled: each byte XOR kSearchWordMask.
inline constexpr unsigned char kSearchWordMask = 0x5A;
inline constexpr unsigned char kSearchWordScrambled[9] = {
    // "BRVNTXNET"
    'B' ^ 0x5A, 'R' ^ 0x5A, 'V' ^ 0x5A, 'N' ^ 0x5A, 'T' ^ 0x5A, 'X' ^ 0x5A, 'N' ^ 0x5A, 'E' ^ 0x5A, 'T' ^ 0x5A};

// Driver transfer markers and the version marker inside the pass-thru library.
inline constexpr std::string_view kDriverBegin = "[BEGIN]";
inline constexpr std::string_view kDriverEnd = "[END]";
inline constexpr std::string_view kDriverVersionMarker = "tCdV";

}  // namespace bx::proto
