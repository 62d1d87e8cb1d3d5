#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A pupil who cannot see the screen plays a round from the keyboard while a
# screen reader listens on the accessibility bus (AT-SPI): this program is
# both. It types with xdotool into the window WINDOW_ID, hears what the game
# tells through the bus, and finds each note by trying the letters one after
# the other, as such a pupil would. Writes one line per event heard to
# standard output and ends with the number of notes answered right; exit
# status 1 with a line "FAIL: ..." when the game told something wrong.
#
#   a11ypupil.py WINDOW_ID NOTES
import re
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

window, wanted = sys.argv[1], int(sys.argv[2])
heard = []  # (seconds, kind, what was told or the focused object's name)
verdict = re.compile(r"^(Richtig|Falsch), (\d+) Punkte?$")
names = {"C", "D", "E", "F", "G", "A", "H", "Cis", "Dis", "Fis", "Gis", "B"}


def note(kind, event):
    try:
        name = event.source.name
        role = event.source.getRoleName()
    except Exception:  # the object may be gone already
        name, role = "?", "?"
    if kind == "told" and (role != "notification" or not event.detail1):
        return
    heard.append((time.monotonic(), kind, name))
    print(f"{time.monotonic():.3f} {kind} {role} [{name}]", flush=True)


# What Orca speaks: a notification that shows itself, and the object that
# takes the focus.
pyatspi.Registry.registerEventListener(lambda e: note("told", e), "object:state-changed:showing")
pyatspi.Registry.registerEventListener(
    lambda e: e.detail1 and note("focus", e), "object:state-changed:focused")
# As Orca does: a name changed is learnt (the bus keeps the names it has read).
pyatspi.Registry.registerEventListener(lambda e: None, "object:property-change:accessible-name")

failure = None
result = 0


def key(*keys):
    subprocess.run(["xdotool", "key", "--clearmodifiers", *keys], check=False)


def fail(message):
    global failure
    failure = message
    pyatspi.Registry.stop()


def since(t, kind):
    return [h for h in heard if h[0] >= t and h[1] == kind]


def play():
    """The pupil's steps; each yield waits that many seconds."""
    global result
    subprocess.run(["xdotool", "windowactivate", "--sync", window], check=False)
    subprocess.run(["xdotool", "windowfocus", "--sync", window], check=False)
    yield 1.0
    # Tab to "NEUES TRAINING": it has the focus when the window opens, and
    # Tab goes round all the controls and back to it.
    t = time.monotonic()
    for _ in range(40):
        key("Tab")
        yield 0.05
        focused = since(t, "focus")
        if focused and focused[-1][2].replace("\n", " ") == "NEUES TRAINING":
            break
    else:
        return fail("Tab never reached NEUES TRAINING")
    t = time.monotonic()
    key("space")
    yield 0.5
    focused = since(t, "focus")
    if not focused or focused[-1][2] != "Notenbild":
        return fail("the round started from the keyboard did not bring the focus to Notenbild")
    right = 0
    for _ in range(wanted):
        yield 0.3
        found = False
        for letters in [["1", "c"], ["d"], ["e"], ["f"], ["g"], ["a"], ["h"], ["2", "c"]]:
            t = time.monotonic()
            key(*letters)
            yield 0.4
            said = [h for h in since(t, "told") if verdict.match(h[2])]
            if len(said) != 1:
                return fail(f"{len(said)} verdicts after {' '.join(letters)}: {said}")
            text = said[0][2]
            # A figure, not a criterion: the key's way through xdotool and X
            # is in it too.
            print(f"told {(said[0][0] - t) * 1000:.0f} ms after the key was sent", flush=True)
            if any(w.strip(".,'") in names for w in text.split()):
                return fail(f"a note's name was told: {text}")
            if text.startswith("Richtig"):
                right += 1
                found = True
                yield 0.6  # the next note comes after the pause
                break
        if not found:
            return fail("no letter was right")
    result = right
    # Then the pupil waits; the round ends by itself.
    t = time.monotonic()
    for _ in range(300):
        yield 0.1
        if any(h[2] == "Runde zu Ende" for h in since(t, "told")):
            break
    else:
        return fail("the end of the round was not told")
    pyatspi.Registry.stop()


steps = play()


def advance():
    try:
        delay = next(steps)
    except StopIteration:
        return False
    if failure:
        return False
    GLib.timeout_add(int(delay * 1000), advance)
    return False


GLib.timeout_add(200, advance)
GLib.timeout_add(120000, lambda: fail("the round took longer than two minutes"))
pyatspi.Registry.start()
if failure:
    print("FAIL: " + failure, flush=True)
    sys.exit(1)
print(f"right {result}", flush=True)
