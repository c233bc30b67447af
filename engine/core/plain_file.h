// Plain files: the plain file-function set. A handle is the address of the file's PlainFileRecord. In direct mode
// every read goes to the file; in threaded mode a file-access thread of its own serves the file and reads ahead into
// a 128 KB buffer while the caller is busy.
#pragma once

#include <cstdint>

#include "engine/core/stream.h"
#include "platform/base/thread.h"
#include "platform/files/file.h"

inline constexpr int kFileReadAheadSize = 131072;

enum FileThreadCommand : int {
  kFileThreadOpen = 0,
  kFileThreadCloseHandle = 1,
  kFileThreadRead = 2,
  kFileThreadSeek = 3,
  kFileThreadEnd = 4,
};

// The part of a threaded file the file-access thread works on. The caller writes the command fields only while the
// done event is signalled; the two events order every hand-over.
struct PlainFileThreadPart {
  platform::Thread thread;
  platform::FileHandle file = platform::kInvalidFileHandle;  // owned by the thread
  platform::Event request;                                     // manual reset, created not signalled
  platform::Event done;                                        // manual reset, created signalled
  int command = 0;
  int threadEnded = 0;
  int openError = 0;
  char fileName[260] = {};
  // Read request (the thread writes back the count read).
  void* readDestination = nullptr;
  std::uint32_t readPosition = 0;
  std::uint32_t readCount = 0;
  // Seek request.
  std::uint32_t seekPosition = 0;
  // Read-ahead buffer and the file position of its first byte.
  std::uint32_t bufferPosition = 0;
  std::uint32_t bufferFill = 0;
  unsigned char buffer[kFileReadAheadSize];
};

struct PlainFileRecord {
  platform::FileHandle file;  // direct mode; kInvalidFileHandle in threaded mode
  int useThread;
  int eof;
  std::uint32_t position;
  std::uint32_t size;
  PlainFileThreadPart* thread;  // threaded mode only
};

// use-thread 1 selects threaded mode; the third argument is not used. 0 on failure.
StreamHandle OpenPlainFile(const char* path, int useThread, int unused);
// 0, or -1 when the handle is not an open plain file or the close failed.
int ClosePlainFile(StreamHandle handle);
int PlainFileTell(StreamHandle handle);
// 0, or -1 when the target is outside 0..4 GiB or the system refused. Seeking past the end is allowed.
int PlainFileSeek(StreamHandle handle, int offset, int origin);
// Whole items; a trailing partial item is not delivered (eof flag set, 0 returned), nor anything at or past the end.
int PlainFileRead(void* buffer, int itemSize, int itemCount, StreamHandle handle);
// -1 when the eof flag is set, else 0.
int PlainFileEof(StreamHandle handle);
// 1 when no operation of the file is in progress.
int PlainFileIdleCheck(StreamHandle handle);
// 1 on success, 0 on failure (the system call's result).
int PlainSetCurrentDir(const char* path);
// Length of the directory written into buffer (kMaxPath bytes), or 0.
int PlainGetCurrentDir(char* buffer);

// The size of an open plain file, or -1.
std::int64_t PlainFileSize(StreamHandle handle);
