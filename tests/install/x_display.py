"""A private X server (Xvfb) and the few Xlib calls needed to find a program's
top-level window by its title and to ask it to close, as a window manager's
close box does (WM_DELETE_WINDOW)."""

import ctypes
import os
import subprocess

_CLIENT_MESSAGE = 33
_IS_VIEWABLE = 2


class _WindowAttributes(ctypes.Structure):
    _fields_ = [
        ("x", ctypes.c_int), ("y", ctypes.c_int),
        ("width", ctypes.c_int), ("height", ctypes.c_int),
        ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
        ("visual", ctypes.c_void_p), ("root", ctypes.c_ulong),
        ("class_", ctypes.c_int), ("bit_gravity", ctypes.c_int),
        ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
        ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
        ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
        ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int),
        ("all_event_masks", ctypes.c_long), ("your_event_mask", ctypes.c_long),
        ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
        ("screen", ctypes.c_void_p),
    ]


class _ClientMessage(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int), ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int), ("data", ctypes.c_long * 5),
        ("pad", ctypes.c_long * 12),  # an XEvent is 24 longs
    ]


def _xlib():
    lib = ctypes.CDLL("libX11.so.6")
    lib.XOpenDisplay.restype = ctypes.c_void_p
    lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    lib.XDefaultRootWindow.restype = ctypes.c_ulong
    lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    lib.XQueryTree.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_ulong),
        ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.POINTER(ctypes.c_ulong)),
        ctypes.POINTER(ctypes.c_uint)]
    lib.XFetchName.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(ctypes.c_char_p)]
    lib.XGetWindowAttributes.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.POINTER(_WindowAttributes)]
    lib.XInternAtom.restype = ctypes.c_ulong
    lib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    lib.XSendEvent.argtypes = [
        ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    lib.XFree.argtypes = [ctypes.c_void_p]
    lib.XFlush.argtypes = [ctypes.c_void_p]
    lib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    return lib


class XDisplay:
    """Starts Xvfb on a free display number; use in a with statement."""

    def __init__(self):
        self.name = None
        self._server = None
        self._lib = None
        self._display = None

    def __enter__(self):
        read_end, write_end = os.pipe()
        self._server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp",
             "-screen", "0", "1280x1024x24"],
            pass_fds=[write_end], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.name = ":" + number
        self._lib = _xlib()
        self._display = self._lib.XOpenDisplay(self.name.encode())
        if not self._display:
            raise RuntimeError("cannot open display " + self.name)
        return self

    def __exit__(self, *exc):
        if self._display:
            self._lib.XCloseDisplay(self._display)
        self._server.terminate()
        self._server.wait()

    def shown_window(self, title):
        """The viewable top-level window with this title, as (id, width,
        height), or None."""
        lib, display = self._lib, self._display
        lib.XSync(display, 0)
        root, parent = ctypes.c_ulong(), ctypes.c_ulong()
        children = ctypes.POINTER(ctypes.c_ulong)()
        count = ctypes.c_uint()
        if not lib.XQueryTree(display, lib.XDefaultRootWindow(display), ctypes.byref(root),
                              ctypes.byref(parent), ctypes.byref(children),
                              ctypes.byref(count)):
            return None
        found = None
        for i in range(count.value):
            window = children[i]
            name = ctypes.c_char_p()
            if not lib.XFetchName(display, window, ctypes.byref(name)):
                continue
            matches = name.value == title.encode()
            lib.XFree(name)
            attributes = _WindowAttributes()
            if matches and lib.XGetWindowAttributes(display, window, ctypes.byref(attributes)) \
                    and attributes.map_state == _IS_VIEWABLE:
                found = (window, attributes.width, attributes.height)
        if children:
            lib.XFree(children)
        return found

    def close_window(self, window):
        """Sends WM_DELETE_WINDOW, the request a close box makes."""
        lib, display = self._lib, self._display
        event = _ClientMessage()
        event.type = _CLIENT_MESSAGE
        event.window = window
        event.message_type = lib.XInternAtom(display, b"WM_PROTOCOLS", 0)
        event.format = 32
        event.data[0] = lib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
        lib.XSendEvent(display, window, 0, 0, ctypes.byref(event))
        lib.XFlush(display)
