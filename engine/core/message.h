// One message pass: retrieves and dispatches the main window's messages, then runs the engine jobs that must
// advance regularly. The main thread runs it through ProcessMessage and inside the engine's own waits; the
// background message thread runs it every 17 ms. While the window is inactive the main thread's pass does not
// return.
#pragma once

// 0 go on, -1 quit.
int ProcessMessageBody();
void WaitWhileInactive();
// The background message thread's body.
void MessageThreadProc();
// Waits the given milliseconds pumping messages. Must be called without holding the API lock.
int WaitPumpingMessages(int milliseconds);
// Starts the background message thread (a follower of the virtual clock).
void StartMessageThread();

// Counts of passes, for tests and diagnostics.
struct MessagePassCounters {
  int mainPasses;
  int backgroundPasses;
  int inactiveSweeps;  // sweeps of the main thread's inactive wait
  int dispatched;      // messages dispatched by passes
};
extern MessagePassCounters g_MessagePassCounters;
