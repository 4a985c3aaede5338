// platform/posix: adapters that do the work on Linux itself; stand-ins for Windows go in sim/.
// Who is at the other end of a loopback TCP connection: the user owning the
// connecting socket, as the kernel's socket table tells it.
#pragma once
#include <optional>

namespace kit::posix {

// The user id owning the socket 127.0.0.1:peer_port that is connected to
// 127.0.0.1:local_port; nothing when the kernel does not tell.
std::optional<unsigned> LoopbackPeerUser(int peer_port, int local_port);

}  // namespace kit::posix
