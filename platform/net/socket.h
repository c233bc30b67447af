// platform/net: the Winsock stand-in over POSIX sockets (this file, socket.cpp); one implementation, no back-end
// files.
//
// TCP sockets over POSIX, in the asynchronous-message model the engine's network layer was written for: every
// socket is non-blocking, and a socket selected for events gets them as a window message (wParam: the socket,
// lParam: event in the low word, error in the high word).
//
// Readiness is found by PostSocketEvents, which polls every selected socket once, without waiting, and posts the
// messages; the caller decides when that happens (the engine does it in its own message pump), so no thread of this
// layer runs and the order of events follows the caller. Each event is posted once and then stays quiet until the
// matching call re-enables it: FD_READ by a receive, FD_WRITE by a send that could not send everything, FD_ACCEPT by
// an accept; FD_CLOSE is posted once per socket.
//
// Socket values are ids handed out from a counter and never reused, so a message still queued for a closed socket
// cannot be taken for a newer one.
#pragma once

#include <cstdint>

#include "platform/window/window.h"

namespace platform {

using SocketId = std::uintptr_t;
inline constexpr SocketId kInvalidSocket = 0;

// Event bits, as in the event word of the socket message.
inline constexpr std::uint32_t kFdRead = 0x01;
inline constexpr std::uint32_t kFdWrite = 0x02;
inline constexpr std::uint32_t kFdAccept = 0x08;
inline constexpr std::uint32_t kFdConnect = 0x10;
inline constexpr std::uint32_t kFdClose = 0x20;

// The error of the calling thread's last failed socket call (an errno value).
int SocketLastError();
// The error code meaning "nothing can be done now without waiting".
bool IsSocketWouldBlock(int error);

// Looks the name up as an IPv4 address (dotted numbers or a host name). False when it does not resolve.
bool ResolveHostIPv4(const char* name, std::uint8_t address[4]);

// A listening socket bound to the address (0.0.0.0 for all) and port (0 chooses a free one); *boundPort receives the
// port (may be null).
SocketId ListenSocket(const std::uint8_t address[4], int port, int* boundPort);
// Takes a pending connection; the peer's address and port are stored when the pointers are not null.
SocketId AcceptSocket(SocketId listener, std::uint8_t peerAddress[4], int* peerPort);
// Connects, waiting at most timeoutMs for the connection to be made.
SocketId ConnectSocket(const std::uint8_t address[4], int port, int timeoutMs);

// recv: the bytes received (0: the peer has closed), or -1 (SocketLastError). peek leaves them in the socket.
int ReceiveFromSocket(SocketId socket, void* buffer, int length, bool peek);
// send: the bytes sent, or -1 (SocketLastError).
int SendToSocket(SocketId socket, const void* data, int length);
// Shuts the socket and forgets it (and its selection).
bool CloseSocket(SocketId socket);

// Selects the events to be posted as `message` to `window`; events 0 (or message 0) stops them. Selecting re-enables
// every event.
bool SelectSocketEvents(SocketId socket, WindowHandle window, std::uint32_t message, std::uint32_t events);
// Polls every selected socket once and posts what it found. Returns the number of messages posted.
int PostSocketEvents();

// Sockets currently open (for tests that check nothing leaks).
int OpenSocketCount();
// Polls made by PostSocketEvents so far (for tests that count them per pass).
int SocketPollCount();

}  // namespace platform
