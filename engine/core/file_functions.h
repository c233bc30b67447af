// The replaceable file-function table every engine file access goes through, its nine forwarding entry points, and
// the two stream-function instances (files and memory blocks) the decoders read through.
#pragma once

#include "engine/core/stream.h"

// Nine slots, in this order. A file handle of 0 means failure.
struct FileFunctionTable {
  StreamHandle (*open)(const char* path, int useThread, int unused);
  int (*close)(StreamHandle handle);
  int (*tell)(StreamHandle handle);
  int (*seek)(StreamHandle handle, int offset, int origin);
  int (*read)(void* buffer, int itemSize, int itemCount, StreamHandle handle);
  int (*eof)(StreamHandle handle);  // -1 at the end of the file, 0 otherwise
  int (*idleCheck)(StreamHandle handle);
  int (*setCurrentDir)(const char* path);
  int (*getCurrentDir)(char* buffer);  // buffer of kMaxPath bytes
};

// The installed table.
extern FileFunctionTable g_FileFunctions;

// With a table: copies its slots in. With none: installs the default set of the current mode (archive-aware unless
// the system record's archive-off flag is 1, then plain). Returns 0.
int InstallFileFunctions(const FileFunctionTable* table);
// 1 when every slot but idle-check is the current mode's default set's.
int IsDefaultFileFunctions();
// Worker of SetUseArchiveFiles: 0 switches to plain files only, anything else to archive-aware files. A default table
// follows the switch; a caller's own table stays installed. Returns 0.
int SetUseArchiveFilesBody(int use);

// The default sets.
const FileFunctionTable& ArchiveAwareFileFunctions();
const FileFunctionTable& PlainFileFunctions();

StreamHandle FileOpen(const char* path, int useThread = 0, int unused = 0);
int FileClose(StreamHandle handle);
int FileTell(StreamHandle handle);
int FileSeek(StreamHandle handle, int offset, int origin);
int FileRead(void* buffer, int itemSize, int itemCount, StreamHandle handle);
int FileEof(StreamHandle handle);
int FileIdleCheck(StreamHandle handle);
int FileSetCurrentDir(const char* path);
int FileGetCurrentDir(char* buffer);

// Fills the two stream-function instances (they also start filled).
void InitStreamFunctions();
const StreamFunctions* GetFileStreamFunctions();
const StreamFunctions* GetMemStreamFunctions();
