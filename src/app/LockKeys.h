#pragma once
// The state of the Caps, Num and Scroll Lock keys, for the status-bar indicators.

struct LockKeyState {
  bool known = false;  // false where the platform does not tell: everything shows unlit
  bool caps = false;
  bool num = false;
  bool scroll = false;
};

// Asks the window system now. On X11 this reads the keyboard's indicator lights through
// libX11's keyboard extension, loaded on first use; on Windows the toggle state of the keys.
LockKeyState QueryLockKeys();
