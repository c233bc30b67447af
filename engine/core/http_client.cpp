#include "engine/core/http_client.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/network.h"
#include "platform/base/clock.h"
#include "platform/net/socket.h"

HttpJobTable g_HttpJobs{};

namespace {

constexpr int kBodyStep = 3;
constexpr int kFileChunk = 4096;
constexpr int kConnectionLost = 3;

HttpJob* JobAt(int index) {
  if (index < 0 || index >= kHttpJobSlots) return nullptr;
  return g_HttpJobs.jobs[index];
}

bool CopyBounded(char* out, int size, const char* text) {
  const size_t length = std::strlen(text);
  if (length >= static_cast<size_t>(size)) return false;
  std::memcpy(out, text, length + 1);
  return true;
}

// Builds the request text (with the POST body behind it).
bool BuildRequest(HttpJob* job) {
  char head[1536];
  int n = 0;
  switch (job->kind) {
    case kHttpGet:
      n = std::snprintf(head, sizeof head, "GET %s HTTP/1.0\r\nHost: %s:%d\r\nConnection: close\r\n\r\n", job->path,
                        job->host, job->port);
      break;
    case kHttpPost:
      n = std::snprintf(head, sizeof head, "POST %s HTTP/1.0\nHost: %s:%d\nContent-Length: %d\n\n", job->path,
                        job->host, job->port, job->postBodyLength);
      break;
    default:
      n = std::snprintf(head, sizeof head, "HEAD %s HTTP/1.0\n\n", job->path);
      break;
  }
  if (n < 0 || n >= static_cast<int>(sizeof head)) return false;
  const int body = job->kind == kHttpPost ? job->postBodyLength : 0;
  if (body > INT_MAX - n) return false;
  job->request = static_cast<char*>(ENGINE_ALLOC(n + body));
  if (job->request == nullptr) return false;
  std::memcpy(job->request, head, static_cast<size_t>(n));
  if (body > 0) std::memcpy(job->request + n, job->postBody, static_cast<size_t>(body));
  job->requestLength = n + body;
  job->requestSent = 0;
  return true;
}

// Makes the memory block hold at least `needed` bytes, keeping what it holds, doubling it (up to `limit`) so a body
// is moved a logarithmic number of times. False when it cannot.
bool GrowMemory(HttpJob* job, int needed, int limit) {
  if (needed <= job->memoryCapacity && *job->memory != nullptr) return true;
  if (needed > limit) return false;
  int capacity = job->memoryCapacity < kFileChunk ? kFileChunk : job->memoryCapacity;
  while (capacity < needed) capacity = capacity > limit / 2 ? limit : capacity * 2;
  char* block = static_cast<char*>(ENGINE_ALLOC(capacity));
  if (block == nullptr) return false;
  if (*job->memory != nullptr) {
    std::memcpy(block, *job->memory, static_cast<size_t>(job->received));
    MemFree(*job->memory);
  }
  *job->memory = block;
  job->memoryCapacity = capacity;
  return true;
}

// The status line (step 1) or one header line (step 2). A line that is not complete while the connection is gone
// will never be: the job fails as a lost connection.
int LineStep(int index, HttpJob* job, bool connectionGone) {
  char line[kHttpLineSize];
  const int got = ReadHttpLine(job->handle, line);
  if (got == -1) return connectionGone ? FinishHttpJob(index, 2, kConnectionLost) : 0;
  if (got == -2) return FinishHttpJob(index, 2, 0);
  job->headerBytes += static_cast<int>(std::strlen(line)) + 1;
  if (job->step == 1) {
    const int status = ParseNumberAfterSpace(line);
    if (status == 200) {
      job->step = 2;
      return 0;
    }
    if (job->kind == kHttpGet) LogPrintf("接続に失敗しました (戻り値:%d)", status);
    return FinishHttpJob(index, 2, status == 404 ? 1 : 0);
  }
  if (std::strchr(line, ':') == nullptr) {
    if (job->kind == kHttpHead) return FinishHttpJob(index, 0, -1);
    job->step = kBodyStep;
    return 0;
  }
  if (std::strncmp(line, "Content-Length:", 15) == 0) {
    job->contentLength = ParseNumberAfterSpace(line);
    if (job->contentLength < 0) job->contentLength = -1;
    if (job->destination == kHttpToMemory && job->contentLength >= 0) {
      if (job->contentLength > kMaxHttpMemoryBody) return FinishHttpJob(index, 2, 2);
      // The block starts small and grows as the body arrives: an announced length reserves nothing.
      if (*job->memory != nullptr) MemFree(*job->memory);
      job->memoryCapacity = job->contentLength < kFileChunk ? job->contentLength : kFileChunk;
      *job->memory = ENGINE_ALLOC(job->memoryCapacity);
      if (*job->memory == nullptr) return FinishHttpJob(index, 2, 2);
    }
  }
  return 0;
}

// Receives body bytes until the body is complete or nothing more has arrived.
int BodyStep(int index, HttpJob* job) {
  char chunk[kFileChunk];
  for (;;) {
    const bool known = job->contentLength >= 0;
    if (known && job->received >= job->contentLength) return FinishHttpJob(index, 0, -1);
    const int remaining = known ? job->contentLength - job->received : INT_MAX;
    int n;
    if (job->destination == kHttpToFile) {
      n = NetWorkRecv(job->handle, chunk, remaining < kFileChunk ? remaining : kFileChunk);
      if (n > 0) {
        std::uint32_t written = 0;
        if (!platform::WriteToFile(job->file, chunk, static_cast<std::uint32_t>(n), &written) ||
            written != static_cast<std::uint32_t>(n))
          return FinishHttpJob(index, 2, 0);
      }
    } else {
      const int step = remaining < kFileChunk ? remaining : kFileChunk;
      if (!GrowMemory(job, job->received + step, known ? job->contentLength : kMaxHttpMemoryBody))
        return FinishHttpJob(index, 2, 2);
      const int room = job->memoryCapacity - job->received;
      n = NetWorkRecv(job->handle, static_cast<char*>(*job->memory) + job->received,
                      known && remaining < room ? remaining : room);
    }
    if (n > 0) {
      job->received += n;
      continue;
    }
    // The peer has closed: the end of a body of unknown length; a known one is cut short.
    if (n == 0) return known ? FinishHttpJob(index, 2, kConnectionLost) : FinishHttpJob(index, 0, -1);
    if (!platform::IsSocketWouldBlock(platform::SocketLastError())) return FinishHttpJob(index, 2, kConnectionLost);
    return 0;
  }
}

}  // namespace

int StartHttpJob(int kind, const char* host, int port, const char* path, const void* body, int bodyLength,
                 int destination, platform::FileHandle file, void** memory) {
  if (kind < kHttpGet || kind > kHttpHead || host == nullptr || path == nullptr) return -1;
  if (destination == kHttpToFile ? file == platform::kInvalidFileHandle
                                 : (destination != kHttpToMemory || memory == nullptr))
    return -1;
  if (kind == kHttpPost && (bodyLength < 0 || (body == nullptr && bodyLength > 0))) return -1;
  int index = 0;
  while (index < kHttpJobSlots && g_HttpJobs.jobs[index] != nullptr) ++index;
  if (index == kHttpJobSlots) return -1;

  auto* job = static_cast<HttpJob*>(ENGINE_ALLOC_ZEROED(static_cast<int>(sizeof(HttpJob))));
  if (job == nullptr) return -1;
  job->kind = kind;
  job->resultCode = -1;
  job->resultDetail = -1;
  job->handle = -1;
  job->destination = destination;
  job->file = destination == kHttpToFile ? file : platform::kInvalidFileHandle;
  job->memory = destination == kHttpToMemory ? memory : nullptr;
  job->contentLength = -1;
  job->port = port;
  bool ok = CopyBounded(job->host, sizeof job->host, host) && CopyBounded(job->path, sizeof job->path, path);
  if (ok && kind == kHttpPost && bodyLength > 0) {
    job->postBody = static_cast<char*>(ENGINE_ALLOC(bodyLength));
    ok = job->postBody != nullptr;
    if (ok) std::memcpy(job->postBody, body, static_cast<size_t>(bodyLength));
  }
  if (kind == kHttpPost) job->postBodyLength = bodyLength;
  if (ok) ok = BuildRequest(job);
  if (ok) {
    job->handle = ConnectNetWorkWith(host, port, 0, 0);
    ok = job->handle != -1;
  }
  if (!ok) {
    MemFree(job->postBody);
    MemFree(job->request);
    MemFree(job);
    return -1;
  }
  if (job->memory != nullptr) *job->memory = nullptr;
  job->lastProgress = platform::MillisecondClock();
  job->started = job->lastProgress;
  g_HttpJobs.jobs[index] = job;
  ++g_HttpJobs.count;
  return index;
}

int ClearHttpJobTable() {
  g_HttpJobs = {};
  return 0;
}

int GetHttpJobCount() { return g_HttpJobs.count; }

int HttpJobSlotInUse(int index) { return JobAt(index) != nullptr ? 1 : 0; }

namespace {

// Anything the job sent or took since the last look.
int Progress(const HttpJob* job) { return job->step + job->requestSent + job->headerBytes + job->received; }

int RunStep(int index, HttpJob* job);

}  // namespace

int HttpJobStep(int index) {
  HttpJob* job = JobAt(index);
  if (job == nullptr) return -1;
  if (job->resultCode != -1) return 0;
  const int before = Progress(job);
  const int result = RunStep(index, job);
  if (job->resultCode != -1) return result;
  const std::uint32_t now = platform::MillisecondClock();
  if (now - job->started >= kHttpJobDeadlineMs) {
    LogPrintf("HTTP のジョブが %u ms で終わりませんでした", static_cast<unsigned>(kHttpJobDeadlineMs));
    return FinishHttpJob(index, 2, kConnectionLost);
  }
  if (Progress(job) != before) {
    job->lastProgress = now;
  } else if (now - job->lastProgress >= kHttpIdleTimeoutMs) {
    LogPrintf("HTTP の応答が %u ms ありませんでした", static_cast<unsigned>(kHttpIdleTimeoutMs));
    return FinishHttpJob(index, 2, kConnectionLost);
  }
  return result;
}

namespace {

int RunStep(int index, HttpJob* job) {
  // A body whose known length has been reached (an empty one right after the headers) is complete, whether or not
  // the peer has closed since.
  if (job->step == kBodyStep && job->contentLength >= 0 && job->received >= job->contentLength)
    return FinishHttpJob(index, 0, -1);
  const int accept = GetNetWorkAcceptState(job->handle);
  // A body without a length ends with the connection; the body step sees that end itself.
  if (!(job->step == kBodyStep && job->contentLength < 0)) {
    const int data = GetNetWorkDataLength(job->handle);
    if (accept < 0 || (accept == 0 && data <= 0)) return FinishHttpJob(index, 2, kConnectionLost);
  } else if (accept < 0) {
    return FinishHttpJob(index, 2, kConnectionLost);
  }
  switch (job->step) {
    case 0: {
      const int sent = NetWorkSend(job->handle, job->request + job->requestSent, job->requestLength - job->requestSent);
      if (sent > 0) job->requestSent += sent;
      if (job->requestSent == job->requestLength) job->step = 1;
      return 0;
    }
    case 1:
    case 2:
      return LineStep(index, job, accept == 0);
    default:
      return BodyStep(index, job);
  }
}

}  // namespace

int UpdateHttpJobs() {
  for (int index = 0, stepped = 0; index < kHttpJobSlots && stepped < g_HttpJobs.count; ++index) {
    if (g_HttpJobs.jobs[index] == nullptr) continue;
    HttpJobStep(index);
    ++stepped;
  }
  return 0;
}

int FinishHttpJob(int index, int resultCode, int resultDetail) {
  HttpJob* job = JobAt(index);
  if (job == nullptr) return -1;
  if (job->handle != -1) CloseNetWork(job->handle);
  job->handle = -1;
  MemFree(job->postBody);
  job->postBody = nullptr;
  MemFree(job->request);
  job->request = nullptr;
  if (job->file != platform::kInvalidFileHandle) platform::CloseFile(job->file);
  job->file = platform::kInvalidFileHandle;
  if (job->resultCode == -1) job->resultCode = resultCode;
  if (job->resultDetail == -1) job->resultDetail = resultDetail;
  if (resultCode == 2 && job->destination == kHttpToMemory && job->memory != nullptr) {
    MemFree(*job->memory);
    *job->memory = nullptr;
  }
  return 0;
}

int DeleteHttpJob(int index) {
  HttpJob* job = JobAt(index);
  if (job == nullptr) return -1;
  FinishHttpJob(index, 0, -1);
  MemFree(job);
  g_HttpJobs.jobs[index] = nullptr;
  --g_HttpJobs.count;
  return 0;
}

int DeleteAllHttpJobs() {
  for (int index = 0; index < kHttpJobSlots; ++index)
    if (g_HttpJobs.jobs[index] != nullptr) DeleteHttpJob(index);
  return 0;
}

int ReadHttpLine(int handle, char* line) {
  char peeked[kHttpLineSize];
  const int n = NetWorkRecvToPeek(handle, peeked, kHttpLineSize - 1);
  if (n <= 0) return -1;
  const void* end = std::memchr(peeked, '\n', static_cast<size_t>(n));
  if (end == nullptr) return n >= kHttpLineSize - 1 ? -2 : -1;
  const int length = static_cast<int>(static_cast<const char*>(end) - peeked);
  std::memcpy(line, peeked, static_cast<size_t>(length));
  line[length] = '\0';
  NetWorkRecv(handle, peeked, length + 1);
  return 0;
}

int ParseNumberAfterSpace(const char* text) {
  const char* p = std::strchr(text, ' ');
  if (p == nullptr) return -1;
  while (*p != '\0' && *p != '-' && (*p < '0' || *p > '9')) ++p;
  const bool negative = *p == '-';
  if (negative) ++p;
  if (*p < '0' || *p > '9') return -1;
  long long value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return value > INT_MAX ? INT_MIN : static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}
