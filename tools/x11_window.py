#!/usr/bin/env python3
"""Looks at and closes the Velunda main window on an X display, with nothing
but libX11 (no window manager needed), for the demo in run.sh.

Usage: x11_window.py COMMAND [ARGS]
  title                     print the main window's title
  wait-title PREFIX SECONDS wait until the title starts with PREFIX; exit 1
                            when it does not within SECONDS
  screenshot FILE.png       save the main window as it shows on the screen
  close                     ask the window to close, as its close box does
                            (the WM_DELETE_WINDOW message)
  close-titled TITLE SECONDS  wait for any Velunda window titled TITLE (a
                            message box, say) and close it; exit 1 when none
                            comes within SECONDS

The main window is the viewable top-level window of class "velunda" that
takes part in WM_DELETE_WINDOW (the largest one, if there are several); under
a window manager it is looked for inside the manager's frames as well.
The display is taken from $DISPLAY.
"""
import ctypes
import ctypes.util
import struct
import sys
import time
import zlib

Window = ctypes.c_ulong
Atom = ctypes.c_ulong


class XWindowAttributes(ctypes.Structure):
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
                ("height", ctypes.c_int), ("border_width", ctypes.c_int),
                ("depth", ctypes.c_int), ("visual", ctypes.c_void_p), ("root", Window),
                ("c_class", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong),
                ("map_installed", ctypes.c_int), ("map_state", ctypes.c_int),
                ("all_event_masks", ctypes.c_long), ("your_event_mask", ctypes.c_long),
                ("do_not_propagate_mask", ctypes.c_long), ("override_redirect", ctypes.c_int),
                ("screen", ctypes.c_void_p)]


class XClassHint(ctypes.Structure):
    _fields_ = [("res_name", ctypes.c_char_p), ("res_class", ctypes.c_char_p)]


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", Window), ("message_type", Atom), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int), ("red_mask", ctypes.c_ulong),
                ("green_mask", ctypes.c_ulong), ("blue_mask", ctypes.c_ulong)]


ClientMessage = 33
IsViewable = 2
ZPixmap = 2
AllPlanes = ctypes.c_ulong(-1 & 0xFFFFFFFFFFFFFFFF)


def load_xlib():
    xlib = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultRootWindow.restype = Window
    xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    xlib.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window),
                                ctypes.POINTER(Window), ctypes.POINTER(ctypes.POINTER(Window)),
                                ctypes.POINTER(ctypes.c_uint)]
    xlib.XGetWindowAttributes.argtypes = [ctypes.c_void_p, Window,
                                          ctypes.POINTER(XWindowAttributes)]
    xlib.XGetClassHint.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(XClassHint)]
    xlib.XInternAtom.restype = Atom
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XGetWMProtocols.argtypes = [ctypes.c_void_p, Window,
                                     ctypes.POINTER(ctypes.POINTER(Atom)),
                                     ctypes.POINTER(ctypes.c_int)]
    xlib.XFetchName.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(ctypes.c_char_p)]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(XEvent)]
    xlib.XTranslateCoordinates.argtypes = [ctypes.c_void_p, Window, Window, ctypes.c_int,
                                           ctypes.c_int, ctypes.POINTER(ctypes.c_int),
                                           ctypes.POINTER(ctypes.c_int), ctypes.POINTER(Window)]
    xlib.XGetImage.restype = ctypes.POINTER(XImage)
    xlib.XGetImage.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int,
                               ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
    xlib.XFree.argtypes = [ctypes.c_void_p]
    xlib.XFlush.argtypes = [ctypes.c_void_p]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    # Errors about windows that went away meanwhile are not fatal here.
    handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
    load_xlib.handler = handler_type(lambda display, event: 0)
    xlib.XSetErrorHandler.argtypes = [handler_type]
    xlib.XSetErrorHandler(load_xlib.handler)
    return xlib


class Display:
    def __init__(self):
        self.x = load_xlib()
        self.d = self.x.XOpenDisplay(None)
        if not self.d:
            sys.exit("x11_window: cannot open the display")
        self.root = self.x.XDefaultRootWindow(self.d)
        self.delete_atom = self.x.XInternAtom(self.d, b"WM_DELETE_WINDOW", 0)
        self.protocols_atom = self.x.XInternAtom(self.d, b"WM_PROTOCOLS", 0)

    def children(self, window):
        root, parent = Window(), Window()
        kids = ctypes.POINTER(Window)()
        count = ctypes.c_uint()
        if not self.x.XQueryTree(self.d, window, ctypes.byref(root), ctypes.byref(parent),
                                 ctypes.byref(kids), ctypes.byref(count)):
            return []
        found = [kids[i] for i in range(count.value)]
        if kids:
            self.x.XFree(kids)
        return found

    def attributes(self, window):
        attrs = XWindowAttributes()
        if not self.x.XGetWindowAttributes(self.d, window, ctypes.byref(attrs)):
            return None
        return attrs

    def class_name(self, window):
        hint = XClassHint()
        if not self.x.XGetClassHint(self.d, window, ctypes.byref(hint)):
            return ""
        name = (hint.res_name or b"").decode("latin-1")
        return name

    def takes_delete(self, window):
        atoms = ctypes.POINTER(Atom)()
        count = ctypes.c_int()
        if not self.x.XGetWMProtocols(self.d, window, ctypes.byref(atoms), ctypes.byref(count)):
            return False
        found = any(atoms[i] == self.delete_atom for i in range(count.value))
        self.x.XFree(atoms)
        return found

    def velunda_windows(self):
        """The viewable Velunda windows that take WM_DELETE_WINDOW, with their areas."""
        found = []
        tops = self.children(self.root)
        # A window manager puts each top-level window into a frame of its own.
        candidates = tops + [kid for top in tops for kid in self.children(top)]
        for window in candidates:
            attrs = self.attributes(window)
            if not attrs or attrs.map_state != IsViewable:
                continue
            if self.class_name(window).lower() != "velunda" or not self.takes_delete(window):
                continue
            found.append((window, attrs.width * attrs.height))
        return found

    def main_window(self):
        windows = self.velunda_windows()
        return max(windows, key=lambda pair: pair[1])[0] if windows else None

    def title(self, window):
        name = ctypes.c_char_p()
        if not self.x.XFetchName(self.d, window, ctypes.byref(name)) or not name.value:
            return ""
        return name.value.decode("latin-1")

    def close(self, window):
        event = XEvent()
        event.xclient.type = ClientMessage
        event.xclient.window = window
        event.xclient.message_type = self.protocols_atom
        event.xclient.format = 32
        event.xclient.data[0] = self.delete_atom
        event.xclient.data[1] = 0  # CurrentTime
        self.x.XSendEvent(self.d, window, 0, 0, ctypes.byref(event))
        self.x.XSync(self.d, 0)

    def screenshot(self, window, path):
        attrs = self.attributes(window)
        x, y, child = ctypes.c_int(), ctypes.c_int(), Window()
        self.x.XTranslateCoordinates(self.d, window, self.root, 0, 0, ctypes.byref(x),
                                     ctypes.byref(y), ctypes.byref(child))
        image = self.x.XGetImage(self.d, self.root, x.value, y.value, attrs.width,
                                 attrs.height, AllPlanes, ZPixmap)
        if not image:
            sys.exit("x11_window: cannot read the screen")
        img = image.contents
        if img.bits_per_pixel != 32:
            sys.exit("x11_window: only 32-bit screens are supported (Xvfb -screen 0 WxHx24)")
        raw = ctypes.string_at(img.data, img.bytes_per_line * img.height)
        shifts = [(mask & -mask).bit_length() - 1 for mask in (img.red_mask, img.green_mask,
                                                                img.blue_mask)]
        # Byte offset of each colour in a little-endian 32-bit pixel.
        offsets = [shift // 8 for shift in shifts]
        rows = bytearray()
        for row in range(img.height):
            line = raw[row * img.bytes_per_line:row * img.bytes_per_line + img.width * 4]
            rgb = bytearray(img.width * 3)
            for channel, offset in enumerate(offsets):
                rgb[channel::3] = line[offset::4]
            rows += b"\x00" + rgb
        write_png(path, img.width, img.height, bytes(rows))


def write_png(path, width, height, filtered_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(filtered_rows, 9)) + chunk(b"IEND", b""))


def main(argv):
    if len(argv) < 2 or argv[1] in ("-h", "--help"):
        print(__doc__)
        return 0 if len(argv) >= 2 else 2
    display = Display()
    command = argv[1]
    if command == "wait-title":
        prefix, seconds = argv[2], float(argv[3])
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            window = display.main_window()
            if window and display.title(window).startswith(prefix):
                print(display.title(window))
                return 0
            time.sleep(0.2)
        return 1
    if command == "close-titled":
        title, seconds = argv[2], float(argv[3])
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            for window, _ in display.velunda_windows():
                if display.title(window) == title:
                    display.close(window)
                    return 0
            time.sleep(0.1)
        return 1
    window = display.main_window()
    if not window:
        print("x11_window: no Velunda window on the display", file=sys.stderr)
        return 1
    if command == "title":
        print(display.title(window))
    elif command == "screenshot":
        display.screenshot(window, argv[2])
    elif command == "close":
        display.close(window)
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
