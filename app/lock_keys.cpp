#include "app/lock_keys.h"

#include <QGuiApplication>

#if __has_include(<xcb/xcb.h>) && QT_CONFIG(xcb)
#include <dlfcn.h>
#include <xcb/xcb.h>

#define TQ_HAVE_X11_LOCKS 1
#elif defined(_WIN32)
#include <windows.h>
#endif

LockKeyState readLockKeys() {
  LockKeyState locks;
#ifdef TQ_HAVE_X11_LOCKS
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->connection()) return locks;
  // The X connection library is already loaded by the platform plugin; look
  // its functions up there instead of linking it into the program.
  using Request = xcb_get_keyboard_control_cookie_t (*)(xcb_connection_t*);
  using Reply = xcb_get_keyboard_control_reply_t* (*)(xcb_connection_t*, xcb_get_keyboard_control_cookie_t,
                                                      xcb_generic_error_t**);
  static Request request = nullptr;
  static Reply reply = nullptr;
  static bool looked = false;
  if (!looked) {
    looked = true;
    if (void* lib = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_NOLOAD)) {
      request = reinterpret_cast<Request>(dlsym(lib, "xcb_get_keyboard_control"));
      reply = reinterpret_cast<Reply>(dlsym(lib, "xcb_get_keyboard_control_reply"));
      dlclose(lib);  // the plugin keeps the library loaded
    }
  }
  if (!request || !reply) return locks;
  xcb_get_keyboard_control_reply_t* r = reply(x11->connection(), request(x11->connection()), nullptr);
  if (!r) return locks;
  // Keyboard LEDs 1, 2 and 3 are Caps Lock, Num Lock and Scroll Lock.
  locks.caps = (r->led_mask & 1u) != 0;
  locks.num = (r->led_mask & 2u) != 0;
  locks.scroll = (r->led_mask & 4u) != 0;
  free(r);
#elif defined(_WIN32)
  // The low bit of a toggle key's state says whether it is on.
  locks.caps = (::GetKeyState(VK_CAPITAL) & 1) != 0;
  locks.num = (::GetKeyState(VK_NUMLOCK) & 1) != 0;
  locks.scroll = (::GetKeyState(VK_SCROLL) & 1) != 0;
#endif
  return locks;
}
