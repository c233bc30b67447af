// What a peer can make the network layer spend: receive memory follows the bytes that arrived, not the lengths
// announced; the send queue has a cap; a burst of connections is taken in one pass; closing waits for nobody and
// still delivers what was queued.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/base/clock.h"
#include "tests/network/network_fixture.h"

namespace {

using NetWorkLimits = NetWorkFixture;

TEST_F(NetWorkLimits, AnnouncedFrameLengthsReserveNothingUntilTheirBytesArrive) {
  // 40 peers each announce a frame of the largest length accepted and send 10 bytes of it.
  std::vector<Peer> peers(40);
  std::vector<int> handles;
  for (Peer& peer : peers) handles.push_back(AcceptPeer(&peer));
  const std::int64_t before = g_MemAlloc.totalBytes;
  const std::string start = Pattern(10, 1);
  for (Peer& peer : peers) {
    const std::uint32_t n = kMaxNetWorkFrameLength;
    ASSERT_TRUE(peer.SendAll(std::string(reinterpret_cast<const char*>(&n), 4) + start));
  }
  ASSERT_TRUE(PumpUntil([&] {
    for (const int h : handles) {
      GetNetWorkDataLength(h);
      if (RecordOf(h)->recvPending != kMaxNetWorkFrameLength - 10) return false;
    }
    return true;
  }));
  EXPECT_LT(g_MemAlloc.totalBytes - before, 40 * (kNetWorkReceiveStep + 2000)) << "memory follows what arrived";

  // One peer sends 3 MiB more of its frame: the ring grows with it, to at most twice what arrived.
  const std::string more = Pattern(3 << 20, 2);
  const int h = handles[0];
  ASSERT_TRUE(peers[0].SendAll(more, [&] { GetNetWorkDataLength(h); }));
  ASSERT_TRUE(PumpUntil([&] {
    GetNetWorkDataLength(h);
    return RecordOf(h)->recvPending == kMaxNetWorkFrameLength - 10 - static_cast<int>(more.size());
  }));
  EXPECT_LE(RecordOf(h)->recvRing.capacity, 2 * (10 + static_cast<int>(more.size())) + kNetWorkReceiveStep + 1000);
  std::string got(10 + more.size(), '\0');
  ASSERT_EQ(NetWorkRecv(h, got.data(), static_cast<int>(got.size())), 0);
  EXPECT_TRUE(got == start + more) << "nothing lost on the way";
}

TEST_F(NetWorkLimits, AFrameArrivingSlowlyIsKeptWhole) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  const std::string payload = Pattern(5 * kNetWorkReceiveStep + 123, 3);
  const std::string frame = Peer::Frame(payload);
  for (std::size_t at = 0; at < frame.size(); at += 7777) {
    ASSERT_TRUE(peer.SendAll(frame.substr(at, 7777)));
    ASSERT_TRUE(PumpUntil([&] {
      GetNetWorkDataLength(handle);
      return RecordOf(handle)->recvRing.stored + 4 >= static_cast<int>(std::min(frame.size(), at + 7777)) ||
             GetNetWorkDataLength(handle) == static_cast<int>(payload.size());
    }));
  }
  ASSERT_EQ(GetNetWorkDataLength(handle), static_cast<int>(payload.size()));
  std::string got(payload.size(), '\0');
  ASSERT_EQ(NetWorkRecv(handle, got.data(), static_cast<int>(got.size())), 0);
  EXPECT_TRUE(got == payload);
}

TEST_F(NetWorkLimits, TheSendQueueOfAPeerThatNeverReadsIsCapped) {
  Peer peer;
  const int handle = AcceptPeer(&peer);
  const std::string chunk = Pattern(1 << 20, 4);
  std::string sent;
  int refused = 0;
  for (int i = 0; i < 64 && refused == 0; ++i) {
    if (NetWorkSend(handle, chunk.data(), static_cast<int>(chunk.size())) == 0) {
      sent += chunk;
    } else {
      ++refused;
    }
  }
  ASSERT_EQ(refused, 1) << "a send beyond the cap fails";
  EXPECT_LE(RecordOf(handle)->sendRing.stored, kMaxNetWorkSendQueue);
  EXPECT_LE(RecordOf(handle)->sendRing.capacity, kMaxNetWorkSendQueue + 1000);
  EXPECT_NE(Unstamped().find("送信データ 1048576 byte の追加に失敗しました in NewWorkSend"), std::string::npos);
  // Once the peer reads, everything accepted arrives, in frames, with nothing lost.
  std::string got;
  ASSERT_TRUE(PumpUntil([&] {
    SendSocket(handle);
    got += peer.ReadAvailable();
    std::size_t payload = 0;
    for (std::size_t at = 0; at + 4 <= got.size();) {
      std::uint32_t n;
      std::memcpy(&n, got.data() + at, 4);
      if (at + 4 + n > got.size()) break;
      payload += n;
      at += 4 + n;
    }
    return payload == sent.size();
  }, 200000));
  std::string payload;
  for (std::size_t at = 0; at < got.size();) {
    std::uint32_t n;
    std::memcpy(&n, got.data() + at, 4);
    payload += got.substr(at + 4, n);
    at += 4 + n;
  }
  EXPECT_TRUE(payload == sent);
  EXPECT_EQ(NetWorkSend(handle, "x", 1), 0) << "an emptied queue takes sends again";
}

TEST_F(NetWorkLimits, EveryWaitingConnectionIsAcceptedInOnePass) {
  port_ = StartListenNetWork(0);
  ASSERT_GT(port_, 0);
  std::vector<Peer> peers;
  for (int i = 0; i < 60; ++i) peers.push_back(Peer::Connect(port_));
  for (const Peer& p : peers) ASSERT_GE(p.fd(), 0);
  ProcessNetWorkMessages(1);
  EXPECT_EQ(g_NetWork.handleCount, 60);
  EXPECT_EQ(AcceptNetWork(), -1) << "nothing is left waiting";
}

TEST_F(NetWorkLimits, APassPollsTheSocketsOnceHoweverManyHandlesItServes) {
  std::vector<Peer> peers(50);
  std::vector<int> handles;
  for (Peer& peer : peers) handles.push_back(AcceptPeer(&peer));
  peers[7].SendFrame("data for one of them");
  const int before = platform::SocketPollCount();
  ProcessNetWorkMessages(1);
  int stored = 0;
  for (const int h : handles) {
    stored += GetNetWorkDataLength(h);
    GetNetWorkAcceptState(h);
    char byte;
    NetWorkRecvToPeek(h, &byte, 1);
  }
  EXPECT_EQ(platform::SocketPollCount() - before, 1);
  EXPECT_EQ(stored, 20) << "the handle calls still take what has arrived";
}

TEST_F(NetWorkLimits, ClosingWaitsForNoPeerAndStillDeliversWhatWasQueued) {
  // Half-open handles in the middle of an incoming frame: closing them all is immediate.
  std::vector<Peer> silent(30);
  for (Peer& peer : silent) {
    const int handle = AcceptPeer(&peer);
    peer.SendAll(Peer::Frame(std::string(100, 'x')).substr(0, 50));
    ASSERT_TRUE(PumpUntil([&] {
      GetNetWorkDataLength(handle);
      return RecordOf(handle)->recvPending > 0;
    }));
  }
  // A handle with more queued than the socket takes, towards a peer that reads only after the close.
  Peer reader;
  const int handle = AcceptPeer(&reader);
  const std::string big = Pattern(8 << 20, 5);
  ASSERT_EQ(NetWorkSend(handle, big.data(), static_cast<int>(big.size())), 0);
  ASSERT_GT(RecordOf(handle)->sendRing.stored, 0) << "the socket took everything: the test shows nothing";

  const std::uint32_t start = platform::MillisecondClock();
  EXPECT_EQ(CloseNetWork(handle), 0);
  EXPECT_EQ(GetNetWorkAcceptState(handle), -1) << "the handle is gone at once";
  EXPECT_LT(platform::MillisecondClock() - start, 100u);
  std::string got;
  bool closed = false;
  ASSERT_TRUE(PumpUntil([&] {
    got += reader.ReadAvailable(&closed);
    return closed;
  }, 200000));
  EXPECT_TRUE(got == Peer::Frame(big)) << "what was queued arrives whole before the end";

  const std::uint32_t endStart = platform::MillisecondClock();
  EndNetWork();
  EXPECT_LT(platform::MillisecondClock() - endStart, 500u) << "no wait per half-open handle";
}

}  // namespace
