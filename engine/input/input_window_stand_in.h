// Temporary: the window state the input layer sees until the window layer lands.
#pragma once

struct InputWindowStandIn {
  int messagePasses = 0;
  int messagePassResult = 0;
  int inactiveWaits = 0;
  int closeRequested = 0;
  int active = 1;
  bool onWindowThread = true;
};
extern InputWindowStandIn g_InputWindowStandIn;
