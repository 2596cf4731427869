#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# The window's waits during a cut across media, driven through AT-SPI as responsive.py drives it
# (and with its probe): a file on a nearly full medium is cut with Découper; the window offers to
# go over several media, says that its own folder takes no piece, and asks for each stick in its
# media dialog, where the stick is chosen with a double click in the list. Run by
# bench/media.sh, inside Xvfb and a D-Bus session that has the accessibility bus:
#   media_window.py BINARY SOURCE SIZE_KB LOG STICK...
import os
import subprocess
import sys
import time

import pyatspi

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import responsive  # noqa: E402
from responsive import Session, answer_box, find, press, progress, report  # noqa: E402


def dialog(app, title, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            for window in list(app)[1:]:
                if window is not None and window.name == title:
                    return window
        except Exception:
            pass
        time.sleep(0.05)
    raise SystemExit(f'no dialog "{title}" within {timeout} s')


def choose(window, folder):
    """Chooses the medium mounted at folder in the dialog's list, with a double click."""
    media = find(window, 'list', 'Supports présents')
    # Typed into the list, which goes to the medium whose name starts so and shows it.
    media.queryComponent().grabFocus()
    subprocess.run(['xdotool', 'type', '--delay', '20', folder], check=True)
    time.sleep(0.5)
    for _ in range(50):
        for i, item in enumerate(media):
            if item is not None and f'{folder} (' in item.name:
                # Double-clicked where it shows, as the user chooses it.
                box = item.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                subprocess.run(['xdotool', 'mousemove', str(box.x + box.width // 2),
                                str(box.y + box.height // 2), 'click', '--repeat', '2',
                                '--delay', '80', '1'], check=True)
                return
        time.sleep(0.2)
    raise SystemExit(f'{folder} is not in the list')


def main(binary, source, size_kb, log, *sticks):
    s = Session(binary, source, log)
    # The piece size typed in the size box, as the user types it.
    find(s.app, 'text', 'Taille des partitions en Ko').queryComponent().grabFocus()
    subprocess.run(['xdotool', 'key', 'ctrl+a', 'BackSpace'], check=True)
    subprocess.run(['xdotool', 'type', size_kb], check=True)
    time.sleep(0.5)
    start = time.monotonic()
    press(s.app, 'Découper')
    answer_box(s.app, 'Plusieurs supports', 'OK', 30)
    answer_box(s.app, 'Erreur', 'OK', 30)  # the file's own folder takes no piece
    for stick in sticks:
        choose(dialog(s.app, 'Support suivant', 600), stick)
    text = answer_box(s.app, 'Information', 'OK', 600)
    end = time.monotonic()
    s.end()
    rows = s.waits(start, end)
    size = os.path.getsize(source) / (1 << 20)
    report(f'the window, cut of {size:.0f} MiB over {len(sticks)} sticks', rows, end - start)
    print(f'  {progress(rows)}; said: {text}')


if __name__ == '__main__':
    try:
        main(*sys.argv[1:])
    finally:
        for process in Session.started:
            if process.poll() is None:
                process.kill()
