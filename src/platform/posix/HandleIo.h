#pragma once
// Shared by the POSIX byte handles of the simulator's transports: non-blocking reads and
// writes of whatever the descriptor takes now.
#include <cstddef>
#include <string>

namespace bx::posix {

// Writes as much of `pending` as the descriptor takes now and drops it from `pending`;
// false when the peer is gone. Sockets are written without SIGPIPE.
bool WritePending(int fd, std::string& pending, bool socket);
// Appends what is there now, up to `max` in all; false on end of file or a hard error.
bool ReadAvailable(int fd, std::string& out, std::size_t max);
// "what: the system's text for errno".
std::string ErrnoText(const std::string& what);

}  // namespace bx::posix
