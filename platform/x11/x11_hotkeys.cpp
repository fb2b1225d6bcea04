#include "platform/x11/x11_hotkeys.hpp"

#include <xcb/xcb.h>
#include <xcb/xproto.h>

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>
#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

namespace ywf {
namespace {

constexpr std::int32_t kFirstIdentifier = 33000;

// Counts registerHotkey calls of the whole process, refused ones included, because the
// identifier of the n-th call is 33000 + n whichever service instance makes it.
// GUI thread only.
std::int32_t registrationCalls = 0;

constexpr xcb_keysym_t kNoSymbol = 0;
constexpr xcb_keysym_t kNumLock = 0xff7f;
constexpr xcb_keysym_t kScrollLock = 0xff14;
constexpr xcb_keysym_t kF1 = 0xffbe;

// The eight core modifier bits of a key event's state; the bits above are mouse buttons
// and the keyboard group, which a key grab does not look at.
constexpr std::uint16_t kModifierBits = 0xff;

// The keysyms that a key code stands for: the one on the key's first level and the one
// that a key showing only a capital letter carries (a lower-case letter has both).
struct KeyNames {
    xcb_keysym_t keysym = kNoSymbol;
    xcb_keysym_t alternative = kNoSymbol;
};

std::optional<KeyNames> keyNamesFor(std::int32_t keyCode) {
    if (keyCode >= 'A' && keyCode <= 'Z') {
        const auto upper = static_cast<xcb_keysym_t>(keyCode);
        return KeyNames{upper + ('a' - 'A'), upper};
    }
    if (keyCode >= '0' && keyCode <= '9') {
        return KeyNames{static_cast<xcb_keysym_t>(keyCode), kNoSymbol};
    }
    if (keyCode >= 112 && keyCode <= 123) {  // F1..F12
        return KeyNames{kF1 + static_cast<xcb_keysym_t>(keyCode - 112), kNoSymbol};
    }
    return std::nullopt;
}

// The tool's modifier code as X modifier bits. Code 0 is refused as well: a bare key
// taken from every program would make it impossible to type that letter anywhere.
std::optional<std::uint16_t> modifierMaskFor(std::int32_t modifierCode) {
    if (modifierCode <= 0 || (modifierCode & ~0xf) != 0) {
        return std::nullopt;
    }
    std::uint16_t mask = 0;
    if (modifierCode & 1) mask |= XCB_MOD_MASK_CONTROL;
    if (modifierCode & 2) mask |= XCB_MOD_MASK_SHIFT;
    if (modifierCode & 4) mask |= XCB_MOD_MASK_1;
    if (modifierCode & 8) mask |= XCB_MOD_MASK_4;
    return mask;
}

// A snapshot of the server's keyboard mapping: the keysyms of every key code.
struct Keymap {
    xcb_keycode_t minKeycode = 0;
    std::uint8_t perKeycode = 0;
    std::vector<xcb_keysym_t> keysyms;

    std::size_t keycodeCount() const { return perKeycode == 0 ? 0 : keysyms.size() / perKeycode; }

    bool produces(xcb_keycode_t keycode, xcb_keysym_t keysym, std::uint8_t columns) const {
        if (keysym == kNoSymbol || keycode < minKeycode) return false;
        const std::size_t row = keycode - minKeycode;
        if (row >= keycodeCount()) return false;
        const std::uint8_t n = std::min(columns, perKeycode);
        for (std::uint8_t column = 0; column < n; ++column) {
            if (keysyms[row * perKeycode + column] == keysym) return true;
        }
        return false;
    }

    // Every key code whose first two levels carry one of the names.
    std::vector<xcb_keycode_t> keycodesFor(const KeyNames& names) const {
        std::vector<xcb_keycode_t> found;
        for (std::size_t row = 0; row < keycodeCount(); ++row) {
            const auto keycode = static_cast<xcb_keycode_t>(minKeycode + row);
            if (produces(keycode, names.keysym, 2) || produces(keycode, names.alternative, 2)) {
                found.push_back(keycode);
            }
        }
        return found;
    }
};

struct Grab {
    xcb_window_t root;
    xcb_keycode_t keycode;
    std::uint16_t modifiers;  // the hotkey's modifiers plus one combination of lock bits
};

struct Registration {
    FeedbackSink* target;
    std::uint16_t modifiers;  // X modifier bits, no lock bits
    KeyNames names;
    std::vector<xcb_keycode_t> keycodes;  // the key codes grabbed under the current mapping
    std::vector<Grab> grabs;              // what the server holds for this registration
};

}  // namespace

class HotkeyEventFilter;

struct X11HotkeyService::Impl {
    // All fields: GUI thread only.
    xcb_connection_t* connection = nullptr;  // Qt's; null until attached
    std::vector<xcb_window_t> roots;         // one per X screen
    std::optional<std::uint8_t> xkbFirstEvent;
    Keymap keymap;
    std::uint16_t lockBits = XCB_MOD_MASK_LOCK;   // Caps, Num and Scroll lock bits together
    std::vector<std::uint16_t> lockCombinations;  // every subset of lockBits
    std::map<std::int32_t, Registration> registrations;
    std::unique_ptr<HotkeyEventFilter> filter;  // installed while a registration exists
    bool regrabQueued = false;

    bool attach();
    void loadKeyboard();
    bool grab(Registration& registration);
    bool ungrab(Registration& registration);
    void regrabAll();
    void queueRegrab();
    bool handleEvent(const xcb_generic_event_t* event);
    void installFilter();
    void removeFilter();
    bool holdsCombination(std::uint16_t modifiers, const KeyNames& names,
                          const std::vector<xcb_keycode_t>& keycodes) const;
};

// Sees every event of Qt's xcb connection, on the GUI thread, before Qt does.
class HotkeyEventFilter final : public QObject, public QAbstractNativeEventFilter {
  public:
    explicit HotkeyEventFilter(X11HotkeyService::Impl& impl) : impl_(impl) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t" || message == nullptr) return false;
        return impl_.handleEvent(static_cast<const xcb_generic_event_t*>(message));
    }

  private:
    X11HotkeyService::Impl& impl_;
};

bool X11HotkeyService::Impl::attach() {
    if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return false;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* current = x11 != nullptr ? x11->connection() : nullptr;
    if (current == nullptr || xcb_connection_has_error(current) != 0) return false;
    if (current == connection) return true;

    connection = current;
    roots.clear();
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem > 0;
         xcb_screen_next(&it)) {
        roots.push_back(it.data->root);
    }
    static constexpr char kXkb[] = "XKEYBOARD";
    auto* xkb = xcb_query_extension_reply(
        connection, xcb_query_extension(connection, std::strlen(kXkb), kXkb), nullptr);
    xkbFirstEvent.reset();
    if (xkb != nullptr && xkb->present) xkbFirstEvent = xkb->first_event;
    std::free(xkb);
    return !roots.empty();
}

// Reads the keyboard mapping and finds the modifier bits that Num Lock and Scroll Lock
// set, which differ between servers (Num Lock is usually Mod2).
void X11HotkeyService::Impl::loadKeyboard() {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    keymap = Keymap{};
    keymap.minKeycode = setup->min_keycode;
    const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
    auto* mapping = xcb_get_keyboard_mapping_reply(
        connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, count), nullptr);
    if (mapping != nullptr) {
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
        const int n = xcb_get_keyboard_mapping_keysyms_length(mapping);
        keymap.perKeycode = mapping->keysyms_per_keycode;
        keymap.keysyms.assign(syms, syms + n);
        std::free(mapping);
    }

    lockBits = XCB_MOD_MASK_LOCK;
    auto* modifiers =
        xcb_get_modifier_mapping_reply(connection, xcb_get_modifier_mapping(connection), nullptr);
    if (modifiers != nullptr) {
        const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(modifiers);
        const int perModifier = modifiers->keycodes_per_modifier;
        // Rows 0..7 are Shift, Lock, Control, Mod1..Mod5; only Mod1..Mod5 can be a lock.
        for (int row = 3; row < 8; ++row) {
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t keycode = keycodes[row * perModifier + i];
                if (keycode == 0) continue;
                if (keymap.produces(keycode, kNumLock, keymap.perKeycode) ||
                    keymap.produces(keycode, kScrollLock, keymap.perKeycode)) {
                    lockBits |= static_cast<std::uint16_t>(1u << row);
                }
            }
        }
        std::free(modifiers);
    }

    lockCombinations.clear();
    // Every subset of lockBits, by the usual walk over the submasks.
    for (std::uint16_t subset = lockBits;; subset = (subset - 1) & lockBits) {
        lockCombinations.push_back(subset);
        if (subset == 0) break;
    }
}

// All or nothing: grabs the hotkey on every root for every lock combination, and when the
// server refuses any one of them (BadAccess: another client holds it) releases the rest.
bool X11HotkeyService::Impl::grab(Registration& registration) {
    registration.keycodes = keymap.keycodesFor(registration.names);
    registration.grabs.clear();
    if (registration.keycodes.empty()) return false;

    struct Pending {
        Grab grab;
        xcb_void_cookie_t cookie;
    };
    std::vector<Pending> pending;
    for (xcb_window_t root : roots) {
        for (xcb_keycode_t keycode : registration.keycodes) {
            for (std::uint16_t locks : lockCombinations) {
                const Grab g{root, keycode,
                             static_cast<std::uint16_t>(registration.modifiers | locks)};
                pending.push_back(
                    {g, xcb_grab_key_checked(connection, 1, g.root, g.modifiers, g.keycode,
                                             XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
            }
        }
    }
    bool refused = false;
    for (Pending& p : pending) {
        if (xcb_generic_error_t* error = xcb_request_check(connection, p.cookie)) {
            refused = true;
            std::free(error);
        } else {
            registration.grabs.push_back(p.grab);
        }
    }
    if (refused) {
        ungrab(registration);
        return false;
    }
    return true;
}

// Checked, so that the keys are free for other clients by the time this returns.
bool X11HotkeyService::Impl::ungrab(Registration& registration) {
    std::vector<xcb_void_cookie_t> cookies;
    for (const Grab& g : registration.grabs) {
        cookies.push_back(xcb_ungrab_key_checked(connection, g.keycode, g.root, g.modifiers));
    }
    registration.grabs.clear();
    registration.keycodes.clear();
    bool released = true;
    for (xcb_void_cookie_t cookie : cookies) {
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            released = false;
            std::free(error);
        }
    }
    return released;
}

// After a mapping change the letters may sit on other key codes and the lock modifiers on
// other bits: release everything under the old mapping, then grab under the new one.
void X11HotkeyService::Impl::regrabAll() {
    regrabQueued = false;
    if (connection == nullptr || qGuiApp == nullptr) return;
    for (auto& [id, registration] : registrations) ungrab(registration);
    loadKeyboard();
    for (auto& [id, registration] : registrations) {
        // FIXME: a hotkey that another client took meanwhile, or whose key the new
        // mapping lacks, stays registered but silent until the next mapping change.
        grab(registration);
    }
}

// Mapping notifications come in bursts; one re-grab after the burst is enough.
void X11HotkeyService::Impl::queueRegrab() {
    if (regrabQueued || filter == nullptr) return;
    regrabQueued = true;
    QMetaObject::invokeMethod(
        filter.get(), [this] { regrabAll(); }, Qt::QueuedConnection);
}

bool X11HotkeyService::Impl::handleEvent(const xcb_generic_event_t* event) {
    const std::uint8_t type = event->response_type & 0x7f;
    if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
        // Press and release share one layout.
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (std::find(roots.begin(), roots.end(), key->event) == roots.end()) return false;
        const auto modifiers = static_cast<std::uint16_t>(key->state & kModifierBits & ~lockBits);
        for (auto& [id, registration] : registrations) {
            const auto& codes = registration.keycodes;
            if (std::find(codes.begin(), codes.end(), key->detail) == codes.end()) continue;
            if (type == XCB_KEY_RELEASE) return true;  // the release of a grabbed key
            if (modifiers == registration.modifiers) {
                registration.target->post(id, 0);
                return true;
            }
        }
        return false;
    }
    if (type == XCB_MAPPING_NOTIFY) {
        const auto* mapping = reinterpret_cast<const xcb_mapping_notify_event_t*>(event);
        if (mapping->request != XCB_MAPPING_POINTER) queueRegrab();
        return false;  // Qt updates its own keymap from it too
    }
    // XKB events share one event code and name their kind in the second byte:
    // 0 a new keyboard, 1 a changed map.
    if (xkbFirstEvent && event->response_type == *xkbFirstEvent) {
        const std::uint8_t xkbType = reinterpret_cast<const std::uint8_t*>(event)[1];
        if (xkbType == 0 || xkbType == 1) queueRegrab();
    }
    return false;
}

void X11HotkeyService::Impl::installFilter() {
    if (filter != nullptr) return;
    filter = std::make_unique<HotkeyEventFilter>(*this);
    qGuiApp->installNativeEventFilter(filter.get());
}

void X11HotkeyService::Impl::removeFilter() {
    if (filter == nullptr) return;
    if (qGuiApp != nullptr) qGuiApp->removeNativeEventFilter(filter.get());
    filter.reset();
    regrabQueued = false;
}

// Two registrations of one combination in this process would share the server's grab,
// so the second is refused as the system would refuse another program.
bool X11HotkeyService::Impl::holdsCombination(std::uint16_t modifiers, const KeyNames& names,
                                              const std::vector<xcb_keycode_t>& keycodes) const {
    for (const auto& [id, registration] : registrations) {
        if (registration.modifiers != modifiers) continue;
        if (registration.names.keysym == names.keysym) return true;
        for (xcb_keycode_t keycode : keycodes) {
            const auto& held = registration.keycodes;
            if (std::find(held.begin(), held.end(), keycode) != held.end()) return true;
        }
    }
    return false;
}

X11HotkeyService::X11HotkeyService() : impl_(std::make_unique<Impl>()) {}

X11HotkeyService::~X11HotkeyService() {
    // Without the application its connection is gone, and the server dropped the grabs.
    if (qGuiApp != nullptr && impl_->connection != nullptr) {
        for (auto& [id, registration] : impl_->registrations) impl_->ungrab(registration);
    }
    impl_->registrations.clear();
    impl_->removeFilter();
}

std::int32_t X11HotkeyService::registerHotkey(FeedbackSink& target, std::int32_t modifierCode,
                                              std::int32_t keyCode) {
    const std::int32_t identifier = kFirstIdentifier + ++registrationCalls;

    const auto modifiers = modifierMaskFor(modifierCode);
    const auto names = keyNamesFor(keyCode);
    if (!modifiers || !names || !impl_->attach()) return 0;

    // Without a registration nobody watched for mapping changes: read the keyboard afresh.
    if (impl_->registrations.empty() || impl_->lockCombinations.empty()) impl_->loadKeyboard();
    if (impl_->holdsCombination(*modifiers, *names, impl_->keymap.keycodesFor(*names))) return 0;

    Registration registration{&target, *modifiers, *names, {}, {}};
    if (!impl_->grab(registration)) return 0;
    impl_->registrations.emplace(identifier, std::move(registration));
    impl_->installFilter();
    return identifier;
}

bool X11HotkeyService::unregisterHotkey(std::int32_t identifier) {
    const auto it = impl_->registrations.find(identifier);
    if (it == impl_->registrations.end()) return false;
    const bool released = qGuiApp == nullptr || impl_->ungrab(it->second);
    impl_->registrations.erase(it);
    if (impl_->registrations.empty()) impl_->removeFilter();
    return released;
}

}  // namespace ywf
