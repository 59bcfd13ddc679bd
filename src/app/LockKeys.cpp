#include "app/LockKeys.h"

#include <QGuiApplication>

#ifdef Q_OS_WIN
#include <windows.h>
#elif QT_CONFIG(xcb)
#include <QtGui/qguiapplication_platform.h>

#include <QLibrary>
#endif

#ifdef Q_OS_WIN

LockKeyState QueryLockKeys() {
  LockKeyState state;
  state.known = true;
  state.caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
  state.num = (GetKeyState(VK_NUMLOCK) & 1) != 0;
  state.scroll = (GetKeyState(VK_SCROLL) & 1) != 0;
  return state;
}

#elif QT_CONFIG(xcb)

namespace {

// int XkbGetIndicatorState(Display*, unsigned int deviceSpec, unsigned int* stateReturn)
using GetIndicatorState = int (*)(Display*, unsigned int, unsigned int*);
constexpr unsigned int kUseCoreKeyboard = 0x0100;
// The usual indicator map of the keyboard extension: lights 1, 2 and 3.
constexpr unsigned int kCapsLight = 1u << 0;
constexpr unsigned int kNumLight = 1u << 1;
constexpr unsigned int kScrollLight = 1u << 2;

GetIndicatorState ResolveGetIndicatorState() {
  static const GetIndicatorState function = [] {
    QLibrary x11(QStringLiteral("X11"), 6);
    return reinterpret_cast<GetIndicatorState>(x11.resolve("XkbGetIndicatorState"));
  }();
  return function;
}

}  // namespace

LockKeyState QueryLockKeys() {
  LockKeyState state;
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return state;
  const GetIndicatorState getState = ResolveGetIndicatorState();
  unsigned int lights = 0;
  if (!getState || getState(display, kUseCoreKeyboard, &lights) != 0) return state;
  state.known = true;
  state.caps = (lights & kCapsLight) != 0;
  state.num = (lights & kNumLight) != 0;
  state.scroll = (lights & kScrollLight) != 0;
  return state;
}

#else

LockKeyState QueryLockKeys() { return {}; }

#endif
