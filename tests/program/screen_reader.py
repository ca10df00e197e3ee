"""What a screen reader finds of the running tuner over AT-SPI.

Usage: screen_reader.py CLIENT_X CLIENT_Y
Prints one line per check ("ok NAME" or "FAIL NAME: detail"), then, on the
last line, the screen point in the middle of the 4th string's extents.
"""
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

client_x, client_y = int(sys.argv[1]), int(sys.argv[2])
failures = 0


def check(name, good, detail=""):
    global failures
    print(("ok   " if good else "FAIL ") + name + ("" if good else ": " + str(detail)), flush=True)
    failures += 0 if good else 1


def find_app():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "tarvisk" and app.childCount > 0:
            return app
    return None


def wait_for(what, found, bound=60.0):
    """Waits for what `found` returns, polling; None after `bound` seconds."""
    deadline = time.monotonic() + bound
    while (value := found()) is None and time.monotonic() < deadline:
        time.sleep(0.05)
    if value is None:
        print(f"gave up after {bound:.0f} s waiting for {what}", file=sys.stderr)
    return value


def extents(obj):
    e = obj.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (e.x, e.y, e.width, e.height)


def by_name(root):
    found = {}
    def walk(o):
        found.setdefault(o.name, o)
        for child in o:
            if child is not None:
                walk(child)
    walk(root)
    return found


app = wait_for("the program on the accessibility bus", find_app)
check("the program is on the accessibility bus", app is not None)
if app is None:
    sys.exit(1)
window = app[0]
check("the window is reported at its client area", extents(window)[:2] == (client_x, client_y),
      (extents(window), client_x, client_y))
objects = by_name(window)

# Name, role and the control's client rectangle.
expected = {
    "1st string (highest)": ("image", 270, 240, 110, 87),
    "2nd string": ("image", 275, 149, 105, 89),
    "3rd string": ("image", 277, 61, 104, 86),
    "4th string": ("image", 4, 64, 90, 85),
    "5th string": ("image", 4, 151, 93, 84),
    "6th string (lowest)": ("image", 5, 236, 94, 89),
    "Loop": ("check box", 268, 397, 103, 54),
    "Sound": ("combo box", 21, 419, 82, 21),
}
for name, (role, left, top, width, height) in expected.items():
    obj = objects.get(name)
    check(name + " is named", obj is not None)
    if obj is None:
        continue
    check(name + " is a " + role, obj.getRoleName() == role, obj.getRoleName())
    check(name + " lies at its true place", extents(obj) == (client_x + left, client_y + top, width, height),
          extents(obj))

loop = objects.get("Loop")
check("the toggle reads checked at start", loop is not None and loop.getState().contains(pyatspi.STATE_CHECKED))
check("the toggle reads checkable, as a check box does",
      loop is not None and loop.getState().contains(pyatspi.STATE_CHECKABLE))
check("no peg reads checkable", not any(objects[n].getState().contains(pyatspi.STATE_CHECKABLE)
                                         for n in expected if n in objects and n not in ("Loop", "Sound")))
sound = objects.get("Sound")
labels = [r for r in sound.getRelationSet() if r.getRelationType() == pyatspi.RELATION_LABELLED_BY] if sound else []
check("the sound list is labelled by \"Sound:\"",
      len(labels) == 1 and labels[0].getTarget(0).name == "Sound:", labels)

# A press on the toggle, as the reader's mouse emulation makes it, is
# announced as a change of its checked state.
changes = []
def on_change(event):
    if event.source is not None and event.source.name == "Loop":
        changes.append(event.detail1)
        pyatspi.Registry.stop()
pyatspi.Registry.registerEventListener(on_change, "object:state-changed:checked")
# The registry tells the program of the listener before it answers, and the
# bus keeps that order: once the program has answered a question after it,
# it knows to announce.
x, y, w, h = extents(loop)
def click():
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"], check=False)
    return False
def give_up():
    print("gave up after 60 s waiting for the toggle's announcement", file=sys.stderr)
    pyatspi.Registry.stop()
    return False
GLib.idle_add(click)
GLib.timeout_add_seconds(60, give_up)
pyatspi.Registry.start()
check("switching the loop off is announced", changes[:1] == [0], changes)
check("the toggle then reads unchecked and still checkable",
      not loop.getState().contains(pyatspi.STATE_CHECKED) and loop.getState().contains(pyatspi.STATE_CHECKABLE))

x, y, w, h = extents(objects["4th string"])
print(x + w // 2, y + h // 2)
sys.exit(1 if failures else 0)
