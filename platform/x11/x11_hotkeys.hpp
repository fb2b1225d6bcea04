#pragma once

#include <cstdint>
#include <memory>

#include "platform/services.hpp"

namespace ywf {

// System-wide hotkeys on X11, through the xcb connection of the running QGuiApplication.
// Each hotkey is a passive key grab on every root window, repeated for every combination
// of the lock modifiers (Caps, Num, Scroll) so that it fires whatever their state. The
// keys are grabbed again after the keyboard mapping changes.
//
// Without a QGuiApplication on the xcb platform (for instance under the offscreen
// platform) every registration is refused. GUI thread only; construct after the
// QGuiApplication and destroy before it.
class X11HotkeyService final : public HotkeyService {
  public:
    X11HotkeyService();
    ~X11HotkeyService() override;
    X11HotkeyService(const X11HotkeyService&) = delete;
    X11HotkeyService& operator=(const X11HotkeyService&) = delete;

    // Modifier codes: bits 1 Ctrl, 2 Shift, 4 Alt, 8 Super; at least one, no other bit.
    // Key codes: the capital letters 'A'..'Z', the digits '0'..'9', F1..F12 (112..123).
    // Refused (0) when another client holds the combination, when this process already
    // holds it, for any other code, or without an X connection.
    std::int32_t registerHotkey(FeedbackSink& target, std::int32_t modifierCode,
                                std::int32_t keyCode) override;
    // Releases the grabs before it returns. False for an identifier that is not
    // registered (0 included) or when the server reported an error.
    bool unregisterHotkey(std::int32_t identifier) override;

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace ywf
