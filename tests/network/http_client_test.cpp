#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/base/clock.h"
#include "platform/files/path.h"
#include "tests/network/network_fixture.h"

namespace {

class HttpTest : public NetWorkFixture {
 protected:
  void TearDown() override {
    MemFree(body_);
    body_ = nullptr;
    NetWorkFixture::TearDown();
  }

  // Starts a job against the test's server and takes the server's end of the connection.
  int Start(int kind, const std::string& path, const std::string& postBody = {}) {
    const int index = StartHttpJob(kind, "127.0.0.1", server_.port(), path.c_str(), postBody.data(),
                                   static_cast<int>(postBody.size()), kHttpToMemory, platform::kInvalidFileHandle,
                                   &body_);
    if (index >= 0) conn_ = server_.Accept();
    return index;
  }

  // Steps the jobs (as the message pass does) until the server has the whole request: `length` bytes.
  std::string ReadRequest(size_t length) {
    std::string got;
    PumpUntil([&] {
      UpdateHttpJobs();
      got += conn_.ReadAvailable();
      return got.size() >= length;
    });
    return got;
  }

  // Steps until the job has finished.
  bool RunToEnd(int index, int rounds = 20000) {
    return PumpUntil(
        [&] {
          UpdateHttpJobs();
          return g_HttpJobs.jobs[index]->resultCode != -1;
        },
        rounds);
  }

  const HttpJob& Job(int index) { return *g_HttpJobs.jobs[index]; }
  std::string Body(int index) {
    return body_ == nullptr ? std::string() : std::string(static_cast<char*>(body_), Job(index).received);
  }
  std::string Host() { return "127.0.0.1:" + std::to_string(server_.port()); }

  RawListener server_;
  Peer conn_;
  void* body_ = nullptr;
};

TEST_F(HttpTest, RequestsGoOutWithTheirExactTexts) {
  struct Case {
    int kind;
    const char* path;
    std::string postBody;
    std::string expected;
  } cases[] = {
      {kHttpGet, "/index.html", "", "GET /index.html HTTP/1.0\r\nHost: " + Host() + "\r\nConnection: close\r\n\r\n"},
      {kHttpPost, "/submit", "a=1&b=2",
       "POST /submit HTTP/1.0\nHost: " + Host() + "\nContent-Length: 7\n\na=1&b=2"},
      {kHttpHead, "/head", "", "HEAD /head HTTP/1.0\n\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    const int index = Start(c.kind, c.path, c.postBody);
    ASSERT_GE(index, 0);
    EXPECT_EQ(ReadRequest(c.expected.size()), c.expected);
    ASSERT_TRUE(conn_.SendAll("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    ASSERT_TRUE(RunToEnd(index));
    EXPECT_EQ(Job(index).resultCode, 0);
    EXPECT_EQ(Job(index).resultDetail, -1);
    // HEAD finishes after the headers and reads no body.
    EXPECT_EQ(Body(index), c.kind == kHttpHead ? "" : "ok");
    EXPECT_EQ(Job(index).handle, -1) << "the connection is closed when the job finishes";
    DeleteHttpJob(index);
    MemFree(body_);
    body_ = nullptr;
  }
  EXPECT_EQ(GetHttpJobCount(), 0);
}

TEST_F(HttpTest, ResponsesAreParsedIntoResults) {
  struct Case {
    const char* what;
    std::string response;
    bool closeAfter;
    int code, detail;
    std::string body;
  } cases[] = {
      {"200 with length", "HTTP/1.0 200 OK\r\nServer: t\r\nContent-Length: 5\r\n\r\nhello", false, 0, -1, "hello"},
      {"empty body of length 0, then closed", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", true, 0, -1, ""},
      {"200 without length reads until closed", "HTTP/1.0 200 OK\r\n\r\nuntil the end", true, 0, -1,
       "until the end"},
      {"chunked body is kept as it came", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n",
       true, 0, -1, "3\r\nabc\r\n0\r\n\r\n"},
      {"404", "HTTP/1.0 404 Not Found\r\n\r\n", false, 2, 1, ""},
      {"500", "HTTP/1.0 500 Internal Server Error\r\n\r\n", false, 2, 0, ""},
      {"garbage status line", "garbage\n", false, 2, 0, ""},
      {"garbage without a line end", std::string(600, 'x'), false, 2, 0, ""},
      {"huge Content-Length", "HTTP/1.0 200 OK\r\nContent-Length: 99999999999\r\n\r\nabc", false, 2, 2, ""},
      {"closed mid-body", "HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nonly ten..", true, 2, 3, ""},
      {"closed mid-status-line", "HTTP/1.0 2", true, 2, 3, ""},
      {"closed mid-headers", "HTTP/1.0 200 OK\r\nContent-Len", true, 2, 3, ""},
      {"closed without a response", "", true, 2, 3, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const int index = Start(kHttpGet, "/x");
    ASSERT_GE(index, 0);
    ReadRequest(1);
    ASSERT_TRUE(conn_.SendAll(c.response));
    if (c.closeAfter) conn_.Close();
    ASSERT_TRUE(RunToEnd(index));
    EXPECT_EQ(Job(index).resultCode, c.code);
    EXPECT_EQ(Job(index).resultDetail, c.detail);
    if (c.code == 2) {
      EXPECT_EQ(body_, nullptr) << "a failed job frees the memory block";
    } else {
      EXPECT_EQ(Body(index), c.body);
    }
    DeleteHttpJob(index);
    MemFree(body_);
    body_ = nullptr;
    conn_.Close();
  }
  EXPECT_NE(Unstamped().find("接続に失敗しました (戻り値:404)"), std::string::npos);
}

TEST_F(HttpTest, ALargeBodyArrivesIntactInPieces) {
  for (const bool withLength : {true, false}) {
    SCOPED_TRACE(withLength);
    const std::string payload = Pattern(700 * 1024 + 3, withLength ? 8 : 9);
    const int index = Start(kHttpGet, "/big");
    ASSERT_GE(index, 0);
    ReadRequest(1);
    std::string response = "HTTP/1.0 200 OK\r\n";
    if (withLength) response += "Content-Length: " + std::to_string(payload.size()) + "\r\n";
    response += "\r\n" + payload;
    ASSERT_TRUE(conn_.SendAll(response, [] { UpdateHttpJobs(); }));
    conn_.Close();
    ASSERT_TRUE(RunToEnd(index));
    EXPECT_EQ(Job(index).resultCode, 0);
    EXPECT_EQ(Job(index).received, static_cast<int>(payload.size()));
    EXPECT_TRUE(Body(index) == payload);
    DeleteHttpJob(index);
    MemFree(body_);
    body_ = nullptr;
  }
}

TEST_F(HttpTest, TheBodyCanGoToAFile) {
  const std::string path = dir_ + "/download.bin";
  const platform::FileHandle file = platform::CreateNewFile(platform::ToEnginePath(path).c_str());
  ASSERT_NE(file, platform::kInvalidFileHandle);
  const std::string payload = Pattern(10000, 10);
  const int index = StartHttpJob(kHttpGet, "localhost", server_.port(), "/f", nullptr, 0, kHttpToFile, file, nullptr);
  ASSERT_GE(index, 0);
  conn_ = server_.Accept();
  ReadRequest(1);
  ASSERT_TRUE(conn_.SendAll("HTTP/1.0 200 OK\r\nContent-Length: 10000\r\n\r\n" + payload));
  ASSERT_TRUE(RunToEnd(index));
  EXPECT_EQ(Job(index).resultCode, 0);
  EXPECT_EQ(Job(index).file, platform::kInvalidFileHandle) << "the job closes the file";
  std::ifstream in(path, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(written == payload);
}

TEST_F(HttpTest, JobsThatCannotStartAreRefused) {
  int closedPort = 0;
  {
    RawListener gone;
    closedPort = gone.port();
  }
  const std::string longPath(2000, 'p');
  struct Case {
    const char* what;
    int kind;
    const char* host;
    int port;
    const char* path;
    int destination;
    void** memory;
  } cases[] = {
      {"name that does not resolve", kHttpGet, "bad host name", 80, "/", kHttpToMemory, &body_},
      {"nothing listening", kHttpGet, "127.0.0.1", closedPort, "/", kHttpToMemory, &body_},
      {"bad kind", 3, "127.0.0.1", server_.port(), "/", kHttpToMemory, &body_},
      {"no host", kHttpGet, nullptr, server_.port(), "/", kHttpToMemory, &body_},
      {"path too long", kHttpGet, "127.0.0.1", server_.port(), longPath.c_str(), kHttpToMemory, &body_},
      {"no memory pointer", kHttpGet, "127.0.0.1", server_.port(), "/", kHttpToMemory, nullptr},
      {"no file", kHttpGet, "127.0.0.1", server_.port(), "/", kHttpToFile, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(StartHttpJob(c.kind, c.host, c.port, c.path, nullptr, 0, c.destination, platform::kInvalidFileHandle,
                           c.memory),
              -1);
  }
  EXPECT_EQ(GetHttpJobCount(), 0);
  EXPECT_EQ(g_NetWork.handleCount, 0);
  EXPECT_EQ(HttpJobStep(-1), -1);
  EXPECT_EQ(HttpJobStep(kHttpJobSlots), -1);
  EXPECT_EQ(DeleteHttpJob(0), -1);
}

TEST_F(HttpTest, DeletingAllJobsClosesTheirConnections) {
  std::vector<Peer> conns;
  void* blocks[3] = {};
  for (void*& block : blocks) {
    ASSERT_GE(StartHttpJob(kHttpGet, "127.0.0.1", server_.port(), "/", nullptr, 0, kHttpToMemory,
                           platform::kInvalidFileHandle, &block),
              0);
    conns.push_back(server_.Accept());
  }
  EXPECT_EQ(GetHttpJobCount(), 3);
  EXPECT_EQ(g_NetWork.handleCount, 3);
  DeleteAllHttpJobs();
  EXPECT_EQ(GetHttpJobCount(), 0);
  EXPECT_EQ(g_NetWork.handleCount, 0);
  for (Peer& conn : conns) {
    bool closed = false;
    for (int i = 0; i < 1000 && !closed; ++i) conn.ReadAvailable(&closed);
    EXPECT_TRUE(closed);
  }
}

TEST_F(HttpTest, AJobAgainstASilentServerTimesOut) {
  // The virtual clock lets the idle time pass at once.
  const platform::ClockMode mode = platform::GetClockMode();
  platform::SetClockMode(platform::ClockMode::Virtual);
  for (const bool partly : {false, true}) {
    SCOPED_TRACE(partly);
    const int index = Start(kHttpGet, "/silent");
    ASSERT_GE(index, 0);
    ReadRequest(1);
    if (partly) {
      ASSERT_TRUE(conn_.SendAll("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nabc"));
    }
    // Arriving bytes keep it going; then nothing comes for longer than the idle timeout.
    for (int i = 0; i < 50; ++i) {
      UpdateHttpJobs();
      usleep(100);
    }
    ASSERT_EQ(Job(index).resultCode, -1);
    platform::SleepMilliseconds(kHttpIdleTimeoutMs - 1000);
    UpdateHttpJobs();
    EXPECT_EQ(Job(index).resultCode, -1) << "the timeout runs from the last progress";
    platform::SleepMilliseconds(1000);
    UpdateHttpJobs();
    EXPECT_EQ(Job(index).resultCode, 2);
    EXPECT_EQ(Job(index).resultDetail, 3);
    EXPECT_EQ(body_, nullptr);
    DeleteHttpJob(index);
    conn_.Close();
  }
  platform::SetClockMode(mode);
}

TEST_F(HttpTest, AServerThatTricklesIsStoppedAtTheJobsDeadline) {
  const platform::ClockMode mode = platform::GetClockMode();
  platform::SetClockMode(platform::ClockMode::Virtual);
  const int index = Start(kHttpGet, "/trickle");
  ASSERT_GE(index, 0);
  ReadRequest(1);
  ASSERT_TRUE(conn_.SendAll("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n"));
  // A byte every 20 s keeps clear of the idle timeout, until the job's own deadline.
  const std::uint32_t start = Job(index).started;
  int bytes = 0;
  while (Job(index).resultCode == -1 && platform::MillisecondClock() - start < 2 * kHttpJobDeadlineMs) {
    ASSERT_TRUE(conn_.SendAll("x"));
    ++bytes;
    for (int i = 0; i < 20 && Job(index).received < bytes; ++i) {
      UpdateHttpJobs();
      usleep(100);
    }
    if (Job(index).resultCode != -1) break;
    EXPECT_LT(platform::MillisecondClock() - start, kHttpJobDeadlineMs) << "still running past its deadline";
    platform::SleepMilliseconds(20000);
    UpdateHttpJobs();
  }
  EXPECT_EQ(Job(index).resultCode, 2);
  EXPECT_EQ(Job(index).resultDetail, 3);
  EXPECT_GE(platform::MillisecondClock() - start, kHttpJobDeadlineMs);
  EXPECT_GT(bytes, 10);
  DeleteHttpJob(index);
  conn_.Close();
  platform::SetClockMode(mode);
}

TEST_F(HttpTest, AnAnnouncedBodyLengthReservesNothingUntilTheBodyArrives) {
  const int index = Start(kHttpGet, "/announced");
  ASSERT_GE(index, 0);
  ReadRequest(1);
  const std::int64_t before = g_MemAlloc.totalBytes;
  ASSERT_TRUE(conn_.SendAll("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(kMaxHttpMemoryBody) +
                            "\r\n\r\n"));
  ASSERT_TRUE(PumpUntil([&] {
    UpdateHttpJobs();
    return Job(index).step == 3;
  }));
  EXPECT_LT(g_MemAlloc.totalBytes - before, 64 * 1024);
  const std::string part = Pattern(300 * 1024, 6);
  ASSERT_TRUE(conn_.SendAll(part, [] { UpdateHttpJobs(); }));
  ASSERT_TRUE(PumpUntil([&] {
    UpdateHttpJobs();
    return Job(index).received == static_cast<int>(part.size());
  }));
  EXPECT_LT(g_MemAlloc.totalBytes - before, 2 * static_cast<std::int64_t>(part.size()) + 64 * 1024);
  EXPECT_TRUE(std::string(static_cast<char*>(body_), part.size()) == part);
  conn_.Close();
  ASSERT_TRUE(RunToEnd(index));
  EXPECT_EQ(Job(index).resultDetail, 3) << "cut short";
}

TEST(HttpParse, NumberAfterTheFirstSpace) {
  struct Case {
    const char* text;
    int expected;
  } cases[] = {
      {"HTTP/1.0 200 OK", 200},
      {"Content-Length: 1234", 1234},
      {"Content-Length:  x 77", 77},
      {"Content-Length: -5", -5},
      {"Content-Length: 99999999999", 2147483647},
      {"Content-Length: -99999999999", -2147483647 - 1},
      {"NoSpace", -1},
      {"Trailing ", -1},
      {"Dash -", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseNumberAfterSpace(c.text), c.expected) << c.text;
}

}  // namespace
