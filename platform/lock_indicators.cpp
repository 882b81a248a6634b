#include "platform/lock_indicators.h"

#include <QGuiApplication>

#include <array>

// Xlib's headers define macros such as Bool, Status and None: they come last.
#include <X11/XKBlib.h>

namespace platform {
namespace {

class x11_indicators : public lock_indicator_source {
 public:
  explicit x11_indicators(Display* display) : display_(display) {
    // The indicators' bits in the state word, looked up by name once.
    static const char* const names[] = {"Caps Lock", "Num Lock", "Scroll Lock"};
    for (size_t i = 0; i < bits_.size(); ++i) {
      int index = -1;
      Bool on = False;
      if (XkbGetNamedIndicator(display_, XInternAtom(display_, names[i], False), &index, &on, nullptr, nullptr) &&
          index >= 0 && index < XkbNumIndicators)
        bits_[i] = 1u << index;
    }
  }

  std::optional<lock_state> read() override {
    unsigned state = 0;
    if (XkbGetIndicatorState(display_, XkbUseCoreKbd, &state) != Success) return std::nullopt;
    return lock_state{(state & bits_[0]) != 0, (state & bits_[1]) != 0, (state & bits_[2]) != 0};
  }

 private:
  Display* display_;
  std::array<unsigned, 3> bits_{};
};

}  // namespace

std::unique_ptr<lock_indicator_source> x11_lock_indicators(Display* display) {
  int opcode = 0;
  int event = 0;
  int error = 0;
  int major = XkbMajorVersion;
  int minor = XkbMinorVersion;
  if (!display || !XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) return nullptr;
  return std::make_unique<x11_indicators>(display);
}

std::unique_ptr<lock_indicator_source> display_lock_indicators() {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11_lock_indicators(x11->display()) : nullptr;
}

}  // namespace platform
