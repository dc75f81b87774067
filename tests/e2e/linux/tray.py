# Test-side pieces of the tray story (run with /usr/bin/python3, which has python3-dbus):
#   tray.py watcher   a StatusNotifierWatcher of our own: prints "ready", then "registered NAME"
#                     for each item that registers and "withdrawn NAME" when its name goes
#   tray.py close ID  the window manager's close (WM_DELETE_WINDOW) sent to the X window ID
import ctypes
import sys


def watcher():
    import dbus
    import dbus.service
    from dbus.mainloop.glib import DBusGMainLoop
    from gi.repository import GLib

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()

    class Watcher(dbus.service.Object):
        @dbus.service.method('org.kde.StatusNotifierWatcher', in_signature='s')
        def RegisterStatusNotifierItem(self, name):
            print('registered', name, flush=True)

    def owner_changed(name, old, new):
        if name.startswith('org.kde.StatusNotifierItem-') and not new:
            print('withdrawn', name, flush=True)

    Watcher(bus, '/StatusNotifierWatcher')
    bus.add_signal_receiver(owner_changed, 'NameOwnerChanged', 'org.freedesktop.DBus')
    name = dbus.service.BusName('org.kde.StatusNotifierWatcher', bus, do_not_queue=True)  # owned while it lives
    print('ready', flush=True)
    GLib.MainLoop().run()


class ClientMessage(ctypes.Structure):  # XClientMessageEvent, padded to the size of an XEvent
    _fields_ = [('type', ctypes.c_int), ('serial', ctypes.c_ulong), ('send_event', ctypes.c_int),
                ('display', ctypes.c_void_p), ('window', ctypes.c_ulong), ('message_type', ctypes.c_ulong),
                ('format', ctypes.c_int), ('l', ctypes.c_long * 5), ('pad', ctypes.c_long * 12)]


def close(window):
    x = ctypes.CDLL('libX11.so.6')
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    display = x.XOpenDisplay(None)
    event = ClientMessage(type=33, window=window, message_type=x.XInternAtom(display, b'WM_PROTOCOLS', 0), format=32)
    event.l[0] = x.XInternAtom(display, b'WM_DELETE_WINDOW', 0)
    x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    x.XCloseDisplay(display)  # flushes


if sys.argv[1] == 'watcher':
    watcher()
else:
    close(int(sys.argv[2]))
