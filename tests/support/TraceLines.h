#pragma once
// Reads a wire trace back (links/TraceWriter.h): each chunk line with its time,
// direction, port, size and the bytes its hex spells, and the byte streams they make.
#include <sstream>
#include <string>
#include <vector>

namespace bx::test {

struct TraceChunk {
  long long us = 0;
  std::string dir;  // "TX" or "RX"
  std::string port;
  bool first = true;     // the chunk's first line; false for a "[+N]" line
  std::size_t size = 0;  // the chunk's size (first lines) or the line's offset
  std::string bytes;     // the line's bytes, from the hex
};

inline std::vector<TraceChunk> ParseTrace(const std::string& trace) {
  std::vector<TraceChunk> out;
  std::istringstream in(trace);
  for (std::string line; std::getline(in, line);) {
    std::istringstream f(line);
    TraceChunk c;
    std::string size;
    if (!(f >> c.us >> c.dir >> c.port >> size) || (c.dir != "TX" && c.dir != "RX")) continue;
    if (size.size() < 3 || size.front() != '[' || size.back() != ']') continue;
    c.first = size[1] != '+';
    c.size = std::stoul(size.substr(c.first ? 1 : 2));
    const std::size_t bar = line.find("  |");
    std::istringstream hex(line.substr(0, bar));
    for (std::string skip; hex >> skip && skip != size;) {
    }
    for (std::string h; hex >> h;) c.bytes += static_cast<char>(std::stoi(h, nullptr, 16));
    out.push_back(c);
  }
  return out;
}

// The bytes of one direction (and one port, unless empty) in the order traced.
inline std::string TraceStream(const std::vector<TraceChunk>& chunks, const std::string& dir,
                               const std::string& port = "") {
  std::string out;
  for (const TraceChunk& c : chunks)
    if (c.dir == dir && (port.empty() || c.port == port)) out += c.bytes;
  return out;
}

}  // namespace bx::test
