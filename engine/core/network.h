// Network handles: one per connected TCP socket, with a length-prefixed framing that moves bytes between the socket
// and two growable ring buffers (receive and send queues). Socket events arrive as the socket message 0x505 at the
// socket window and are handled by OnSocketMessage; the pump ProcessNetWorkMessages dispatches those messages, and its
// per-pass form (close-lost flag 1) first finds the readiness of every socket with one poll, so a pass over many
// handles costs time in proportion to their number. A closed handle's queued bytes still go out during the passes
// that follow, for at most a second; nothing waits for them. Everything runs on the engine's thread under the API
// lock.
//
// On the wire every chunk of data is preceded by its length as a little-endian u32.
#pragma once

#include <cstdint>

#include "engine/core/link_list.h"
#include "engine/core/mem_alloc.h"
#include "platform/net/socket.h"
#include "platform/window/window.h"

inline constexpr int kNetWorkHandleType = 0x48000000;
inline constexpr int kMaxNetWorkHandles = 4097;
inline constexpr std::uint32_t kSocketMessage = 0x505;
// A received frame longer than this is refused like one the receive ring cannot grow for. The receive ring grows
// with the bytes that arrive (never ahead of them by more than kNetWorkReceiveStep), doubling as it fills so the
// bytes it holds are moved a logarithmic number of times.
inline constexpr int kMaxNetWorkFrameLength = 64 * 1024 * 1024;
inline constexpr int kNetWorkReceiveStep = 64 * 1024;
// Received bytes the application has not read, per handle: at this many the engine takes nothing more from the
// socket (the peer's sends then wait in the kernel's buffers) until the application reads. As large as the largest
// frame, so a whole frame can always be waited for. A handle's receive ring is never larger than this plus 1000
// bytes, its send ring never larger than kMaxNetWorkSendQueue plus 1000 bytes.
inline constexpr int kMaxNetWorkReceiveQueue = kMaxNetWorkFrameLength;
// Bytes one receive step takes from a socket at most (a public call makes at most three such steps per handle), so
// a peer that keeps sending cannot hold an engine call.
inline constexpr int kNetWorkReceivePerStep = 1024 * 1024;
// Bytes a handle's send queue may hold; a send that would take it beyond fails, so a peer that never reads cannot
// make the engine hold more than this per handle.
inline constexpr int kMaxNetWorkSendQueue = 16 * 1024 * 1024;

struct NetWorkHandleRecord {
  int inUse;
  int errorFlag;       // a receive ring could not grow
  int connected;       // 1 from creation; 0 after FD_CLOSE
  int lossNoticed;     // set by GetNetWorkAcceptState when it first sees the connection gone
  int cleared;
  int useRingBuffers;  // 0: the handle's reads and sends go straight to the socket
  int closeWhenLost;   // 1: the pump closes the handle once its loss has been noticed
  int check;
  platform::SocketId socket;
  int recvPending;     // bytes still expected of the current incoming frame
  RingBuffer recvRing;
  RingBuffer sendRing;
  int sendPending;     // bytes still to send of the current outgoing frame
  std::uint8_t sendLengthWord[4];
  int sendLengthUnsent;  // bytes of the length word still unsent
  std::uint8_t peerAddress[4];
  int peerPort;
  ListNode node;
  std::uint32_t closeStart;  // closed handles only: when the close began (their queued bytes go out until a deadline)
};

struct NetWorkState {
  int initialised;
  platform::WindowHandle socketWindow;
  NetWorkHandleRecord* records[kMaxNetWorkHandles];
  int handleCount;
  int nextCheck;       // 0..2047, wraps
  ListNode listHead;
  ListNode listTail;
  NetWorkHandleRecord* listener;  // the listening record (linked in the list with value -1), or null
  int noRingBuffers;   // engine-wide: new handles take no ring buffers
  int keepLostHandles; // engine-wide: new handles are not closed when lost
  int recvRunning;     // re-entry guards
  int sendRunning;
};
extern NetWorkState g_NetWork;

// Starts the layer: the socket messages go to `socketWindow` (normally the engine's main window, whose procedure
// hands 0x505 to OnSocketMessage). -1 when already started or without a window.
int StartNetWork(platform::WindowHandle socketWindow);
// A listening socket on all IPv4 addresses (port 0 takes a free port); returns the port, or -1.
int StartListenNetWork(int port);
// Connects to host:port and makes a handle for it (the settings decide ring buffers and close-when-lost); -1 when the
// name does not resolve or the connection cannot be made.
int ConnectNetWork(const char* host, int port);
int ConnectNetWorkWith(const char* host, int port, int useRingBuffers, int closeWhenLost);

int RecvSocket(int handle);
int SendSocket(int handle);
int NetWorkRecv(int handle, void* buffer, int length);
int NetWorkRecvToPeek(int handle, void* buffer, int length);
int NetWorkSend(int handle, const void* buffer, int length);
int GetNetWorkDataLength(int handle);
int GetNetWorkAcceptState(int handle);
int AcceptNetWork();
int CloseNetWork(int handle);
platform::LResult OnSocketMessage(platform::WParam wParam, platform::LParam lParam);
int ProcessNetWorkMessages(int closeLost);
int EndNetWork();

// Ring buffer operations over RingBuffer (engine/core/mem_alloc.h).
int RingBufferAppend(RingBuffer* ring, const void* data, int length);
int RingBufferTake(RingBuffer* ring, void* out, int length, int peek);
