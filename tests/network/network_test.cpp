#include <climits>
#include <cstring>

#include "tests/network/network_fixture.h"

namespace {

// ---- Ring buffer ------------------------------------------------------------------------------------------------

struct RingFixture : ::testing::Test {
  void TearDown() override { RingBufferRelease(&ring); }
  std::string TakeAll() {
    std::string out(static_cast<size_t>(ring.stored), '\0');
    EXPECT_EQ(RingBufferTake(&ring, out.data(), ring.stored, 0), 0);
    return out;
  }
  RingBuffer ring{};
};

TEST_F(RingFixture, AppendingToAFullRingGrowsItAndMovesTheStoredBytesToItsStart) {
  // A full 20-byte ring whose stored bytes wrap round its end.
  ring.data = static_cast<char*>(ENGINE_ALLOC(20));
  ring.capacity = 20;
  std::memcpy(ring.data, "KLMNOPQRSTABCDEFGHIJ", 20);
  ring.readOffset = 10;
  ring.writeOffset = 10;
  ring.stored = 20;
  ASSERT_EQ(RingBufferAppend(&ring, "0123456789", 10), 0);
  EXPECT_EQ(ring.capacity, 1030);
  EXPECT_EQ(ring.readOffset, 0);
  EXPECT_EQ(ring.writeOffset, 30);
  EXPECT_EQ(std::string(ring.data, 30), "ABCDEFGHIJKLMNOPQRST0123456789");
}

TEST_F(RingFixture, AppendAndTakeWrapAcrossTheEnd) {
  const std::string first = Pattern(900, 1);
  ASSERT_EQ(RingBufferAppend(&ring, first.data(), 900), 0);
  ASSERT_EQ(ring.capacity, 1900);
  std::string out(850, '\0');
  ASSERT_EQ(RingBufferTake(&ring, out.data(), 850, 0), 0);
  EXPECT_EQ(out, first.substr(0, 850));
  // 1200 more fit without growing: 1000 up to the end, 200 from the start.
  const std::string second = Pattern(1200, 2);
  ASSERT_EQ(RingBufferAppend(&ring, second.data(), 1200), 0);
  EXPECT_EQ(ring.capacity, 1900);
  EXPECT_EQ(ring.writeOffset, 200);
  std::string peeked(1250, '\0');
  ASSERT_EQ(RingBufferTake(&ring, peeked.data(), 1250, 1), 0);
  EXPECT_EQ(ring.stored, 1250) << "a peek leaves the bytes";
  EXPECT_EQ(peeked, first.substr(850) + second);
  EXPECT_EQ(TakeAll(), first.substr(850) + second);
  EXPECT_EQ(ring.stored, 0);
}

TEST_F(RingFixture, TakingMoreThanIsStoredOrABadLengthFails) {
  ASSERT_EQ(RingBufferAppend(&ring, "abc", 3), 0);
  char out[8];
  EXPECT_EQ(RingBufferTake(&ring, out, 4, 0), -1);
  EXPECT_EQ(RingBufferTake(&ring, out, -1, 0), -1);
  EXPECT_EQ(ring.stored, 3);
}

// ---- Handles over loopback ----------------------------------------------------------------------------------------

using NetWorkTest = NetWorkFixture;

TEST_F(NetWorkTest, AcceptedHandleCarriesFramesBothWays) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  EXPECT_EQ(handle & 0x78000000, kNetWorkHandleType);
  const NetWorkHandleRecord* r = RecordOf(handle);
  EXPECT_EQ(r->peerAddress[0], 127);
  EXPECT_EQ(r->peerAddress[3], 1);
  EXPECT_GT(r->peerPort, 0);
  EXPECT_EQ(GetNetWorkAcceptState(handle), 1);

  peer.SendFrame("hello");
  peer.SendFrame(" world");
  ASSERT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(handle) == 11; }));
  char buffer[32] = {};
  EXPECT_EQ(NetWorkRecv(handle, buffer, 12), -1) << "fewer bytes stored than asked for";
  EXPECT_EQ(NetWorkRecvToPeek(handle, buffer, 5), 0);
  EXPECT_EQ(std::string(buffer, 5), "hello");
  EXPECT_EQ(GetNetWorkDataLength(handle), 11);
  EXPECT_EQ(NetWorkRecv(handle, buffer, 11), 0);
  EXPECT_EQ(std::string(buffer, 11), "hello world");
  EXPECT_EQ(GetNetWorkDataLength(handle), 0);
  EXPECT_EQ(NetWorkRecv(handle, buffer, -1), -1);

  ASSERT_EQ(NetWorkSend(handle, "reply", 5), 0);
  std::string got;
  ASSERT_TRUE(PumpUntil([&] {
    got += peer.ReadAvailable();
    return got.size() >= 9;
  }));
  EXPECT_EQ(got, Peer::Frame("reply"));
}

TEST_F(NetWorkTest, AFramePayloadArrivingInTwoPartsEndsAsOneRunWithoutItsLength) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  const std::string frame = Peer::Frame("0123456789");
  ASSERT_TRUE(peer.SendAll(frame.substr(0, 7)));
  ASSERT_TRUE(PumpUntil([&] { return RecordOf(handle)->recvPending == 7; }));
  EXPECT_EQ(GetNetWorkDataLength(handle), 3);
  ASSERT_TRUE(peer.SendAll(frame.substr(7)));
  ASSERT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(handle) == 10; }));
  const RingBuffer& ring = RecordOf(handle)->recvRing;
  EXPECT_EQ(std::string(ring.data + ring.readOffset, 10), "0123456789");
}

TEST_F(NetWorkTest, DataLargerThanOneReadArrivesIntactBothWays) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  const std::string up = Pattern(3 * 1024 * 1024 + 17, 3);
  // Peer to engine: one frame far larger than a socket read, drained by the engine while it is sent.
  std::string received;
  auto drain = [&] {
    const int n = GetNetWorkDataLength(handle);
    if (n <= 0) return;
    std::string part(static_cast<size_t>(n), '\0');
    if (NetWorkRecv(handle, part.data(), n) == 0) received += part;
  };
  ASSERT_TRUE(peer.SendAll(Peer::Frame(up), drain));
  ASSERT_TRUE(PumpUntil([&] {
    drain();
    return received.size() == up.size();
  }));
  EXPECT_TRUE(received == up);

  // Engine to peer: several sends queued while the peer reads.
  const std::string down = Pattern(2 * 1024 * 1024 + 5, 4);
  std::string wire;
  for (size_t at = 0; at < down.size(); at += 300000) {
    const std::string piece = down.substr(at, 300000);
    ASSERT_EQ(NetWorkSend(handle, piece.data(), static_cast<int>(piece.size())), 0);
    wire += peer.ReadAvailable();
  }
  // Strip the frame lengths off what arrives.
  std::string payload;
  size_t at = 0;
  ASSERT_TRUE(PumpUntil([&] {
    SendSocket(handle);
    wire += peer.ReadAvailable();
    while (wire.size() - at >= 4) {
      std::uint32_t n;
      std::memcpy(&n, wire.data() + at, 4);
      if (wire.size() - at - 4 < n) break;
      payload.append(wire, at + 4, n);
      at += 4 + n;
    }
    return payload.size() == down.size();
  }));
  EXPECT_TRUE(payload == down);
}

TEST_F(NetWorkTest, ReceiveAndSendRingsWrapAcrossTheirEnd) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  NetWorkHandleRecord* r = RecordOf(handle);
  const std::string a = Pattern(900, 5), b = Pattern(1200, 6);
  peer.SendFrame(a);
  ASSERT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(handle) == 900; }));
  std::string out(850, '\0');
  ASSERT_EQ(NetWorkRecv(handle, out.data(), 850), 0);
  ASSERT_EQ(r->recvRing.capacity, 1900);
  peer.SendFrame(b);
  ASSERT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(handle) == 1250; }));
  EXPECT_EQ(r->recvRing.capacity, 1900) << "the frame was received across the end, not by growing";
  EXPECT_EQ(r->recvRing.writeOffset, 200);
  std::string rest(1250, '\0');
  ASSERT_EQ(NetWorkRecv(handle, rest.data(), 1250), 0);
  EXPECT_TRUE(rest == a.substr(850) + b);

  // Send side: leave the read offset near the end of an empty 2500-byte ring, then queue 1800 bytes.
  const std::string filler(1500, 'x');
  ASSERT_EQ(RingBufferAppend(&r->sendRing, filler.data(), 1500), 0);
  ASSERT_EQ(RingBufferTake(&r->sendRing, out.data(), 0, 0), 0);
  std::string sink(1500, '\0');
  ASSERT_EQ(RingBufferTake(&r->sendRing, sink.data(), 1500, 0), 0);
  const std::string c = Pattern(1800, 7);
  ASSERT_EQ(NetWorkSend(handle, c.data(), 1800), 0);
  EXPECT_EQ(r->sendRing.capacity, 2500);
  std::string got;
  ASSERT_TRUE(PumpUntil([&] {
    got += peer.ReadAvailable();
    return got.size() >= 1804;
  }));
  EXPECT_TRUE(got == Peer::Frame(c));
}

TEST_F(NetWorkTest, ClosingTheEngineSideFlushesQueuedDataAndThePeerSeesTheEnd) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  ASSERT_EQ(NetWorkSend(handle, "bye", 3), 0);
  EXPECT_EQ(CloseNetWork(handle), 0);
  EXPECT_EQ(g_NetWork.handleCount, 0);
  EXPECT_EQ(GetNetWorkAcceptState(handle), -1) << "a closed handle is no longer valid";
  EXPECT_EQ(CloseNetWork(handle), -1);
  bool closed = false;
  std::string got;
  for (int i = 0; i < 1000 && !closed; ++i) got += peer.ReadAvailable(&closed);
  EXPECT_TRUE(closed);
  EXPECT_EQ(got, Peer::Frame("bye"));
}

TEST_F(NetWorkTest, ClosingThePeerIsSeenAndTheNoticedLossClosesTheHandle) {
  for (const int keep : {0, 1}) {
    SCOPED_TRACE(keep);
    g_NetWork.keepLostHandles = keep;
    Peer peer;
    const int handle = AcceptPeer(&peer);
    peer.SendFrame("last words");
    peer.Close();
    // What arrived before the close stays readable.
    ASSERT_TRUE(PumpUntil([&] { return RecordOf(handle)->connected == 0; }));
    EXPECT_EQ(GetNetWorkDataLength(handle), 10);
    char buffer[10];
    EXPECT_EQ(NetWorkRecv(handle, buffer, 10), 0);
    EXPECT_EQ(NetWorkSend(handle, "x", 1), -1) << "sending needs a connection";
    EXPECT_EQ(GetNetWorkAcceptState(handle), 0);
    EXPECT_EQ(RecordOf(handle)->lossNoticed, 1);
    ProcessNetWorkMessages(0);
    EXPECT_EQ(g_NetWork.handleCount, 1) << "only the pump with the close-lost flag closes";
    ProcessNetWorkMessages(1);
    EXPECT_EQ(g_NetWork.handleCount, keep);
    if (keep == 1) CloseNetWork(handle);
  }
}

TEST_F(NetWorkTest, WithoutRingBuffersTheSocketsResultsComeStraightThrough) {
  g_NetWork.noRingBuffers = 1;
  Peer peer;
  const int handle = AcceptPeer(&peer);
  EXPECT_EQ(GetNetWorkDataLength(handle), -1) << "nothing to peek yet";
  ASSERT_TRUE(peer.SendAll("raw bytes"));
  ASSERT_TRUE(PumpUntil([&] { return GetNetWorkDataLength(handle) == 1; }));
  char buffer[32];
  EXPECT_EQ(NetWorkRecvToPeek(handle, buffer, 3), 3);
  EXPECT_EQ(NetWorkRecv(handle, buffer, 32), 9);
  EXPECT_EQ(std::string(buffer, 9), "raw bytes");
  EXPECT_EQ(NetWorkSend(handle, "back", 4), 4);
  std::string got;
  ASSERT_TRUE(PumpUntil([&] {
    got += peer.ReadAvailable();
    return got.size() >= 4;
  }));
  EXPECT_EQ(got, "back") << "no framing without ring buffers";
}

TEST_F(NetWorkTest, AnOversizedFrameLengthMarksTheHandleInErrorAndThePumpClosesIt) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  ASSERT_TRUE(peer.SendAll(std::string("\xff\xff\xff\xff", 4) + "garbage"));
  ASSERT_TRUE(PumpUntil([&] { return RecordOf(handle) == nullptr || RecordOf(handle)->errorFlag == 1; }, 200));
  EXPECT_NE(Unstamped().find("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ -1 byte)"),
            std::string::npos);
  ProcessNetWorkMessages(1);
  EXPECT_EQ(g_NetWork.handleCount, 0) << "the per-pass pump closes handles in error";
}

TEST_F(NetWorkTest, AFrameTheReceiveRingCouldNotCountIsRefused) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  // A full ring holding nearly INT_MAX bytes (a stand-in block: nothing is read from or written to it).
  RingBuffer& ring = RecordOf(handle)->recvRing;
  ring.data = static_cast<char*>(MemAlloc(16, "", 0));
  ring.capacity = ring.stored = ring.writeOffset = INT_MAX - 100;
  ring.readOffset = 0;
  peer.SendFrame(std::string(500, 'x'));
  ASSERT_TRUE(PumpUntil([&] { return RecordOf(handle)->errorFlag == 1 || RecordOf(handle)->recvPending != 0; }, 200));
  EXPECT_EQ(RecordOf(handle)->errorFlag, 1);
  EXPECT_EQ(RecordOf(handle)->recvPending, 0);
  EXPECT_NE(Unstamped().find("受信データを保存するリングバッファのリサイズに失敗しました(データサイズ 500 byte)"),
            std::string::npos);
  ring.capacity = ring.stored = ring.writeOffset = 0;
}

TEST_F(NetWorkTest, OperationsOnAHandleInErrorLogTheirNames) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  RecordOf(handle)->errorFlag = 1;
  char buffer[4];
  EXPECT_EQ(RecvSocket(handle), -1);
  EXPECT_EQ(SendSocket(handle), -1);
  EXPECT_EQ(NetWorkRecv(handle, buffer, 1), -1);
  EXPECT_EQ(NetWorkRecvToPeek(handle, buffer, 1), -1);
  EXPECT_EQ(NetWorkSend(handle, buffer, 1), -1);
  EXPECT_EQ(GetNetWorkDataLength(handle), -1);
  EXPECT_EQ(GetNetWorkAcceptState(handle), -1);
  const std::string log = Unstamped();
  for (const char* name : {"RecvSocket", "SendSocket", "NetWorkRecv", "NetWorkRecvToPeek", "NetWorkSend",
                           "GetNetWorkDataLength", "GetNetWorkAcceptStateh"}) {
    const std::string line = std::string("このネットワークハンドルにはエラーが発生しています in ") + name + "\r\n";
    EXPECT_NE(log.find(line), std::string::npos) << name;
    EXPECT_EQ(log.find(line + "\r\n"), std::string::npos) << name << ": one line end, no empty line after it";
  }
  RecordOf(handle)->inUse = 0;
  EXPECT_EQ(GetNetWorkAcceptState(handle), -1);
  EXPECT_NE(Unstamped().find("有効なネットワークハンドルではありません in GetNetWorkAcceptState\r\n"),
            std::string::npos);
  EXPECT_EQ(Unstamped().find("有効なネットワークハンドルではありません in GetNetWorkAcceptState\r\n\r\n"),
            std::string::npos);
  RecordOf(handle)->inUse = 1;
  EXPECT_EQ(CloseNetWork(handle), 0) << "a handle in error can still be closed";
}

TEST_F(NetWorkTest, BadHandlesAreRefused) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  const int slot = handle & 0xFFFF;
  const int staleCheck = handle ^ (1 << 16);
  struct Case {
    const char* what;
    int handle;
  } cases[] = {
      {"negative", -1},
      {"another family's type", (handle & ~0x78000000) | 0x08000000},
      {"slot at the limit", (handle & ~0xFFFF) | kMaxNetWorkHandles},
      {"empty slot", (handle & ~0xFFFF) | (slot + 1)},
      {"stale check value", staleCheck},
  };
  char buffer[4];
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(GetNetWorkAcceptState(c.handle), -1);
    EXPECT_EQ(GetNetWorkDataLength(c.handle), -1);
    EXPECT_EQ(NetWorkRecv(c.handle, buffer, 1), -1);
    EXPECT_EQ(NetWorkSend(c.handle, buffer, 1), -1);
    EXPECT_EQ(CloseNetWork(c.handle), -1);
  }
  EXPECT_EQ(g_NetWork.handleCount, 1);
}

TEST_F(NetWorkTest, CheckValuesCountOnSoAReusedSlotRefusesTheOldHandle) {
  Peer first;
  const int old = AcceptPeer(&first);
  ASSERT_EQ(CloseNetWork(old), 0);
  Peer second;
  const int fresh = AcceptPeer(&second);
  EXPECT_EQ(fresh & 0xFFFF, old & 0xFFFF);
  EXPECT_EQ(((fresh >> 16) & 0x7FF), ((old >> 16) & 0x7FF) + 1);
  EXPECT_EQ(GetNetWorkAcceptState(old), -1);
  EXPECT_EQ(GetNetWorkAcceptState(fresh), 1);
  // The counter wraps from 2047 to 0.
  g_NetWork.nextCheck = 2047;
  Peer third, fourth;
  EXPECT_EQ((AcceptPeer(&third) >> 16) & 0x7FF, 2047);
  EXPECT_EQ((AcceptPeer(&fourth) >> 16) & 0x7FF, 0);
}

TEST_F(NetWorkTest, AFullTableRefusesTheConnection) {
  // Slots 0..4095 are handed out; stand-in records fill them.
  std::vector<NetWorkHandleRecord*> fillers;
  for (int slot = 0; slot < 4096; ++slot) {
    auto* r = static_cast<NetWorkHandleRecord*>(ENGINE_ALLOC_ZEROED(sizeof(NetWorkHandleRecord)));
    r->inUse = 1;
    r->connected = 1;
    g_NetWork.records[slot] = r;
    fillers.push_back(r);
  }
  port_ = StartListenNetWork(0);
  Peer peer = Peer::Connect(port_);
  bool closed = false;
  ASSERT_TRUE(PumpUntil([&] {
    peer.ReadAvailable(&closed);
    return closed;
  }));
  EXPECT_NE(Unstamped().find("空きソケットデータがなかったので accept を拒否しました \r\n"), std::string::npos);
  EXPECT_EQ(GetNetWorkAcceptState(kNetWorkHandleType | 4096), -1) << "slot 4096 is never handed out";
  for (int slot = 0; slot < 4096; ++slot) {
    MemFree(fillers[static_cast<size_t>(slot)]);
    g_NetWork.records[slot] = nullptr;
  }
  EXPECT_EQ(AcceptNetWork(), -1) << "no connection is pending";
}

TEST_F(NetWorkTest, SocketMessageForAnUnknownSocketIsLogged) {
  EXPECT_EQ(OnSocketMessage(0x7FFFFFFF, platform::kFdRead), 0);
  EXPECT_NE(Unstamped().find("通信エラー No.1\r\n"), std::string::npos);
  Peer peer;
  const int handle = AcceptPeer(&peer);
  // FD_CONNECT with an error leaves the connected flag; without one it sets it.
  NetWorkHandleRecord* r = RecordOf(handle);
  r->connected = 0;
  EXPECT_EQ(OnSocketMessage(r->socket, platform::kFdConnect | (111 << 16)), 1);
  EXPECT_EQ(r->connected, 0);
  EXPECT_EQ(OnSocketMessage(r->socket, platform::kFdConnect), 1);
  EXPECT_EQ(r->connected, 1);
  EXPECT_EQ(OnSocketMessage(r->socket, 0x40), 1) << "other events are ignored";
}

TEST_F(NetWorkTest, ConnectingFailsCleanly) {
  RawListener open;
  const int port = open.port();
  int closedPort = 0;
  {
    RawListener gone;  // a port that was listening and is closed again
    closedPort = gone.port();
  }
  EXPECT_EQ(ConnectNetWork("127.0.0.1", closedPort), -1);
  EXPECT_EQ(ConnectNetWork("bad host name", 80), -1);
  EXPECT_EQ(ConnectNetWork("127.0.0.1", 0), -1);
  EXPECT_EQ(ConnectNetWork(nullptr, port), -1);
  const int handle = ConnectNetWork("localhost", port);
  ASSERT_NE(handle, -1);
  EXPECT_EQ(GetNetWorkAcceptState(handle), 1);
  EXPECT_EQ(CloseNetWork(handle), 0);
}

TEST_F(NetWorkTest, EndNetWorkClosesEverythingAndTheLayerStopsAnswering) {
  Peer a, b;
  const int handle = AcceptPeer(&a);
  AcceptPeer(&b);
  EndNetWork();
  const std::string log = Unstamped();
  const size_t begin = log.find("ネットワーク関連の終了処理を行います \r\n");
  ASSERT_NE(begin, std::string::npos);
  EXPECT_NE(log.find("ネットワーク関連の終了処理は完了しました\r\n", begin), std::string::npos);
  EXPECT_EQ(platform::OpenSocketCount(), socketsBefore_);
  EXPECT_EQ(g_NetWork.initialised, 0);
  char buffer[4];
  EXPECT_EQ(GetNetWorkAcceptState(handle), -1);
  EXPECT_EQ(NetWorkSend(handle, buffer, 1), -1);
  EXPECT_EQ(AcceptNetWork(), -1);
  EXPECT_EQ(ProcessNetWorkMessages(1), 0);
  EXPECT_EQ(OnSocketMessage(1, platform::kFdRead), 0);
  bool closed = false;
  for (int i = 0; i < 1000 && !closed; ++i) a.ReadAvailable(&closed);
  EXPECT_TRUE(closed);
}

}  // namespace
