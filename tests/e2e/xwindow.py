#!/usr/bin/python3
"""A window of another program, made by the tests: magenta, at the asked place and size.
Usage: xwindow.py NAME X Y WIDTH HEIGHT [dock]. Prints its id, then runs until killed (which
destroys it). With "dock" it is a panel of the kind desktops keep at a screen edge: a dock-type
window that reserves a strut."""
import sys

from Xlib import X, Xutil, display

name = sys.argv[1]
x, y, w, h = (int(a) for a in sys.argv[2:6])
dock = sys.argv[6:] == ["dock"]
d = display.Display()
screen = d.screen()
colour = screen.default_colormap.alloc_color(0xFFFF, 0, 0xFFFF).pixel
win = screen.root.create_window(x, y, w, h, 0, screen.root_depth, X.InputOutput,
                                X.CopyFromParent, background_pixel=colour,
                                event_mask=X.ExposureMask)
win.set_wm_name(name)
# Where the program asked, not where the window manager would place a new window.
win.set_wm_normal_hints(flags=Xutil.USPosition | Xutil.USSize, x=x, y=y, width=w, height=h)
if dock:
    atom = d.intern_atom
    win.change_property(atom("_NET_WM_WINDOW_TYPE"), atom("ATOM"), 32,
                        [atom("_NET_WM_WINDOW_TYPE_DOCK")])
    # left, right, top, bottom, then the start and end of each: the top edge, over its width.
    win.change_property(atom("_NET_WM_STRUT_PARTIAL"), atom("CARDINAL"), 32,
                        [0, 0, y + h, 0, 0, 0, 0, 0, x, x + w - 1, 0, 0])
    win.change_property(atom("_NET_WM_STATE"), atom("ATOM"), 32, [atom("_NET_WM_STATE_ABOVE")])
win.map()
d.flush()
print(win.id, flush=True)
while True:
    d.next_event()
