// The engine's public functions: the only way the game reaches the engine. Each one takes the API lock, calls its
// worker with the arguments unchanged, releases the lock and returns the worker's result.
#pragma once

int SetLogFileOutput(int on);
int GetRandomUpTo(int n);
int SetUseArchiveFiles(int use);
int SetArchiveExtension(const char* extension);
int SetArchiveKeyString(const char* keyString);
