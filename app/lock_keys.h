#pragma once
// Reads the state of Caps Lock, Num Lock and Scroll Lock where the platform
// tells it cheaply: from the X11 display, or on Windows from GetKeyState;
// elsewhere all are reported off.

#include "app/update_rules.h"

LockKeyState readLockKeys();
