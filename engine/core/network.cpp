#include "engine/core/network.h"

#include <climits>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "engine/core/log.h"
#include "platform/base/clock.h"

NetWorkState g_NetWork{};

namespace {

constexpr int kHandleTypeMask = 0x78000000;
constexpr int kCheckShift = 16;
constexpr int kCheckMask = 0x7FF;
constexpr int kSlotMask = 0xFFFF;
// New handles take the first free slot below this.
constexpr int kAssignableSlots = 4096;
constexpr std::uint32_t kHandleEvents = platform::kFdRead | platform::kFdWrite | platform::kFdClose;
// Socket messages dispatched by one pump at most, so a peer that keeps sending cannot hold the pump.
constexpr int kMessagesPerPump = 256;
constexpr std::uint32_t kFlushMilliseconds = 1000;
constexpr int kConnectTimeoutMs = 5000;

int MakeHandle(int check, int slot) { return ((check | (kNetWorkHandleType >> 16)) << 16) | slot; }

// The record of a handle that passes the type, slot and check tests, or null.
NetWorkHandleRecord* Lookup(int handle) {
  if (handle < 0 || (handle & kHandleTypeMask) != kNetWorkHandleType) return nullptr;
  const int slot = handle & kSlotMask;
  if (slot >= kMaxNetWorkHandles) return nullptr;
  NetWorkHandleRecord* r = g_NetWork.records[slot];
  if (r == nullptr || ((r->check & kCheckMask) << kCheckShift) != (handle & (kCheckMask << kCheckShift)))
    return nullptr;
  return r;
}

// The checks every named handle operation starts with. errorName is the name written in the error-flag message.
NetWorkHandleRecord* CheckHandle(int handle, const char* name, const char* errorName) {
  if (g_NetWork.initialised == 0) return nullptr;
  NetWorkHandleRecord* r = Lookup(handle);
  if (r == nullptr) return nullptr;
  if (r->inUse == 0) {
    LogPrintf("有効なネットワークハンドルではありません in %s", name);
    return nullptr;
  }
  if (r->errorFlag != 0) {
    LogPrintf("このネットワークハンドルにはエラーが発生しています in %s", errorName);
    return nullptr;
  }
  return r;
}

NetWorkHandleRecord* CheckHandle(int handle, const char* name) { return CheckHandle(handle, name, name); }

int NetWorkLog(const char* message) {
  return LogPrintf("ネットワークログ。%s[%d]", message, platform::SocketLastError());
}

// The records by socket, so a socket message finds its handle at once however many there are.
std::unordered_map<platform::SocketId, NetWorkHandleRecord*>& SocketIndex() {
  static std::unordered_map<platform::SocketId, NetWorkHandleRecord*> index;
  return index;
}

// Closed handles whose queued bytes are still going out (see FlushClosedHandles).
std::vector<NetWorkHandleRecord*>& ClosedHandles() {
  static std::vector<NetWorkHandleRecord*> closed;
  return closed;
}

void Link(NetWorkHandleRecord* r) {
  LinkListInsert(&g_NetWork.listHead, &r->node, -1, r);
  SocketIndex()[r->socket] = r;
}

void Unlink(NetWorkHandleRecord* r) {
  LinkListUnlink(&r->node);
  const auto it = SocketIndex().find(r->socket);
  if (it != SocketIndex().end() && it->second == r) SocketIndex().erase(it);
}

int FreeSlot() {
  for (int slot = 0; slot < kAssignableSlots; ++slot)
    if (g_NetWork.records[slot] == nullptr) return slot;
  return -1;
}

NetWorkHandleRecord* NewRecord(int useRingBuffers, int closeWhenLost) {
  auto* r = static_cast<NetWorkHandleRecord*>(ENGINE_ALLOC_ZEROED(static_cast<int>(sizeof(NetWorkHandleRecord))));
  if (r == nullptr) return nullptr;
  r->inUse = 1;
  r->connected = 1;
  r->useRingBuffers = useRingBuffers;
  r->closeWhenLost = closeWhenLost;
  return r;
}

// Gives the record its slot and check value; returns the handle.
int TakeSlot(NetWorkHandleRecord* r, int slot) {
  r->check = g_NetWork.nextCheck;
  g_NetWork.nextCheck = g_NetWork.nextCheck >= 2047 ? 0 : g_NetWork.nextCheck + 1;
  g_NetWork.records[slot] = r;
  ++g_NetWork.handleCount;
  const int handle = MakeHandle(r->check, slot);
  r->node.value = handle;
  return handle;
}

// Undoes a record that never became a handle: unlinks it, closes its socket, frees its rings and itself.
void DiscardRecord(NetWorkHandleRecord* r, bool linked) {
  if (linked) Unlink(r);
  if (r->socket != platform::kInvalidSocket) platform::CloseSocket(r->socket);
  RingBufferRelease(&r->recvRing);
  RingBufferRelease(&r->sendRing);
  MemFree(r);
}

void WriteLengthWord(std::uint8_t out[4], std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t ReadLengthWord(const std::uint8_t in[4]) {
  return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
         static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

// Receives up to `length` bytes into the ring at its write offset (the caller has made room). Returns what arrived.
int ReceiveIntoRing(NetWorkHandleRecord* r, int length) {
  RingBuffer& ring = r->recvRing;
  int arrived = 0;
  while (length > 0) {
    if (ring.writeOffset == ring.capacity) ring.writeOffset = 0;
    // The free run from the write offset: up to the read offset when the stored bytes lie behind it, else to the end.
    const bool wrapped = ring.stored > 0 && ring.writeOffset <= ring.readOffset;
    const int run = (wrapped ? ring.readOffset : ring.capacity) - ring.writeOffset;
    const int want = length < run ? length : run;
    if (want <= 0) break;
    const int got = platform::ReceiveFromSocket(r->socket, ring.data + ring.writeOffset, want, false);
    if (got <= 0) break;
    ring.writeOffset += got;
    ring.stored += got;
    length -= got;
    arrived += got;
    if (got < want) break;
  }
  return arrived;
}

// Sends up to `length` queued bytes from the ring's read offset, in at most two runs. Returns what was sent.
int SendFromRing(NetWorkHandleRecord* r, int length) {
  RingBuffer& ring = r->sendRing;
  int sent = 0;
  for (int part = 0; part < 2 && length > 0; ++part) {
    if (ring.readOffset == ring.capacity) ring.readOffset = 0;
    const int run = ring.capacity - ring.readOffset;
    const int want = length < run ? length : run;
    const int n = platform::SendToSocket(r->socket, ring.data + ring.readOffset, want);
    if (n <= 0) break;
    ring.readOffset += n;
    ring.stored -= n;
    r->sendPending -= n;
    length -= n;
    sent += n;
    if (n < want) break;
  }
  return sent;
}

int FailReceiveRing(NetWorkHandleRecord* r, std::uint32_t length) {
  LogPrintf("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ %d byte)",
            static_cast<int>(length));
  r->errorFlag = 1;
  return -1;
}

// Makes room in the receive ring for the next part of the pending frame once bytes of it are waiting in the socket:
// the ring doubles (by a step at least, by no more than the frame needs while it holds less) up to what the
// unread-data bound allows. The frame's announced length alone
// reserves nothing. 0, or -1 when the ring cannot grow.
int MakeRoomForArrivals(NetWorkHandleRecord* r) {
  RingBuffer& ring = r->recvRing;
  const int free = ring.capacity - ring.stored;
  if (free >= r->recvPending || free >= kNetWorkReceiveStep || ring.stored >= kMaxNetWorkReceiveQueue) return 0;
  char probe;
  if (platform::ReceiveFromSocket(r->socket, &probe, 1, true) <= 0) return 0;
  // Doubling, but a ring that holds little grows no further than the frame needs.
  int grow = ring.stored > kNetWorkReceiveStep ? ring.stored : kNetWorkReceiveStep;
  const int need = r->recvPending > ring.stored ? r->recvPending : ring.stored;
  if (grow > need) grow = need;
  if (grow > kMaxNetWorkReceiveQueue - ring.stored) grow = kMaxNetWorkReceiveQueue - ring.stored;
  return RingBufferReserve(&ring, grow);
}

// Receives what has arrived of the pending frame, up to `budget` bytes and the unread-data bound, growing the ring as
// it fills. Returns the bytes received, or -1 when the ring could not grow.
int ReceivePendingFrame(NetWorkHandleRecord* r, int budget) {
  int arrived = 0;
  while (r->recvPending > 0 && arrived < budget) {
    if (MakeRoomForArrivals(r) != 0) return -1;
    int room = r->recvRing.capacity - r->recvRing.stored;
    if (room > kMaxNetWorkReceiveQueue - r->recvRing.stored) room = kMaxNetWorkReceiveQueue - r->recvRing.stored;
    if (room > budget - arrived) room = budget - arrived;
    if (room <= 0) break;  // the application has this much to read first
    const int want = r->recvPending < room ? r->recvPending : room;
    const int got = ReceiveIntoRing(r, want);
    r->recvPending -= got;
    arrived += got;
    if (got == 0 || got < want) break;  // the socket holds nothing more for now
  }
  return arrived;
}

// One receive step: frames are taken from the socket until it holds no more, kNetWorkReceivePerStep bytes have
// arrived or the unread-data bound is reached.
int RecvSocketRecord(NetWorkHandleRecord* r) {
  if (r->useRingBuffers == 0) return 0;
  if (g_NetWork.recvRunning != 0) return -1;
  g_NetWork.recvRunning = 1;
  int result = 0;
  int budget = kNetWorkReceivePerStep;
  ProcessNetWorkMessages(0);
  while (budget > 0) {
    if (r->recvPending == 0) {
      std::uint8_t word[4];
      if (platform::ReceiveFromSocket(r->socket, word, 4, true) < 4) break;
      platform::ReceiveFromSocket(r->socket, word, 4, false);
      const std::uint32_t length = ReadLengthWord(word);
      // A length beyond the cap, or one the ring's size could not count beside what it holds, is refused as a ring
      // that cannot grow.
      if (length > static_cast<std::uint32_t>(kMaxNetWorkFrameLength) ||
          static_cast<int>(length) > INT_MAX - 1000 - r->recvRing.stored) {
        result = FailReceiveRing(r, length);
        break;
      }
      r->recvPending = static_cast<int>(length);
    }
    if (r->recvRing.stored >= kMaxNetWorkReceiveQueue) break;  // the application reads first
    const int pending = r->recvPending;
    const int arrived = ReceivePendingFrame(r, budget);
    if (arrived < 0) {
      result = FailReceiveRing(r, static_cast<std::uint32_t>(pending));
      break;
    }
    budget -= arrived;
    const int pump = ProcessNetWorkMessages(0);
    if (pump != 0 || (arrived == 0 && pending > 0) || r->recvPending != 0) break;
  }
  g_NetWork.recvRunning = 0;
  return result;
}

bool SendQueueEmpty(const NetWorkHandleRecord* r) { return r->sendRing.stored == 0 && r->sendLengthUnsent == 0; }

// Sends queued bytes as frames until the socket takes no more (pumping messages between sends when asked).
void SendQueued(NetWorkHandleRecord* r, bool pumpBetween) {
  while (!SendQueueEmpty(r)) {
    if (r->sendLengthUnsent > 0) {
      const int n = platform::SendToSocket(r->socket, r->sendLengthWord + (4 - r->sendLengthUnsent),
                                           r->sendLengthUnsent);
      if (n > 0) r->sendLengthUnsent -= n;
      if (r->sendLengthUnsent > 0) break;
    }
    if (r->sendPending == 0) {
      if (r->sendRing.stored == 0) break;
      // One frame carries everything queued, up to the frame cap the receiving side accepts.
      r->sendPending = r->sendRing.stored < kMaxNetWorkFrameLength ? r->sendRing.stored : kMaxNetWorkFrameLength;
      WriteLengthWord(r->sendLengthWord, static_cast<std::uint32_t>(r->sendPending));
      const int n = platform::SendToSocket(r->socket, r->sendLengthWord, 4);
      if (n < 0) {
        r->sendPending = 0;
        break;
      }
      if (n < 4) {
        r->sendLengthUnsent = 4 - n;
        break;
      }
    }
    const int sent = SendFromRing(r, r->sendPending);
    const int pump = pumpBetween ? ProcessNetWorkMessages(0) : 0;
    if (pump != 0 || sent == 0 || r->sendPending != 0) break;
  }
}

int SendSocketRecord(NetWorkHandleRecord* r) {
  if (r->useRingBuffers == 0) return 0;
  if (g_NetWork.sendRunning != 0) return -1;
  g_NetWork.sendRunning = 1;
  SendQueued(r, true);
  g_NetWork.sendRunning = 0;
  return 0;
}

void FreeClosedRecord(NetWorkHandleRecord* r) {
  platform::CloseSocket(r->socket);
  RingBufferRelease(&r->recvRing);
  RingBufferRelease(&r->sendRing);
  MemFree(r);
}

// Gives the queued bytes of closed handles another chance to go out; a handle is finished once its queue is empty,
// its time is up (kFlushMilliseconds after the close) or `force` is set.
void FlushClosedHandles(bool force) {
  std::vector<NetWorkHandleRecord*>& closed = ClosedHandles();
  const std::uint32_t now = platform::MillisecondClock();
  std::size_t kept = 0;
  for (NetWorkHandleRecord* r : closed) {
    if (!force) SendQueued(r, false);
    if (force || SendQueueEmpty(r) || now - r->closeStart >= kFlushMilliseconds) {
      FreeClosedRecord(r);
    } else {
      closed[kept++] = r;
    }
  }
  closed.resize(kept);
}

// Closes a handle at once. Bytes that arrived and were not read go with it; queued bytes get one attempt now and,
// when the peer is still there, the following passes (FlushClosedHandles), without anything waiting for them.
int CloseRecord(int slot) {
  NetWorkHandleRecord* r = g_NetWork.records[slot];
  const bool flush = r->useRingBuffers != 0 && r->connected != 0;
  if (flush) SendQueued(r, false);
  platform::SelectSocketEvents(r->socket, g_NetWork.socketWindow, 0, 0);
  Unlink(r);
  g_NetWork.records[slot] = nullptr;
  --g_NetWork.handleCount;
  if (flush && !SendQueueEmpty(r)) {
    r->inUse = 0;
    r->closeStart = platform::MillisecondClock();
    ClosedHandles().push_back(r);
    return 0;
  }
  FreeClosedRecord(r);
  return 0;
}

void CloseListener() {
  NetWorkHandleRecord* l = g_NetWork.listener;
  if (l == nullptr) return;
  platform::SelectSocketEvents(l->socket, g_NetWork.socketWindow, 0, 0);
  DiscardRecord(l, true);
  g_NetWork.listener = nullptr;
}

}  // namespace

// ---- Ring buffer ------------------------------------------------------------------------------------------------

int RingBufferAppend(RingBuffer* ring, const void* data, int length) {
  if (length < 0 || length > INT_MAX - 1000 - ring->stored || RingBufferReserve(ring, length) != 0)
    return LogPrintf("リングバッファへのデータの追加に失敗しました(追加する長さ %d byte)", length);
  if (length == 0) return 0;
  if (ring->writeOffset == ring->capacity) ring->writeOffset = 0;
  const int first = length < ring->capacity - ring->writeOffset ? length : ring->capacity - ring->writeOffset;
  std::memcpy(ring->data + ring->writeOffset, data, static_cast<size_t>(first));
  if (first < length)
    std::memcpy(ring->data, static_cast<const char*>(data) + first, static_cast<size_t>(length - first));
  ring->writeOffset = first < length ? length - first : ring->writeOffset + first;
  ring->stored += length;
  return 0;
}

int RingBufferTake(RingBuffer* ring, void* out, int length, int peek) {
  if (length < 0 || ring->stored < length) return -1;
  if (length == 0) return 0;
  if (ring->readOffset == ring->capacity) ring->readOffset = 0;
  const int first = length < ring->capacity - ring->readOffset ? length : ring->capacity - ring->readOffset;
  std::memcpy(out, ring->data + ring->readOffset, static_cast<size_t>(first));
  if (first < length) std::memcpy(static_cast<char*>(out) + first, ring->data, static_cast<size_t>(length - first));
  if (peek == 0) {
    ring->readOffset = first < length ? length - first : ring->readOffset + first;
    ring->stored -= length;
  }
  return 0;
}

// ---- Start, listen, connect -------------------------------------------------------------------------------------

int StartNetWork(platform::WindowHandle socketWindow) {
  if (g_NetWork.initialised != 0 || socketWindow == 0 || !platform::IsWindow(socketWindow)) return -1;
  InitLinkList(&g_NetWork.listHead, &g_NetWork.listTail);
  g_NetWork.socketWindow = socketWindow;
  g_NetWork.initialised = 1;
  return 0;
}

int StartListenNetWork(int port) {
  if (g_NetWork.initialised == 0 || g_NetWork.listener != nullptr) return -1;
  NetWorkHandleRecord* l = NewRecord(0, 0);
  if (l == nullptr) return WriteLog("ソケット用のメモリの確保に失敗しました\n");
  const std::uint8_t any[4] = {0, 0, 0, 0};
  int bound = 0;
  l->socket = platform::ListenSocket(any, port, &bound);
  if (l->socket == platform::kInvalidSocket ||
      !platform::SelectSocketEvents(l->socket, g_NetWork.socketWindow, kSocketMessage, platform::kFdAccept)) {
    NetWorkLog("listenに失敗しました");
    DiscardRecord(l, false);
    return -1;
  }
  Link(l);
  g_NetWork.listener = l;
  return bound;
}

int ConnectNetWorkWith(const char* host, int port, int useRingBuffers, int closeWhenLost) {
  if (g_NetWork.initialised == 0 || host == nullptr) return -1;
  const int slot = FreeSlot();
  if (slot < 0) return -1;
  std::uint8_t address[4];
  if (!platform::ResolveHostIPv4(host, address)) return -1;
  NetWorkHandleRecord* r = NewRecord(useRingBuffers != 0 ? 1 : 0, closeWhenLost != 0 ? 1 : 0);
  if (r == nullptr) return WriteLog("ソケット用のメモリの確保に失敗しました\n");
  r->socket = platform::ConnectSocket(address, port, kConnectTimeoutMs);
  if (r->socket == platform::kInvalidSocket) {
    NetWorkLog("connectに失敗しました");
    DiscardRecord(r, false);
    return -1;
  }
  std::memcpy(r->peerAddress, address, 4);
  r->peerPort = port;
  if (!platform::SelectSocketEvents(r->socket, g_NetWork.socketWindow, kSocketMessage, kHandleEvents)) {
    DiscardRecord(r, false);
    return -1;
  }
  Link(r);
  return TakeSlot(r, slot);
}

int ConnectNetWork(const char* host, int port) {
  return ConnectNetWorkWith(host, port, g_NetWork.noRingBuffers == 0, g_NetWork.keepLostHandles == 0);
}

// ---- Handle operations ------------------------------------------------------------------------------------------

int RecvSocket(int handle) {
  NetWorkHandleRecord* r = CheckHandle(handle, "RecvSocket");
  return r == nullptr ? -1 : RecvSocketRecord(r);
}

int SendSocket(int handle) {
  NetWorkHandleRecord* r = CheckHandle(handle, "SendSocket");
  return r == nullptr ? -1 : SendSocketRecord(r);
}

namespace {

int ReceiveOrPeek(int handle, void* buffer, int length, bool peek, const char* name) {
  NetWorkHandleRecord* r = CheckHandle(handle, name);
  if (r == nullptr || length < 0 || (buffer == nullptr && length > 0)) return -1;
  ProcessNetWorkMessages(0);
  if (r->useRingBuffers == 0) return platform::ReceiveFromSocket(r->socket, buffer, length, peek);
  RecvSocketRecord(r);
  if (r->recvRing.stored < length) return -1;
  RingBufferTake(&r->recvRing, buffer, length, peek ? 1 : 0);
  if (!peek) RecvSocketRecord(r);
  return 0;
}

}  // namespace

int NetWorkRecv(int handle, void* buffer, int length) {
  return ReceiveOrPeek(handle, buffer, length, false, "NetWorkRecv");
}

int NetWorkRecvToPeek(int handle, void* buffer, int length) {
  return ReceiveOrPeek(handle, buffer, length, true, "NetWorkRecvToPeek");
}

int NetWorkSend(int handle, const void* buffer, int length) {
  NetWorkHandleRecord* r = CheckHandle(handle, "NetWorkSend");
  if (r == nullptr || length < 0 || (buffer == nullptr && length > 0)) return -1;
  ProcessNetWorkMessages(0);
  if (r->connected == 0) return -1;
  if (r->useRingBuffers == 0) return platform::SendToSocket(r->socket, buffer, length);
  SendSocketRecord(r);
  if (length > kMaxNetWorkSendQueue - r->sendRing.stored || RingBufferAppend(&r->sendRing, buffer, length) != 0)
    return LogPrintf("送信データ %d byte の追加に失敗しました in NewWorkSend", length);
  SendSocketRecord(r);
  return 0;
}

int GetNetWorkDataLength(int handle) {
  NetWorkHandleRecord* r = CheckHandle(handle, "GetNetWorkDataLength");
  if (r == nullptr) return -1;
  ProcessNetWorkMessages(0);
  RecvSocketRecord(r);
  SendSocketRecord(r);
  if (r->useRingBuffers != 0) return r->recvRing.stored;
  char byte;
  const int n = platform::ReceiveFromSocket(r->socket, &byte, 1, true);
  return n > 0 ? 1 : n;
}

int GetNetWorkAcceptState(int handle) {
  NetWorkHandleRecord* r = CheckHandle(handle, "GetNetWorkAcceptState", "GetNetWorkAcceptStateh");
  if (r == nullptr) return -1;
  ProcessNetWorkMessages(0);
  if (r->connected != 0) return 1;
  r->lossNoticed = 1;
  return 0;
}

namespace {

// Accepts one pending connection. 1 when a handle was made; 0 when `quiet` and no connection was pending (nothing is
// logged then); -1 on failure, including a connection refused for want of a free slot.
int AcceptOne(bool quiet) {
  if (g_NetWork.initialised == 0 || g_NetWork.listener == nullptr) return -1;
  const int slot = FreeSlot();
  if (slot < 0) {
    // Take the connection off the queue and close it, so the peer learns at once that it was refused.
    const platform::SocketId refused = platform::AcceptSocket(g_NetWork.listener->socket, nullptr, nullptr);
    if (refused == platform::kInvalidSocket && quiet && platform::IsSocketWouldBlock(platform::SocketLastError()))
      return 0;
    if (refused != platform::kInvalidSocket) platform::CloseSocket(refused);
    return WriteLog("空きソケットデータがなかったので accept を拒否しました \n");
  }
  NetWorkHandleRecord* r = NewRecord(g_NetWork.noRingBuffers == 0, g_NetWork.keepLostHandles == 0);
  if (r == nullptr) return WriteLog("ソケット用のメモリの確保に失敗しました\n");
  LinkListInsert(&g_NetWork.listHead, &r->node, -1, r);
  r->socket = platform::AcceptSocket(g_NetWork.listener->socket, r->peerAddress, &r->peerPort);
  const char* failure = nullptr;
  if (r->socket == platform::kInvalidSocket) {
    if (quiet && platform::IsSocketWouldBlock(platform::SocketLastError())) {
      DiscardRecord(r, true);
      return 0;
    }
    failure = "acceptに失敗しました";
  } else if (!platform::SelectSocketEvents(r->socket, g_NetWork.socketWindow, kSocketMessage, kHandleEvents)) {
    failure = "WSAAsyncSelectのエラー in AcceptNetWork";
  }
  if (failure != nullptr) {
    NetWorkLog(failure);
    DiscardRecord(r, true);
    return -1;
  }
  SocketIndex()[r->socket] = r;
  TakeSlot(r, slot);
  return 1;
}

// FD_ACCEPT: takes every connection that is waiting, not only the first, so a burst of peers is in within one pass.
// Connections refused for want of a slot are taken off the queue too. The result is the first attempt's.
int AcceptPending() {
  const int first = AcceptOne(false);
  int result = first;
  for (int n = 0; n < kMaxNetWorkHandles && result != 0; ++n) {
    if (result == -1 && FreeSlot() >= 0) break;  // a failure other than a full table
    result = AcceptOne(true);
  }
  return first;
}

}  // namespace

int AcceptNetWork() { return AcceptOne(false); }

int CloseNetWork(int handle) {
  if (g_NetWork.initialised == 0 || Lookup(handle) == nullptr) return -1;
  return CloseRecord(handle & kSlotMask);
}

platform::LResult OnSocketMessage(platform::WParam wParam, platform::LParam lParam) {
  if (g_NetWork.initialised == 0) return 0;
  const auto found = SocketIndex().find(static_cast<platform::SocketId>(wParam));
  NetWorkHandleRecord* r = found != SocketIndex().end() ? found->second : nullptr;
  if (r == nullptr) {
    WriteLog("通信エラー No.1\n");
    return 0;
  }
  const std::uint32_t event = static_cast<std::uint32_t>(lParam) & 0xFFFF;
  const std::uint32_t error = (static_cast<std::uint32_t>(lParam) >> 16) & 0xFFFF;
  switch (event) {
    case platform::kFdRead:
      RecvSocketRecord(r);
      break;
    case platform::kFdWrite:
      SendSocketRecord(r);
      break;
    case platform::kFdAccept:
      return AcceptPending();
    case platform::kFdConnect:
      if (error == 0) r->connected = 1;
      break;
    case platform::kFdClose:
      r->connected = 0;
      r->lossNoticed = 0;
      break;
    default:
      break;
  }
  return 1;
}

int ProcessNetWorkMessages(int closeLost) {
  if (g_NetWork.initialised == 0) return 0;
  if (closeLost == 1) {
    // The handles are walked through their list, so the pass costs what the live handles cost, not the table.
    for (ListNode* n = g_NetWork.listHead.next; n != nullptr && n->next != nullptr;) {
      const auto* r = static_cast<const NetWorkHandleRecord*>(n->data);
      const int handle = n->value;
      n = n->next;
      if (handle == -1 || r->inUse == 0) continue;
      if (r->errorFlag != 0 || (r->connected == 0 && r->lossNoticed != 0 && r->closeWhenLost != 0))
        CloseRecord(handle & kSlotMask);
    }
    FlushClosedHandles(false);
  }
  if (!platform::IsWindow(g_NetWork.socketWindow)) return -1;
  // The one poll of the pass; the pumps inside the handle operations only dispatch what it found.
  if (closeLost == 1) platform::PostSocketEvents();
  platform::Message m{};
  for (int i = 0; i < kMessagesPerPump; ++i) {
    if (!platform::PeekMessage(&m, g_NetWork.socketWindow, kSocketMessage, kSocketMessage, true)) break;
    platform::DispatchMessage(m);
  }
  return 0;
}

int EndNetWork() {
  if (g_NetWork.initialised == 0) return 0;
  WriteLog("ネットワーク関連の終了処理を行います \n");
  for (int slot = 0; slot < kMaxNetWorkHandles; ++slot)
    if (g_NetWork.records[slot] != nullptr) CloseRecord(slot);
  CloseListener();
  // The closed handles' queued bytes get one shared second, not one each.
  const std::uint32_t start = platform::MillisecondClock();
  while (!ClosedHandles().empty() && platform::MillisecondClock() - start < kFlushMilliseconds) {
    FlushClosedHandles(false);
    if (!ClosedHandles().empty()) platform::SleepMilliseconds(1);
  }
  FlushClosedHandles(true);
  SocketIndex().clear();
  // The socket window is the engine's own window, which the window layer closes; only the socket messages still
  // queued for it are dropped (their sockets are gone).
  platform::Message m{};
  if (platform::IsWindow(g_NetWork.socketWindow))
    while (platform::PeekMessage(&m, g_NetWork.socketWindow, kSocketMessage, kSocketMessage, true)) {
    }
  const int noRingBuffers = g_NetWork.noRingBuffers, keepLostHandles = g_NetWork.keepLostHandles;
  g_NetWork = {};
  g_NetWork.noRingBuffers = noRingBuffers;
  g_NetWork.keepLostHandles = keepLostHandles;
  WriteLog("ネットワーク関連の終了処理は完了しました\n");
  return 0;
}
