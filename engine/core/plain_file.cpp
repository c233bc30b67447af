#include "engine/core/plain_file.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "engine/core/log.h"
#include "engine/core/mem_alloc.h"
#include "engine/core/string_util.h"
#include "platform/files/path.h"

namespace {

// The records of open plain files, so that a handle that is not one can be refused.
std::mutex g_liveMutex;
std::unordered_set<const PlainFileRecord*>& LiveRecords() {
  static std::unordered_set<const PlainFileRecord*> records;
  return records;
}

PlainFileRecord* AsRecord(StreamHandle handle) {
  auto* record = reinterpret_cast<PlainFileRecord*>(handle);
  std::lock_guard lock(g_liveMutex);
  return LiveRecords().count(record) != 0 ? record : nullptr;
}

void AddLive(const PlainFileRecord* record) {
  std::lock_guard lock(g_liveMutex);
  LiveRecords().insert(record);
}

void RemoveLive(const PlainFileRecord* record) {
  std::lock_guard lock(g_liveMutex);
  LiveRecords().erase(record);
}

// The file size, or -1 when the file is too large for 32-bit positions.
std::int64_t SizeOf(platform::FileHandle file) {
  const std::int64_t size = platform::GetFileSize(file);
  return size > 0xFFFFFFFFll ? -1 : size;
}

// Seek target from the origin: 0 start, 1 current position, 2 end.
std::int64_t SeekTarget(const PlainFileRecord* record, int offset, int origin) {
  std::int64_t target = offset;
  if (origin == 1) target += record->position;
  if (origin == 2) target += record->size;
  return target;
}

// Items that the read can deliver whole from the current position; 0 sets the eof flag.
std::int64_t ClampItems(PlainFileRecord* record, int itemSize, int itemCount) {
  if (itemSize <= 0 || itemCount <= 0) return 0;
  if (record->position >= record->size) {
    record->eof = 1;
    return 0;
  }
  const std::uint64_t remaining = record->size - record->position;
  std::uint64_t count = static_cast<std::uint64_t>(itemCount);
  if (static_cast<std::uint64_t>(itemSize) * count > remaining) count = remaining / static_cast<std::uint64_t>(itemSize);
  if (count == 0) record->eof = 1;
  return static_cast<std::int64_t>(count);
}

// --- threaded mode ---

void FileThreadProc(PlainFileThreadPart* part) {
  for (;;) {
    while (!part->request.Wait(100)) {
      if (part->file == platform::kInvalidFileHandle || part->bufferFill >= kFileReadAheadSize) continue;
      std::uint32_t got = 0;
      if (platform::SetFilePosition(part->file, static_cast<std::int64_t>(part->bufferPosition) + part->bufferFill)) {
        platform::ReadFromFile(part->file, part->buffer + part->bufferFill, kFileReadAheadSize - part->bufferFill,
                               &got);
      }
      part->bufferFill += got;
    }
    part->request.Reset();
    part->done.Reset();
    switch (part->command) {
      case kFileThreadOpen:
        part->file = platform::OpenFileForRead(part->fileName);
        if (part->file == platform::kInvalidFileHandle) {
          part->openError = 1;
          part->threadEnded = 1;
          part->done.Set();
          return;
        }
        part->bufferPosition = 0;
        part->bufferFill = 0;
        break;
      case kFileThreadCloseHandle:
        platform::CloseFile(part->file);
        part->file = platform::kInvalidFileHandle;
        break;
      case kFileThreadRead: {
        auto* destination = static_cast<unsigned char*>(part->readDestination);
        if (part->bufferPosition == part->readPosition && part->bufferFill != 0) {
          const std::uint32_t n = std::min(part->readCount, part->bufferFill);
          std::memcpy(destination, part->buffer, n);
          destination += n;
          part->readPosition += n;
          part->bufferPosition += n;
          part->readCount -= n;
          part->bufferFill -= n;
          std::memmove(part->buffer, part->buffer + n, part->bufferFill);
          if (part->readCount == 0) break;
        }
        std::uint32_t got = 0;
        if (platform::SetFilePosition(part->file, part->readPosition)) {
          platform::ReadFromFile(part->file, destination, part->readCount, &got);
        }
        part->readCount = got;
        part->bufferPosition = part->readPosition + got;
        part->bufferFill = 0;
        break;
      }
      case kFileThreadSeek:
        platform::SetFilePosition(part->file, part->seekPosition);
        part->bufferPosition = part->seekPosition;
        part->bufferFill = 0;
        break;
      case kFileThreadEnd:
        if (part->file != platform::kInvalidFileHandle) platform::CloseFile(part->file);
        part->file = platform::kInvalidFileHandle;
        part->threadEnded = 1;
        part->done.Set();
        return;
      default:
        break;
    }
    part->done.Set();
  }
}

// Hands a command to the file-access thread: wait until it is idle, write the command, wake it; for open, read and
// end wait until it has finished.
template <typename Fill>
void SendCommand(PlainFileThreadPart* part, int command, Fill fill) {
  part->done.Wait(platform::kInfinite);
  part->command = command;
  fill(part);
  part->done.Reset();
  part->request.Set();
  if (command != kFileThreadSeek) part->done.Wait(platform::kInfinite);
}

PlainFileThreadPart* NewThreadPart() {
  void* block = ENGINE_ALLOC(sizeof(PlainFileThreadPart));
  if (block == nullptr) return nullptr;
  auto* part = new (block) PlainFileThreadPart;
  part->done.Set();
  return part;
}

void DeleteThreadPart(PlainFileThreadPart* part) {
  part->thread.Join();
  part->~PlainFileThreadPart();
  MemFree(part);
}

StreamHandle OpenThreaded(PlainFileRecord* record, const char* path) {
  const platform::FileHandle probe = platform::OpenFileForRead(path);
  if (probe == platform::kInvalidFileHandle) {
    MemFree(record);
    return 0;
  }
  const std::int64_t size = SizeOf(probe);
  platform::CloseFile(probe);
  if (size < 0 || std::strlen(path) >= sizeof(PlainFileThreadPart::fileName)) {
    MemFree(record);
    return 0;
  }
  PlainFileThreadPart* part = NewThreadPart();
  if (part == nullptr) {
    MemFree(record);
    return WriteLog("ファイルアクセス専用スレッドの作成に失敗しました\n"), 0;
  }
  record->file = platform::kInvalidFileHandle;
  record->useThread = 1;
  record->size = static_cast<std::uint32_t>(size);
  record->thread = part;
  // A follower of the virtual clock: the thread's idle waits must not move time for everybody else.
  if (!part->thread.Start([part] { FileThreadProc(part); }, platform::ClockRole::Follower)) {
    DeleteThreadPart(part);
    MemFree(record);
    return WriteLog("ファイルアクセス専用スレッドの作成に失敗しました\n"), 0;
  }
  SendCommand(part, kFileThreadOpen, [path](PlainFileThreadPart* p) { CopyString(p->fileName, path); });
  if (part->openError == 1) {
    DeleteThreadPart(part);
    MemFree(record);
    return WriteLog("ファイルのオープンに失敗しました\n"), 0;
  }
  record->position = 0;
  record->eof = 0;
  AddLive(record);
  return reinterpret_cast<StreamHandle>(record);
}

}  // namespace

StreamHandle OpenPlainFile(const char* path, int useThread, int) {
  if (path == nullptr) return 0;
  auto* record = static_cast<PlainFileRecord*>(ENGINE_ALLOC_ZEROED(sizeof(PlainFileRecord)));
  if (record == nullptr) return 0;
  if (useThread == 1) return OpenThreaded(record, path);
  record->file = platform::OpenFileForRead(path);
  const std::int64_t size = record->file == platform::kInvalidFileHandle ? -1 : SizeOf(record->file);
  if (size < 0) {
    if (record->file != platform::kInvalidFileHandle) platform::CloseFile(record->file);
    MemFree(record);
    return 0;
  }
  record->size = static_cast<std::uint32_t>(size);
  record->position = 0;
  record->eof = 0;
  AddLive(record);
  return reinterpret_cast<StreamHandle>(record);
}

int ClosePlainFile(StreamHandle handle) {
  PlainFileRecord* record = AsRecord(handle);
  if (record == nullptr) return -1;
  RemoveLive(record);
  int result = 0;
  if (record->useThread == 1) {
    SendCommand(record->thread, kFileThreadEnd, [](PlainFileThreadPart*) {});
    DeleteThreadPart(record->thread);
  } else {
    result = platform::CloseFile(record->file) ? 0 : -1;
  }
  MemFree(record);
  return result;
}

int PlainFileTell(StreamHandle handle) {
  const PlainFileRecord* record = AsRecord(handle);
  return record == nullptr ? -1 : static_cast<int>(record->position);
}

int PlainFileSeek(StreamHandle handle, int offset, int origin) {
  PlainFileRecord* record = AsRecord(handle);
  if (record == nullptr) return -1;
  const std::int64_t target = SeekTarget(record, offset, origin);
  if (target < 0 || target > 0xFFFFFFFFll) return -1;
  if (record->useThread == 1) {
    SendCommand(record->thread, kFileThreadSeek,
                [target](PlainFileThreadPart* p) { p->seekPosition = static_cast<std::uint32_t>(target); });
  } else if (!platform::SetFilePosition(record->file, target)) {
    return -1;
  }
  record->position = static_cast<std::uint32_t>(target);
  record->eof = 0;
  return 0;
}

int PlainFileRead(void* buffer, int itemSize, int itemCount, StreamHandle handle) {
  PlainFileRecord* record = AsRecord(handle);
  if (record == nullptr) return -1;
  const std::int64_t count = ClampItems(record, itemSize, itemCount);
  if (count == 0) return 0;
  const auto bytes = static_cast<std::uint32_t>(count * itemSize);
  if (record->useThread == 1) {
    const std::uint32_t position = record->position;
    SendCommand(record->thread, kFileThreadRead, [buffer, position, bytes](PlainFileThreadPart* p) {
      p->readDestination = buffer;
      p->readPosition = position;
      p->readCount = bytes;
    });
    record->position += bytes;
    return static_cast<int>(count);
  }
  std::uint32_t got = 0;
  const bool ok = platform::ReadFromFile(record->file, buffer, bytes, &got);
  // The position follows the bytes really read, so that it stays where the system's file pointer is.
  record->position += got;
  return ok ? static_cast<int>(got / static_cast<std::uint32_t>(itemSize)) : 0;
}

int PlainFileEof(StreamHandle handle) {
  const PlainFileRecord* record = AsRecord(handle);
  if (record == nullptr) return -1;
  return record->eof != 0 ? -1 : 0;
}

int PlainFileIdleCheck(StreamHandle handle) {
  const PlainFileRecord* record = AsRecord(handle);
  if (record == nullptr) return -1;
  if (record->useThread != 1) return 1;
  return record->thread->done.Wait(0) ? 1 : 0;
}

int PlainSetCurrentDir(const char* path) {
  return path != nullptr && platform::SetCurrentDirectoryEngine(path) ? 1 : 0;
}

int PlainGetCurrentDir(char* buffer) {
  return static_cast<int>(platform::GetCurrentDirectoryEngine(buffer, kMaxPath));
}

std::int64_t PlainFileSize(StreamHandle handle) {
  const PlainFileRecord* record = AsRecord(handle);
  return record == nullptr ? -1 : record->size;
}
