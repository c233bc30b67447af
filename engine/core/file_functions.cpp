#include "engine/core/file_functions.h"

#include "engine/core/archive_file_layer.h"
#include "engine/core/mem_stream.h"
#include "engine/core/plain_file.h"
#include "engine/core/system_record.h"

namespace {

constexpr FileFunctionTable kArchiveAwareSet = {
    OpenArchiveAwareFile, CloseArchiveAwareFile,   ArchiveAwareTell,          ArchiveAwareSeek,         ArchiveAwareRead,
    ArchiveAwareEof,      ArchiveAwareIdleCheck,   ArchiveAwareSetCurrentDir, ArchiveAwareGetCurrentDir};

constexpr FileFunctionTable kPlainSet = {OpenPlainFile,     ClosePlainFile,     PlainFileTell,
                                         PlainFileSeek,     PlainFileRead,      PlainFileEof,
                                         PlainFileIdleCheck, PlainSetCurrentDir, PlainGetCurrentDir};

constexpr StreamFunctions kFileStream = {FileTell, FileSeek, FileRead, FileEof, FileIdleCheck, FileClose};
constexpr StreamFunctions kMemStream = {MemStreamTell, MemStreamSeek,     MemStreamRead,
                                        MemStreamEof,  MemStreamIdleCheck, CloseMemStream};

StreamFunctions g_FileStreamFunctions = kFileStream;
StreamFunctions g_MemStreamFunctions = kMemStream;

const FileFunctionTable& DefaultSet(int archiveOff) { return archiveOff == 1 ? kPlainSet : kArchiveAwareSet; }

bool IsSet(const FileFunctionTable& set) {
  const FileFunctionTable& t = g_FileFunctions;
  return t.open == set.open && t.close == set.close && t.tell == set.tell && t.seek == set.seek &&
         t.read == set.read && t.eof == set.eof && t.setCurrentDir == set.setCurrentDir &&
         t.getCurrentDir == set.getCurrentDir;
}

}  // namespace

FileFunctionTable g_FileFunctions = kArchiveAwareSet;

const FileFunctionTable& ArchiveAwareFileFunctions() { return kArchiveAwareSet; }
const FileFunctionTable& PlainFileFunctions() { return kPlainSet; }

int InstallFileFunctions(const FileFunctionTable* table) {
  g_FileFunctions = table != nullptr ? *table : DefaultSet(g_System.archiveOff);
  return 0;
}

int IsDefaultFileFunctions() { return IsSet(DefaultSet(g_System.archiveOff)) ? 1 : 0; }

int SetUseArchiveFilesBody(int use) {
  const int archiveOff = use == 0 ? 1 : 0;
  if (archiveOff == g_System.archiveOff) return 0;
  const bool wasDefault = IsDefaultFileFunctions() == 1;
  g_System.archiveOff = archiveOff;
  if (wasDefault) InstallFileFunctions(nullptr);
  return 0;
}

// A slot a caller's table left empty fails like a bad handle.
StreamHandle FileOpen(const char* path, int useThread, int unused) {
  return g_FileFunctions.open ? g_FileFunctions.open(path, useThread, unused) : 0;
}
int FileClose(StreamHandle handle) { return g_FileFunctions.close ? g_FileFunctions.close(handle) : -1; }
int FileTell(StreamHandle handle) { return g_FileFunctions.tell ? g_FileFunctions.tell(handle) : -1; }
int FileSeek(StreamHandle handle, int offset, int origin) {
  return g_FileFunctions.seek ? g_FileFunctions.seek(handle, offset, origin) : -1;
}
int FileRead(void* buffer, int itemSize, int itemCount, StreamHandle handle) {
  return g_FileFunctions.read ? g_FileFunctions.read(buffer, itemSize, itemCount, handle) : -1;
}
int FileEof(StreamHandle handle) { return g_FileFunctions.eof ? g_FileFunctions.eof(handle) : -1; }
int FileIdleCheck(StreamHandle handle) { return g_FileFunctions.idleCheck ? g_FileFunctions.idleCheck(handle) : -1; }
int FileSetCurrentDir(const char* path) {
  return g_FileFunctions.setCurrentDir ? g_FileFunctions.setCurrentDir(path) : -1;
}
int FileGetCurrentDir(char* buffer) {
  return g_FileFunctions.getCurrentDir ? g_FileFunctions.getCurrentDir(buffer) : -1;
}

void InitStreamFunctions() {
  g_FileStreamFunctions = kFileStream;
  g_MemStreamFunctions = kMemStream;
}

const StreamFunctions* GetFileStreamFunctions() { return &g_FileStreamFunctions; }
const StreamFunctions* GetMemStreamFunctions() { return &g_MemStreamFunctions; }
