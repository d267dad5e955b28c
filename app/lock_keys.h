#pragma once
// Reads the state of Caps Lock, Num Lock and Scroll Lock from the display,
// where the platform tells it cheaply (X11); elsewhere all are reported off.

#include "app/update_rules.h"

LockKeyState readLockKeys();
