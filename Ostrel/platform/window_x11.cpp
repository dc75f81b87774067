// The engine window on X11. The pump turns X events into the records a Win32 queue would hold
// (message numbers, wParam and lParam encodings), so the portable input handlers and the
// application's hook read them unchanged. It also answers requests for the CLIPBOARD selection.
// Xlib's Window and KeyCode would take the engine's names: here they are XWindow and XKeyCode.
#define Window XWindow
#define KeyCode XKeyCode
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#undef Window
#undef KeyCode
#include <poll.h>
#include <string.h>
#include <time.h>
#include <unistd.h>
#include "Ostrel/core/allocator.h"
#include "Ostrel/core/log.h"
#include "Ostrel/platform/window_x11.h"

enum {
    X11_MAX_WINDOWS = 8,
    X11_QUEUE_SIZE = 64,
    // Win32 mouse-key flags of wParam.
    MK_LEFT = 0x01,
    MK_RIGHT = 0x02,
    MK_SHIFT_KEY = 0x04,
    MK_CONTROL_KEY = 0x08,
    MK_MIDDLE = 0x10,
    MK_X1 = 0x20,
    MK_X2 = 0x40,
    WHEEL_STEP = 120,
    WIN32_VK_PAUSE = 0x13,
};
static const u32 WIN32_OVERLAPPED_WINDOW = 0x00CF0000u;
static const u32 WIN32_POPUP = 0x80000000u;

struct X11Window {
    XWindow xid;
    Window* record;
    XIC input_context;
    XSizeHints size_hints;
    u8 iconic;
    u8 cursor_hidden;
    u8 withdrawn;
    u32 buttons;  // MK_ flags of the buttons held (X has no masks for buttons 8 and 9)
    u8 key_held[256];
};

struct X11Atoms {
    Atom wm_protocols, wm_delete_window, net_wm_ping, wm_state, net_wm_state, net_wm_state_hidden, net_wm_name,
        net_wm_pid, utf8_string, motif_wm_hints, clipboard, targets, paste_property;
};

static Display* s_display;
static bool s_display_attempted;
static XIM s_input_method;
static X11Atoms s_atoms;
static X11Window s_windows[X11_MAX_WINDOWS];
static Cursor s_blank_cursor;

struct QueuedMessage {
    X11Window* window;
    WindowMessage message;
};
static QueuedMessage s_queue[X11_QUEUE_SIZE];
static u32 s_queue_start, s_queue_count;

// What this process serves as CLIPBOARD, and the last text received from another owner.
static XWindow s_clipboard_owner;
static u8* s_clipboard_bytes;
static u32 s_clipboard_length;
static u8* s_paste_bytes;
static u32 s_paste_length;

// A failed request must not end the program (Xlib's default handler exits): a requestor may
// vanish before its answer, for one.
static int x11_error_handler(Display* display, XErrorEvent* error) {
    char text[128] = {};
    XGetErrorText(display, error->error_code, text, sizeof text);
    log_error("X11 request % failed: %", (u32)error->request_code, (const char*)text);
    return 0;
}

static bool x11_open_display() {
    if (s_display_attempted) return s_display != nullptr;
    s_display_attempted = true;
    s_display = XOpenDisplay(nullptr);
    if (!s_display) {
        log_error("Could not open the X display \"%\".", (const char*)XDisplayName(nullptr));
        return false;
    }
    XSetErrorHandler(x11_error_handler);
    // Held keys repeat as presses alone, as Win32 repeats key-downs, not as release-press pairs.
    Bool detectable = False;
    XkbSetDetectableAutoRepeat(s_display, True, &detectable);
    const char* names[] = {"WM_PROTOCOLS",  "WM_DELETE_WINDOW", "_NET_WM_PING", "WM_STATE",        "_NET_WM_STATE",
                           "_NET_WM_STATE_HIDDEN", "_NET_WM_NAME", "_NET_WM_PID", "UTF8_STRING", "_MOTIF_WM_HINTS",
                           "CLIPBOARD",     "TARGETS",          "OSTREL_PASTE"};
    static_assert(sizeof names / sizeof names[0] == sizeof(X11Atoms) / sizeof(Atom));
    XInternAtoms(s_display, (char**)names, (int)(sizeof names / sizeof names[0]), False, (Atom*)&s_atoms);
    // The user's input method when there is one, else Xlib's own: typed text comes out as the
    // keyboard layout gives it.
    XSetLocaleModifiers("");
    s_input_method = XOpenIM(s_display, nullptr, nullptr, nullptr);
    if (!s_input_method) {
        XSetLocaleModifiers("@im=none");
        s_input_method = XOpenIM(s_display, nullptr, nullptr, nullptr);
    }
    if (!s_input_method) log_warning("No X input method: typed characters are lost.");
    char empty = 0;
    Pixmap pixmap = XCreateBitmapFromData(s_display, DefaultRootWindow(s_display), &empty, 1, 1);
    XColor black = {};
    s_blank_cursor = XCreatePixmapCursor(s_display, pixmap, pixmap, &black, &black, 0, 0);
    XFreePixmap(s_display, pixmap);
    return true;
}

_XDisplay* window_x11_display() { return s_display; }

static X11Window* x11_find(XWindow xid) {
    for (X11Window& w : s_windows)
        if (w.record && w.xid == xid) return &w;
    return nullptr;
}

static X11Window* x11_of(const Window* window) {
    for (X11Window& w : s_windows)
        if (w.record && w.record == window) return &w;
    return nullptr;
}

u32 window_style_to_win32(u32 style) {
    switch (style) {
        case WINDOW_STYLE_OVERLAPPED: return WIN32_OVERLAPPED_WINDOW;
        case WINDOW_STYLE_POPUP: return WIN32_POPUP;
        default: log_error("Given style % is invalid !", style); return WIN32_OVERLAPPED_WINDOW;
    }
}

bool window_create(const char* title, i32 x, i32 y, i32 width, i32 height, u32 style, Window* window) {
    window->handle = nullptr;
    if (!x11_open_display()) return false;
    X11Window* slot = nullptr;
    for (X11Window& w : s_windows)
        if (!w.record) {
            slot = &w;
            break;
        }
    if (!slot) {
        log_error("Could not instantiate window: % windows already exist.", (u32)X11_MAX_WINDOWS);
        return false;
    }
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    XSetWindowAttributes attributes = {};
    // No background: the server leaves exposed parts alone instead of clearing them before the
    // frame that redraws them.
    attributes.background_pixmap = None;
    attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            FocusChangeMask | StructureNotifyMask | ExposureMask | PropertyChangeMask;
    XWindow xid = XCreateWindow(s_display, DefaultRootWindow(s_display), x, y, (u32)width, (u32)height, 0,
                                 CopyFromParent, InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    if (!xid) {
        log_error("Could not instantiate window.");
        return false;
    }
    *slot = X11Window{};
    slot->xid = xid;
    slot->record = window;

    // Static gravity: the position given and the one reported are both the client's origin, so a
    // saved position comes back unchanged whatever the window manager's frame.
    slot->size_hints.flags = USPosition | USSize | PWinGravity;
    slot->size_hints.x = x;
    slot->size_hints.y = y;
    slot->size_hints.width = width;
    slot->size_hints.height = height;
    slot->size_hints.win_gravity = StaticGravity;
    XWMHints wm_hints = {};
    wm_hints.flags = InputHint | StateHint;
    wm_hints.input = True;
    wm_hints.initial_state = NormalState;
    XClassHint class_hint = {(char*)"korvane", (char*)"korvane"};
    Xutf8SetWMProperties(s_display, xid, title, title, nullptr, 0, &slot->size_hints, &wm_hints, &class_hint);
    XChangeProperty(s_display, xid, s_atoms.net_wm_name, s_atoms.utf8_string, 8, PropModeReplace, (const u8*)title,
                    (int)strlen(title));
    long pid = (long)getpid();
    XChangeProperty(s_display, xid, s_atoms.net_wm_pid, XA_CARDINAL, 32, PropModeReplace, (const u8*)&pid, 1);
    Atom protocols[] = {s_atoms.wm_delete_window, s_atoms.net_wm_ping};
    XSetWMProtocols(s_display, xid, protocols, 2);
    if (window_style_to_win32(style) == WIN32_POPUP) {
        long motif[5] = {2, 0, 0, 0, 0};  // decorations given, and none
        XChangeProperty(s_display, xid, s_atoms.motif_wm_hints, s_atoms.motif_wm_hints, 32, PropModeReplace,
                        (const u8*)motif, 5);
    }
    if (s_input_method) {
        slot->input_context = XCreateIC(s_input_method, XNInputStyle, XIMPreeditNothing | XIMStatusNothing,
                                        XNClientWindow, xid, XNFocusWindow, xid, nullptr);
        long filter = 0;
        if (slot->input_context && !XGetICValues(slot->input_context, XNFilterEvents, &filter, nullptr) && filter)
            XSelectInput(s_display, xid, attributes.event_mask | filter);
    }
    window->handle = (void*)(uintptr_t)xid;
    window->client_width = (u32)width;
    window->client_height = (u32)height;
    window->x = (u32)x;
    window->y = (u32)y;
    window->close_requested = 0;
    window->focused = 0;
    XFlush(s_display);
    return true;
}

void window_show(Window* window) {
    if (!s_display || !window->handle) return;
    X11Window* slot = x11_of(window);
    if (slot && slot->withdrawn) {
        // The window manager forgot the window when it was withdrawn: it comes back where it was.
        slot->withdrawn = 0;
        slot->size_hints.x = (i16)(u16)window->x;
        slot->size_hints.y = (i16)(u16)window->y;
        slot->size_hints.width = (i32)window->client_width;
        slot->size_hints.height = (i32)window->client_height;
        XSetWMNormalHints(s_display, slot->xid, &slot->size_hints);
        XMoveResizeWindow(s_display, slot->xid, slot->size_hints.x, slot->size_hints.y, window->client_width,
                          window->client_height);
    }
    XMapWindow(s_display, (XWindow)(uintptr_t)window->handle);
    XFlush(s_display);
}

void window_hide(Window* window) {
    X11Window* slot = x11_of(window);
    if (!slot) return;
    slot->withdrawn = 1;
    XWithdrawWindow(s_display, slot->xid, DefaultScreen(s_display));
    XFlush(s_display);
}

void window_set_icon(Window* window, const u32* sizes, const u8* const* rgba, u32 count) {
    X11Window* slot = x11_of(window);
    if (!slot) return;
    // Format 32 properties travel as longs on the client side, one pixel each as 0xAARRGGBB.
    u32 total = 0;
    for (u32 i = 0; i < count; i++) total += 2 + sizes[i] * sizes[i];
    long* data = (long*)allocator_alloc(g_default_allocator, total * sizeof(long));
    long* out = data;
    for (u32 i = 0; i < count; i++) {
        *out++ = (long)sizes[i];
        *out++ = (long)sizes[i];
        for (u32 p = 0; p < sizes[i] * sizes[i]; p++) {
            const u8* c = rgba[i] + p * 4;
            *out++ = (long)(((unsigned long)c[3] << 24) | ((unsigned long)c[0] << 16) |
                            ((unsigned long)c[1] << 8) | c[2]);
        }
    }
    Atom icon = XInternAtom(s_display, "_NET_WM_ICON", False);
    XChangeProperty(s_display, slot->xid, icon, XA_CARDINAL, 32, PropModeReplace, (const u8*)data, (int)total);
    XFlush(s_display);
    allocator_free(g_default_allocator, data);
}

bool window_is_minimised(const Window* window) {
    const X11Window* slot = x11_of(window);
    return slot && slot->iconic;
}

bool window_set_size(Window* window, i32 width, i32 height) {
    if (!s_display || !window->handle || width < 1 || height < 1) {
        log_error("Failed to set window size to % x %.", width, height);
        return false;
    }
    XResizeWindow(s_display, (XWindow)(uintptr_t)window->handle, (u32)width, (u32)height);
    XFlush(s_display);
    return true;
}

void window_set_minimum_size(Window* window, i32 width, i32 height) {
    X11Window* slot = x11_of(window);
    if (!slot) return;
    slot->size_hints.flags |= PMinSize;
    slot->size_hints.min_width = width;
    slot->size_hints.min_height = height;
    XSetWMNormalHints(s_display, slot->xid, &slot->size_hints);
    // Set before the window manager next reads them.
    XSync(s_display, False);
}

//-----------------------------------------------------------------------------
// Keys
//-----------------------------------------------------------------------------

// X key code -> set-1 scan code, 0xE000 marking the extended keys. X key codes are the kernel's
// plus 8, and the kernel numbers the main block by its set-1 codes.
static u32 x11_scan_code(u32 keycode) {
    if (keycode < 8) return 0;
    u32 code = keycode - 8;
    if (code < 0x59) return code;
    if (code >= 183 && code <= 193) return 0x64 + (code - 183);  // F13 ... F23
    switch (code) {
        case 96: return 0xE01C;   // keypad Enter
        case 97: return 0xE01D;   // right Control
        case 98: return 0xE035;   // keypad divide
        case 99: return 0xE037;   // print screen
        case 100: return 0xE038;  // right Alt
        case 102: return 0xE047;  // Home
        case 103: return 0xE048;  // Up
        case 104: return 0xE049;  // Page Up
        case 105: return 0xE04B;  // Left
        case 106: return 0xE04D;  // Right
        case 107: return 0xE04F;  // End
        case 108: return 0xE050;  // Down
        case 109: return 0xE051;  // Page Down
        case 110: return 0xE052;  // Insert
        case 111: return 0xE053;  // Delete
        case 119: return 0x45;    // Pause
        case 125: return 0xE05B;  // left Super
        case 126: return 0xE05C;  // right Super
        case 127: return 0xE05D;  // Menu
        case 194: return 0x76;    // F24
        default: return 0;
    }
}

// The virtual key a Win32 layout would report: letters follow the layout, as they do there, and
// the rest follows the key's place.
static u32 x11_virtual_key(KeySym sym, u32 scan) {
    if (sym >= XK_a && sym <= XK_z) return VKEY_A + (u32)(sym - XK_a);
    if (sym >= XK_A && sym <= XK_Z) return VKEY_A + (u32)(sym - XK_A);
    if (sym >= XK_KP_0 && sym <= XK_KP_9) return VKEY_NUMPAD0 + (u32)(sym - XK_KP_0);
    if (sym >= XK_F1 && sym <= XK_F24) return VKEY_F1 + (u32)(sym - XK_F1);
    if (sym == XK_Pause) return WIN32_VK_PAUSE;
    u32 vk = input_map_scan_code_to_virtual_key(scan);
    // Key messages name a modifier without its side; the scan code keeps the side.
    switch (vk) {
        case VKEY_LSHIFT:
        case VKEY_RSHIFT: return VKEY_SHIFT;
        case VKEY_LCONTROL:
        case VKEY_RCONTROL: return VKEY_CONTROL;
        case VKEY_LMENU:
        case VKEY_RMENU: return VKEY_MENU;
        default: return vk;
    }
}

static void x11_queue(X11Window* window, u32 message, u64 wparam, i64 lparam) {
    if (s_queue_count == X11_QUEUE_SIZE) return;
    QueuedMessage* q = &s_queue[(s_queue_start + s_queue_count) % X11_QUEUE_SIZE];
    q->window = window;
    q->message = WindowMessage{window->record->handle, message, wparam, lparam};
    s_queue_count++;
}

static void x11_key(X11Window* window, XKeyEvent* event, bool press) {
    KeySym sym = NoSymbol;
    XLookupString(event, nullptr, 0, &sym, nullptr);
    u32 keycode = event->keycode & 0xFF;
    // An input method's committed text comes as a press of key code 0: characters only.
    if (keycode != 0) {
        u32 scan = x11_scan_code(keycode);
        u32 vk = x11_virtual_key(sym, scan);
        bool alt = (event->state & Mod1Mask) != 0 || vk == VKEY_MENU;
        bool held = window->key_held[keycode] != 0;
        window->key_held[keycode] = press ? 1 : 0;
        i64 lparam = 1 | ((i64)(scan & 0xFF) << 16) | ((scan & 0xE000) ? 1LL << 24 : 0) | (alt ? 1LL << 29 : 0) |
                     ((held || !press) ? 1LL << 30 : 0) | (press ? 0 : 1LL << 31);
        u32 message = press ? WINDOW_MSG_KEYDOWN : WINDOW_MSG_KEYUP;
        // Alt combinations and F10 are system keys, as on Win32.
        if (alt || vk == VKEY_F1 + 9) message = press ? WINDOW_MSG_SYSKEYDOWN : WINDOW_MSG_SYSKEYUP;
        if (vk) x11_queue(window, message, vk, lparam);
    }
    // With Alt held Win32 sends system characters, which never reach the text ring.
    if (!press || !window->input_context || (event->state & Mod1Mask)) return;
    char text[32];
    Status status = 0;
    int length = Xutf8LookupString(window->input_context, event, text, (int)sizeof text, &sym, &status);
    if (status != XLookupChars && status != XLookupBoth) length = 0;
    for (int i = 0; i < length; i++) x11_queue(window, WINDOW_MSG_CHAR, (u8)text[i], 1);
}

//-----------------------------------------------------------------------------
// Pointer, focus, structure
//-----------------------------------------------------------------------------

static u64 x11_mouse_keys(const X11Window* window, u32 state) {
    return window->buttons | ((state & ShiftMask) ? MK_SHIFT_KEY : 0) | ((state & ControlMask) ? MK_CONTROL_KEY : 0);
}

static i64 x11_point(i32 x, i32 y) { return (i64)(((u32)(u16)(i16)y << 16) | (u16)(i16)x); }

static void x11_button(X11Window* window, XButtonEvent* event, bool press) {
    if (event->button == 4 || event->button == 5) {
        if (!press) return;
        i16 delta = event->button == 4 ? WHEEL_STEP : -WHEEL_STEP;
        // The wheel reports screen coordinates, as on Win32.
        x11_queue(window, WINDOW_MSG_MOUSEWHEEL, ((u64)(u16)delta << 16) | x11_mouse_keys(window, event->state),
                  x11_point(event->x_root, event->y_root));
        return;
    }
    u32 flag, down, x_button = 0;
    switch (event->button) {
        case 1: flag = MK_LEFT, down = WINDOW_MSG_LBUTTONDOWN; break;
        case 2: flag = MK_MIDDLE, down = WINDOW_MSG_MBUTTONDOWN; break;
        case 3: flag = MK_RIGHT, down = WINDOW_MSG_RBUTTONDOWN; break;
        case 8: flag = MK_X1, down = WINDOW_MSG_XBUTTONDOWN, x_button = 1; break;
        case 9: flag = MK_X2, down = WINDOW_MSG_XBUTTONDOWN, x_button = 2; break;
        default: return;
    }
    if (press) window->buttons |= flag;
    else window->buttons &= ~flag;
    // A click gives the window the keyboard, as it would without a window manager on Win32.
    if (press && !window->record->focused)
        XSetInputFocus(s_display, window->xid, RevertToParent, event->time);
    x11_queue(window, press ? down : down + 1, ((u64)x_button << 16) | x11_mouse_keys(window, event->state),
              x11_point(event->x, event->y));
}

static void x11_focus(X11Window* window, XFocusChangeEvent* event, bool in) {
    // Grabs (a window manager's switcher) and the pointer's own focus are not the window's.
    if (event->mode == NotifyGrab || event->mode == NotifyUngrab || event->detail == NotifyPointer) return;
    if (window->input_context) (in ? XSetICFocus : XUnsetICFocus)(window->input_context);
    if ((window->record->focused != 0) == in) return;
    x11_queue(window, in ? WINDOW_MSG_SETFOCUS : WINDOW_MSG_KILLFOCUS, 0, 0);
}

static void x11_configure(X11Window* window, XConfigureEvent* event) {
    Window* record = window->record;
    i32 x = event->x, y = event->y;
    // A real event inside a window manager's frame is relative to the frame; its synthetic one
    // and the root's coordinates are what Win32 reports.
    if (!event->send_event) {
        XWindow child;
        XTranslateCoordinates(s_display, window->xid, DefaultRootWindow(s_display), 0, 0, &x, &y, &child);
    }
    if ((u32)event->width != record->client_width || (u32)event->height != record->client_height)
        x11_queue(window, WINDOW_MSG_SIZE, 0, (i64)(((u32)(u16)event->height << 16) | (u16)event->width));
    if ((u32)(u16)x != record->x || (u32)(u16)y != record->y) x11_queue(window, WINDOW_MSG_MOVE, 0, x11_point(x, y));
}

static bool x11_property_has_atom(XWindow xid, Atom property, Atom type, long wanted, bool first_only) {
    Atom actual = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    u8* data = nullptr;
    bool found = false;
    if (XGetWindowProperty(s_display, xid, property, 0, 64, False, type, &actual, &format, &count, &after, &data) ==
            Success &&
        data && format == 32) {
        const long* values = (const long*)data;
        for (unsigned long i = 0; i < (first_only ? 1 : count) && i < count; i++) found |= values[i] == wanted;
    }
    if (data) XFree(data);
    return found;
}

static void x11_update_iconic(X11Window* window) {
    const long iconic_state = 3;
    window->iconic = x11_property_has_atom(window->xid, s_atoms.wm_state, s_atoms.wm_state, iconic_state, true) ||
                     x11_property_has_atom(window->xid, s_atoms.net_wm_state, XA_ATOM,
                                           (long)s_atoms.net_wm_state_hidden, false);
}

static void x11_client_message(X11Window* window, XClientMessageEvent* event) {
    if (event->message_type != s_atoms.wm_protocols || event->format != 32) return;
    Atom protocol = (Atom)event->data.l[0];
    if (protocol == s_atoms.wm_delete_window) {
        x11_queue(window, WINDOW_MSG_CLOSE, 0, 0);
    } else if (protocol == s_atoms.net_wm_ping) {
        // Answered from the frame loop: the window manager sees the program is alive.
        XEvent reply;
        reply.xclient = *event;
        reply.xclient.window = DefaultRootWindow(s_display);
        XSendEvent(s_display, reply.xclient.window, False, SubstructureNotifyMask | SubstructureRedirectMask, &reply);
    }
}

//-----------------------------------------------------------------------------
// Clipboard
//-----------------------------------------------------------------------------

// UTF-8 -> Latin-1 for the STRING target; characters beyond it become '?'.
static u32 x11_utf8_to_latin1(const u8* in, u32 length, u8* out) {
    u32 n = 0;
    for (u32 i = 0; i < length;) {
        u8 c = in[i];
        u32 size = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : 4;
        u32 code = size == 1 ? c : 0x100;
        if (size == 2 && i + 1 < length) code = ((c & 0x1Fu) << 6) | (in[i + 1] & 0x3Fu);
        out[n++] = code <= 0xFF ? (u8)code : '?';
        i += size;
    }
    return n;
}

static void x11_clipboard_serve(XSelectionRequestEvent* request) {
    XEvent reply = {};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = s_display;
    reply.xselection.requestor = request->requestor;
    reply.xselection.selection = request->selection;
    reply.xselection.target = request->target;
    reply.xselection.time = request->time;
    reply.xselection.property = None;
    // Clients older than ICCCM 2 name no property: the target's name is used.
    Atom property = request->property ? request->property : request->target;
    if (request->selection == s_atoms.clipboard && s_clipboard_owner && request->owner == s_clipboard_owner) {
        if (request->target == s_atoms.targets) {
            Atom targets[] = {s_atoms.targets, s_atoms.utf8_string, XA_STRING};
            XChangeProperty(s_display, request->requestor, property, XA_ATOM, 32, PropModeReplace,
                            (const u8*)targets, 3);
            reply.xselection.property = property;
        } else if (request->target == s_atoms.utf8_string) {
            XChangeProperty(s_display, request->requestor, property, s_atoms.utf8_string, 8, PropModeReplace,
                            s_clipboard_bytes, (int)s_clipboard_length);
            reply.xselection.property = property;
        } else if (request->target == XA_STRING) {
            u8* latin1 = (u8*)allocator_alloc(g_default_allocator, s_clipboard_length + 1);
            u32 n = x11_utf8_to_latin1(s_clipboard_bytes, s_clipboard_length, latin1);
            XChangeProperty(s_display, request->requestor, property, XA_STRING, 8, PropModeReplace, latin1, (int)n);
            allocator_free(g_default_allocator, latin1);
            reply.xselection.property = property;
        }
    }
    XSendEvent(s_display, request->requestor, False, NoEventMask, &reply);
}

static void x11_clipboard_drop() {
    if (s_clipboard_bytes) allocator_free(g_default_allocator, s_clipboard_bytes);
    s_clipboard_bytes = nullptr;
    s_clipboard_length = 0;
    s_clipboard_owner = 0;
}

bool window_clipboard_own(Window* window, const u8* bytes, u32 length) {
    X11Window* slot = x11_of(window);
    if (!slot) return false;
    x11_clipboard_drop();
    s_clipboard_bytes = (u8*)allocator_alloc(g_default_allocator, length ? length : 1);
    if (length) memcpy(s_clipboard_bytes, bytes, length);
    s_clipboard_length = length;
    // At the current server time, as other toolkits do: a copy made without any input event (a
    // menu choice, say) still takes the selection from a newer owner.
    XSetSelectionOwner(s_display, s_atoms.clipboard, slot->xid, CurrentTime);
    if (XGetSelectionOwner(s_display, s_atoms.clipboard) != slot->xid) {
        x11_clipboard_drop();
        return false;
    }
    s_clipboard_owner = slot->xid;
    return true;
}

static i64 x11_milliseconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (i64)now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

static void x11_paste_set(const u8* bytes, u32 length, bool latin1) {
    if (s_paste_bytes) allocator_free(g_default_allocator, s_paste_bytes);
    s_paste_bytes = (u8*)allocator_alloc(g_default_allocator, length * 2 + 1);
    u32 n = 0;
    for (u32 i = 0; i < length; i++) {
        if (latin1 && bytes[i] >= 0x80) {
            s_paste_bytes[n++] = (u8)(0xC0 | (bytes[i] >> 6));
            s_paste_bytes[n++] = (u8)(0x80 | (bytes[i] & 0x3F));
        } else {
            s_paste_bytes[n++] = bytes[i];
        }
    }
    s_paste_length = n;
}

// One conversion of CLIPBOARD to `target`; false when refused or not answered by `deadline`.
static bool x11_clipboard_convert(X11Window* slot, Atom target, i64 deadline) {
    XEvent event;
    while (XCheckTypedWindowEvent(s_display, slot->xid, SelectionNotify, &event)) {
    }  // late answers to earlier requests
    XDeleteProperty(s_display, slot->xid, s_atoms.paste_property);
    XConvertSelection(s_display, s_atoms.clipboard, target, s_atoms.paste_property, slot->xid, CurrentTime);
    XFlush(s_display);
    for (;;) {
        if (XCheckTypedWindowEvent(s_display, slot->xid, SelectionNotify, &event)) {
            if (event.xselection.selection == s_atoms.clipboard && event.xselection.target == target) break;
            continue;
        }
        i64 left = deadline - x11_milliseconds();
        if (left <= 0) return false;
        pollfd fd = {ConnectionNumber(s_display), POLLIN, 0};
        poll(&fd, 1, (int)left);
    }
    if (event.xselection.property == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    u8* data = nullptr;
    bool ok = XGetWindowProperty(s_display, slot->xid, s_atoms.paste_property, 0, 0x7FFFFFF, True, AnyPropertyType,
                                 &type, &format, &count, &after, &data) == Success &&
              format == 8 && (type == s_atoms.utf8_string || type == XA_STRING);
    if (ok) x11_paste_set(data, (u32)count, type == XA_STRING);
    if (data) XFree(data);
    return ok;
}

bool window_clipboard_request(Window* window, u32 timeout_ms, const u8** bytes, u32* length) {
    *bytes = nullptr;
    *length = 0;
    X11Window* slot = x11_of(window);
    if (!slot) return false;
    XWindow owner = XGetSelectionOwner(s_display, s_atoms.clipboard);
    if (owner == None) return false;
    if (owner == s_clipboard_owner) {
        // Our own text: asking ourselves would wait for an answer only this thread can give.
        x11_paste_set(s_clipboard_bytes, s_clipboard_length, false);
        *bytes = s_paste_bytes;
        *length = s_paste_length;
        return true;
    }
    i64 deadline = x11_milliseconds() + timeout_ms;
    if (!x11_clipboard_convert(slot, s_atoms.utf8_string, deadline) &&
        !x11_clipboard_convert(slot, XA_STRING, deadline))
        return false;
    *bytes = s_paste_bytes;
    *length = s_paste_length;
    return true;
}

//-----------------------------------------------------------------------------
// The pump
//-----------------------------------------------------------------------------

static void x11_translate(XEvent* event) {
    if (event->type == SelectionRequest) {
        x11_clipboard_serve(&event->xselectionrequest);
        return;
    }
    if (event->type == SelectionClear) {
        if (event->xselectionclear.selection == s_atoms.clipboard &&
            event->xselectionclear.window == s_clipboard_owner)
            x11_clipboard_drop();
        return;
    }
    if (event->type == MappingNotify) {
        // Layout changes and remapped keys (setxkbmap, xdotool) take effect at once.
        XRefreshKeyboardMapping(&event->xmapping);
        return;
    }
    X11Window* window = x11_find(event->xany.window);
    if (!window) return;
    switch (event->type) {
        case KeyPress: x11_key(window, &event->xkey, true); break;
        case KeyRelease: x11_key(window, &event->xkey, false); break;
        case ButtonPress: x11_button(window, &event->xbutton, true); break;
        case ButtonRelease: x11_button(window, &event->xbutton, false); break;
        case MotionNotify:
            x11_queue(window, WINDOW_MSG_MOUSEMOVE, x11_mouse_keys(window, event->xmotion.state),
                      x11_point(event->xmotion.x, event->xmotion.y));
            break;
        case FocusIn: x11_focus(window, &event->xfocus, true); break;
        case FocusOut: x11_focus(window, &event->xfocus, false); break;
        case ConfigureNotify: x11_configure(window, &event->xconfigure); break;
        case Expose:
            if (event->xexpose.count == 0) window->record->exposed = 1;
            break;
        case PropertyNotify:
            if (event->xproperty.atom == s_atoms.wm_state || event->xproperty.atom == s_atoms.net_wm_state)
                x11_update_iconic(window);
            break;
        case ClientMessage: x11_client_message(window, &event->xclient); break;
        case DestroyNotify:
            if (event->xdestroywindow.window != window->xid) break;
            if (window->input_context) XDestroyIC(window->input_context);
            if (s_clipboard_owner == window->xid) x11_clipboard_drop();
            *window = X11Window{};
            break;
        default: break;
    }
}

// What the Win32 engine window procedure does with a message, then the application's hook.
static void x11_dispatch(X11Window* window, const WindowMessage* message) {
    Window* record = window->record;
    record->resized = 0;
    record->style_changed = 0;
    switch (message->message) {
        case WINDOW_MSG_CLOSE:
            // Only a request: the frame loop decides between quitting and hiding.
            record->close_requested = 1;
            return;
        case WINDOW_MSG_MOVE:
            record->x = (u32)(message->lparam & 0xFFFF);
            record->y = (u32)((message->lparam >> 16) & 0xFFFF);
            break;
        case WINDOW_MSG_SIZE:
            record->client_width = (u32)(message->lparam & 0xFFFF);
            record->client_height = (u32)((message->lparam >> 16) & 0xFFFF);
            record->resized = 1;
            break;
        case WINDOW_MSG_SETFOCUS: record->focused = 1; break;
        case WINDOW_MSG_KILLFOCUS: record->focused = 0; break;
        default: break;
    }
    if (record->user_window_procedure)
        record->user_window_procedure(record->handle, message->message, message->wparam, message->lparam);
}

static void x11_sync_cursors() {
    for (X11Window& w : s_windows) {
        if (!w.record || (w.record->hide_cursor != 0) == (w.cursor_hidden != 0)) continue;
        w.cursor_hidden = w.record->hide_cursor ? 1 : 0;
        if (w.cursor_hidden) XDefineCursor(s_display, w.xid, s_blank_cursor);
        else XUndefineCursor(s_display, w.xid);
    }
}

bool window_pump_one(WindowMessage* out) {
    if (!s_display) return false;
    x11_sync_cursors();
    while (s_queue_count == 0) {
        if (XPending(s_display) <= 0) return false;
        XEvent event;
        XNextEvent(s_display, &event);
        if (XFilterEvent(&event, None)) continue;
        x11_translate(&event);
    }
    for (;;) {
        if (s_queue_count == 0) return window_pump_one(out);
        QueuedMessage q = s_queue[s_queue_start];
        s_queue_start = (s_queue_start + 1) % X11_QUEUE_SIZE;
        s_queue_count--;
        // The window may have been destroyed since its message was queued.
        if (!q.window->record || (void*)(uintptr_t)q.window->xid != q.message.hwnd) continue;
        x11_dispatch(q.window, &q.message);
        *out = q.message;
        return true;
    }
}
