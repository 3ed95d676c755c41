"""Reads quillon's windows over the accessibility bus (AT-SPI), as a screen reader does,
while driving the real program: page 1 with one file, the grabber over a virtual disc
with both tracks selected and taken, the finish page, the grab window while the run reads
the tracks, and the status window when the run has ended. Each row of VALUES names
a window and a pattern one accessible name in it must match; a value field named only
by its caption fails its row. Exit status 0 when every row was read."""
import re
import sys
import time

import pyatspi

WIZARD = "Quillon 2.51 - Input"
FINISH = "Quillon 2.51 - Finish"
GRABBER = "Quillon - CD-Audio Grabber Options..."

# (window, step after which it is read, pattern of one accessible name in it)
VALUES = [
    (WIZARD, "page 1", r"Selected files: 1"),
    (WIZARD, "page 1", r"Default output dir: /.+"),
    (FINISH, "finish page", r"Output directory: /.+"),
    (FINISH, "finish page", r"Encoding options: Layer [1-3], Bitrate [0-9]+.*"),
    (GRABBER, "all tracks", r"Total Tracks: 2 Track\(s\)"),
    (GRABBER, "all tracks", r"Total Time: 00:00:0[4-6]"),
    (GRABBER, "all tracks", r"Total Size: [0-9]+\.[0-9] MB"),
    (GRABBER, "all tracks", r"Total Disc Size: [0-9]+ MBytes"),
    (GRABBER, "all tracks", r"Look-up: Could not reach MusicBrainz: .+"),
    (GRABBER, "all tracks", r"Lookup"),
    ("status", "run ended", r"Elapsed Time: 00:00:0[0-9]"),
    ("status", "run ended", r"Sizes: [0-9.]+MB Compressed to [0-9.]+MB"),
    (WIZARD, "tracks taken", r"Selected files: 3"),
    ("grab", "grabbing", r"File: .*Track0[12].*"),
    ("grab", "grabbing", r"Grabbed: [0-9]+ MBytes, [1-9][0-9]* Sectors\."),
    ("grab", "grabbing", r"Speed: [0-9]+\.[0-9]+ X"),
    ("status", "run ended", r"File: 3"),
    ("status", "run ended", r"File count: 3"),
    ("status", "run ended", r"Frame total: [1-9][0-9]*"),
    ("status", "run ended", r"Input File: .+"),
    ("status", "run ended", r"Output File: .*Track02\.mp3"),
]


def plain(text):
    return re.sub(r"\s+", " ", (text or "").replace("&", "")).strip()


def nodes(node, depth=0):
    if node is None or depth > 40:
        return
    yield node
    try:
        count = node.childCount
    except Exception:
        return
    for i in range(count):
        try:
            yield from nodes(node.getChildAtIndex(i), depth + 1)
        except Exception:
            continue


def names(window):
    out = []
    for n in nodes(window):
        try:
            out.append(plain(n.name))
        except Exception:
            pass
    return out


def until(what, probe, timeout=30, app=None):
    end = time.time() + timeout
    while time.time() < end:
        found = probe()
        if found:
            return found
        time.sleep(0.25)
    sys.exit(f"values_over_atspi: {what} did not come within {timeout} s")


def program():
    desk = pyatspi.Registry.getDesktop(0)

    def probe():
        for i in range(desk.childCount):
            a = desk.getChildAtIndex(i)
            if a is not None and plain(a.name).lower() == "quillon":
                return a
        return None

    return until("quillon on the accessibility bus", probe)


def window(app, title=None, holding=None, timeout=30):
    def probe():
        for i in range(app.childCount):
            w = app.getChildAtIndex(i)
            if w is None:
                continue
            if title is not None and plain(w.name).startswith(title):
                return w
            if holding is not None and any(holding in n for n in names(w)):
                return w
        return None

    found = until(f"the window {title or holding!r}", probe, timeout) if timeout else probe()
    return found


def press(root, label):
    def probe():
        for n in nodes(root):
            try:
                if n.getRoleName() == "push button" and plain(n.name) == label:
                    return n
            except Exception:
                continue
        return None

    button = until(f"the button {label!r}", probe)
    button.queryAction().doAction(0)


def check(step, windows_by_name, patience=0.0):
    """Reads the rows of one step; a value still on its way is waited for up to patience s."""
    failed = 0
    for title, when, pattern in VALUES:
        if when != step:
            continue
        end = time.time() + patience
        while True:
            heard = names(windows_by_name[title])
            matched = any(re.fullmatch(pattern, n) for n in heard)
            if matched or time.time() >= end:
                break
            time.sleep(0.2)
        if not matched:
            shown = [n for n in heard if n]
            print(f"FAIL {title} after {step}: no name matches {pattern!r}; names: {shown}")
            failed += 1
        else:
            print(f"ok   {title} after {step}: {pattern}")
    return failed


def main():
    app = program()
    failed = 0
    wizard = window(app, WIZARD)
    # The file comes into the list once the page has opened: wait for its row.
    until("the file in the list", lambda: any(n.endswith("one.wav") for n in names(wizard)), 20)
    failed += check("page 1", {WIZARD: wizard})

    press(wizard, "Select audio tracks")
    grabber = window(app, GRABBER)
    press(grabber, "Select All Tracks")
    until("the selection", lambda: "Deselect All Tracks" in names(grabber), 10)
    failed += check("all tracks", {GRABBER: grabber})
    press(grabber, "OK")

    wizard = window(app, WIZARD)
    failed += check("tracks taken", {WIZARD: wizard}, 10)
    press(wizard, "Next")
    finish = window(app, FINISH)
    failed += check("finish page", {FINISH: finish})
    press(finish, "Finish")
    status = window(app, holding="Elapsed Time")
    # The tracks are read from the slow virtual drive before they are encoded.
    failed += check("grabbing", {"grab": window(app, holding="Grabbed:", timeout=60)}, 20)
    finished = window(app, holding="Processing Finished.", timeout=90)
    failed += check("run ended", {"status": status})
    press(finished, "OK")
    sys.exit(1 if failed else 0)


main()
