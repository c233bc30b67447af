// HTTP/1.0 client: GET, POST and HEAD requests run as jobs over network handles, one step per message pass. A job
// connects when it is made; its connection has no framing (the bytes go to the socket as they are) and stays open
// after the peer closes it until the job has read what arrived.
#pragma once

#include <cstdint>

#include "platform/files/file.h"

inline constexpr int kHttpJobSlots = 100;
// A body received into memory may not be larger than this. Its block grows with the bytes that arrive, whatever
// length the response announces.
inline constexpr int kMaxHttpMemoryBody = 64 * 1024 * 1024;
// A job that makes no progress (nothing sent, nothing received) for this long fails as a lost connection.
inline constexpr std::uint32_t kHttpIdleTimeoutMs = 30000;
// A job still running this long after it was made fails as a lost connection, however it progresses: a server that
// sends a little now and then cannot hold one of the slots for ever.
inline constexpr std::uint32_t kHttpJobDeadlineMs = 300000;
// ReadHttpLine's line buffer: a line holds at most this many bytes before its "\n", plus the terminator.
inline constexpr int kHttpLineSize = 256;

enum HttpJobKind { kHttpGet = 0, kHttpPost = 1, kHttpHead = 2 };
enum HttpDestination { kHttpToFile = 0, kHttpToMemory = 1 };

struct HttpJob {
  int kind;
  int step;
  int resultCode;    // -1 running; 0 finished; 2 failed
  int resultDetail;  // -1 running; failure: 0 status other than 200/404, 1 status 404, 2 no memory, 3 connection lost
  int handle;        // the connection, -1 none
  int destination;
  platform::FileHandle file;
  void** memory;     // receives the body block (MemAlloc; the caller frees it)
  int memoryCapacity;
  int contentLength; // -1 unknown
  int received;
  char host[256];
  char path[1024];
  int port;
  char* postBody;
  int postBodyLength;
  char* request;     // the request being sent, and how much of it has gone out
  int requestLength;
  int requestSent;
  int headerBytes;             // bytes of status and header lines taken
  std::uint32_t lastProgress;  // when the job last sent or received anything (the idle timeout runs from here)
  std::uint32_t started;       // when the job was made (the deadline runs from here)
};

struct HttpJobTable {
  HttpJob* jobs[kHttpJobSlots];
  int count;
};
extern HttpJobTable g_HttpJobs;

// Makes a job and connects it (connecting waits at most 5 s): kind kHttpGet/kHttpPost/kHttpHead; body and bodyLength for POST; the body goes to the
// open file, or into a block whose address is stored in *memory. Returns the job's index, or -1 (bad arguments, no
// free slot, the host does not resolve, the connection fails).
int StartHttpJob(int kind, const char* host, int port, const char* path, const void* body, int bodyLength,
                 int destination, platform::FileHandle file, void** memory);

int ClearHttpJobTable();
int GetHttpJobCount();
int HttpJobSlotInUse(int index);
int HttpJobStep(int index);
int UpdateHttpJobs();
int FinishHttpJob(int index, int resultCode, int resultDetail);
int DeleteHttpJob(int index);
int DeleteAllHttpJobs();
// Takes one line (up to, not including, its "\n") from a connection without framing into line (kHttpLineSize bytes).
// 0 when a line was taken; -1 while no complete line has arrived; -2 when kHttpLineSize - 1 bytes have arrived
// without a "\n".
int ReadHttpLine(int handle, char* line);
// The decimal number after the first space (skipping to the first digit or minus sign); -1 without a space or a
// number. Values beyond the int range are clamped.
int ParseNumberAfterSpace(const char* text);
