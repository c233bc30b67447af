// The network layer inside a running headless engine: socket messages go to the main window, whose procedure hands
// them to the network, and the message pass runs the network's per-pass step; shut-down ends the layer.
#include <gtest/gtest.h>

#include "engine/core/api_lock.h"
#include "engine/core/message.h"
#include "tests/engine_start/engine_fixture.h"
#include "tests/network/network_fixture.h"

namespace {

class EngineNetWork : public engine_test::HeadlessEngine {};

TEST_F(EngineNetWork, TheMessagePassAcceptsAndReceivesThroughTheMainWindow) {
  ASSERT_EQ(StartEngine(), 0);
  int port = 0;
  {
    ApiLockGuard lock;
    ASSERT_EQ(StartNetWork(g_System.mainWindow), 0);
    port = StartListenNetWork(0);
  }
  ASSERT_GT(port, 0);
  Peer peer = Peer::Connect(port);
  ASSERT_GE(peer.fd(), 0);
  auto handles = [] {
    ApiLockGuard lock;
    return g_NetWork.handleCount;
  };
  for (int i = 0; i < 2000 && handles() == 0; ++i) ProcessMessage();
  ASSERT_EQ(handles(), 1);
  int handle = 0;
  {
    ApiLockGuard lock;
    handle = g_NetWork.listHead.next->value;
  }
  peer.SendFrame("through the window");
  auto stored = [&] {
    ApiLockGuard lock;
    return g_NetWork.records[handle & 0xFFFF]->recvRing.stored;
  };
  for (int i = 0; i < 2000 && stored() < 18; ++i) ProcessMessage();
  EXPECT_EQ(stored(), 18);

  EndEngine();
  const std::string log = Log();
  EXPECT_NE(log.find("ネットワーク関連の終了処理を行います"), std::string::npos);
  EXPECT_NE(log.find("ネットワーク関連の終了処理は完了しました"), std::string::npos);
  EXPECT_EQ(g_NetWork.initialised, 0);
  bool closed = false;
  for (int i = 0; i < 1000 && !closed; ++i) peer.ReadAvailable(&closed);
  EXPECT_TRUE(closed);
}

}  // namespace
