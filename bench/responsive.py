#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# Drives the real window through AT-SPI, as a screen reader and its user do, and measures how long
# the window makes a screen reader wait while it works. Run by bench/responsive.sh, inside Xvfb and
# a D-Bus session that has the accessibility bus:
#   responsive.py BINARY STICK CROWDED
# STICK is a folder on the slow medium holding sauvegarde.tar and an older set of it; CROWDED a
# folder of many files named IMG_000000.JPG, IMG_000001.JPG, ...
# A second process of this script (responsive.py probe PID FILE) asks the window for its position
# about 20 times a second, the way Orca does, and notes each wait; AT-SPI gives up after 0.8 s.
import fnmatch
import os
import re
import signal
import statistics
import subprocess
import sys
import time

import pyatspi

GIVE_UP_MS = 800
pyatspi.setTimeout(GIVE_UP_MS, GIVE_UP_MS)


def application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid and app.childCount > 0:
            return app
    return None


def bar_value(frame, bar):
    """The progress bar's value while the window shows it, as a screen reader reads it; -1 when it
    is hidden or does not answer. The bar, found once."""
    try:
        bar = bar or find(frame, 'progress bar', 'Progression')
        if bar and bar.getState().contains(pyatspi.STATE_SHOWING):
            return bar, int(bar.queryValue().currentValue)
    except Exception:
        pass
    return bar, -1


def probe(pid, out):
    """Asks the window where it is every 50 ms; writes: start time, wait in ms, answered, title,
    and the progress bar's value (-1: not shown)."""
    app = None
    while app is None:
        app = application(pid)
        time.sleep(0.1)
    frame = app[0]
    bar = None
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(1))
    with open(out, 'w') as f:
        while not stop:
            start = time.monotonic()
            try:
                frame.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                answered = 1
            except Exception:
                answered = 0
            wait = (time.monotonic() - start) * 1000
            try:
                title = frame.name if answered else ''
            except Exception:
                title = ''
            bar, value = bar_value(frame, bar) if answered else (bar, -1)
            f.write(f'{start:.6f}\t{wait:.3f}\t{answered}\t{title}\t{value}\n')
            f.flush()
            time.sleep(max(0.0, 0.05 - (time.monotonic() - start)))


def find(node, role, name, depth=0):
    """The first node of that role and name, searched outside the lists and the tree, whose
    entries come and go as the program lists its folders."""
    try:
        if node.getRoleName() == role and node.name == name:
            return node
        if node.getRoleName() in ('list', 'tree') or depth > 6:
            return None
        children = list(node)
    except Exception:  # gone meanwhile
        return None
    for child in children:
        found = child is not None and find(child, role, name, depth + 1)
        if found:
            return found
    return None


def press(node, name):
    button = None
    for _ in range(50):  # a window that does not answer has no buttons to find
        button = find(node, 'push button', name)
        if button:
            break
        time.sleep(0.2)
    if button is None:
        raise SystemExit(f'no button {name}')
    try:
        button.queryAction().doAction(0)
    except Exception:  # pressed, but a window that works on its own thread answers late
        pass


def answer_box(app, title, button, timeout):
    """Waits for the message box of that title and presses one of its buttons; its text."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            for window in list(app)[1:]:
                if window is not None and window.name == title:
                    text = ' '.join(c.name.replace('\n', ' ') for c in window
                                    if c is not None and c.getRoleName() == 'label')
                    press(window, button)
                    return text
        except Exception:  # a window that does not answer
            pass
        time.sleep(0.05)
    raise SystemExit(f'no box "{title}" within {timeout} s')


class Session:
    """One run of the program, with a probe on its window."""
    started = []  # every process, ended when the benchmark ends, also when it fails

    def __init__(self, binary, path, log):
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1')
        self.process = subprocess.Popen([binary, path], env=env, stderr=subprocess.DEVNULL)
        Session.started.append(self.process)
        self.app = None
        for _ in range(100):
            self.app = application(self.process.pid)
            if self.app:
                break
            time.sleep(0.2)
        if not self.app:
            apps = [(a.name, a.get_process_id()) for a in pyatspi.Registry.getDesktop(0) if a]
            raise SystemExit(f'the window of {self.process.pid} did not appear; there are {apps}')
        time.sleep(1)  # the tree lists its folders in the background
        self.log = log
        self.probe = subprocess.Popen([sys.executable, __file__, 'probe', str(self.process.pid), log])
        Session.started.append(self.probe)
        time.sleep(0.5)

    def end(self):
        self.probe.terminate()
        self.probe.wait()
        if self.process.poll() is None:
            press(self.app, 'Quitter')
            self.process.wait(timeout=30)

    def waits(self, start, end):
        rows = []
        with open(self.log) as f:
            for line in f:
                t, wait, answered, title, value = line.rstrip('\n').split('\t')
                if start <= float(t) <= end:
                    rows.append((float(t), float(wait), answered == '1', title, int(value)))
        return rows


def report(label, rows, seconds):
    waits = sorted(r[1] for r in rows)
    unanswered = sum(1 for r in rows if not r[2])
    p99 = waits[min(len(waits) - 1, int(len(waits) * 0.99))]
    print(f'{label} ({seconds:.1f} s): longest wait {waits[-1]:.0f} ms, 99th percentile {p99:.0f} ms, '
          f'median {statistics.median(waits):.0f} ms; unanswered {unanswered} of {len(rows)}')


def progress(rows):
    """How often the title changed while the operation ran, and the longest time it stood still."""
    changes = [t for (t, _, ok, title, _), previous in zip(rows[1:], rows) if ok and title != previous[3]]
    gaps = [b - a for a, b in zip(changes, changes[1:])]
    slow = sum(1 for gap in gaps if gap > 0.5)
    shown = [r[4] for r in rows if r[4] >= 0]
    bar = (f'progress bar read {len(shown)} times, from {min(shown) / 10:.1f} % to {max(shown) / 10:.1f} %'
           if shown else 'progress bar never read')
    return (f'title changed {len(changes)} times, at most {max(gaps, default=0):.2f} s apart '
            f'({slow} times more than 0.5 s); {bar}')


def main(binary, stick, crowded, logs):
    source = os.path.join(stick, 'sauvegarde.tar')

    # The cut, from the click to the completion box: the question about the older set, every
    # block, the flushes and the final rename.
    s = Session(binary, source, os.path.join(logs, 'cut.log'))
    start = time.monotonic()
    press(s.app, 'Découper')
    answer_box(s.app, 'Fichier sauvegarde.0XX existant', 'OK', 30)
    text = answer_box(s.app, 'Information', 'OK', 300)
    end = time.monotonic()
    s.end()
    rows = s.waits(start, end)
    pieces = sum(1 for name in os.listdir(stick) if re.fullmatch(r'sauvegarde\.[0-9]{3}', name))
    report(f'cut, 200 MiB at 1400 K into {pieces} pieces', rows, end - start)
    print(f'  {progress(rows)}; said: {text}')

    def restore(label, log):
        s = Session(binary, os.path.join(stick, 'sauvegarde.001'), os.path.join(logs, log))
        start = time.monotonic()
        press(s.app, 'Restituer')
        text = answer_box(s.app, 'Information', 'OK', 300)
        end = time.monotonic()
        s.end()
        rows = s.waits(start, end)
        report(label, rows, end - start)
        same = subprocess.run(['cmp', '-s', source, source + '.orig']).returncode == 0
        print(f'  {progress(rows)}; said: {text}; restored bytes identical: {"yes" if same else "NO"}')

    os.rename(source, source + '.orig')
    restore(f'restore of {pieces} pieces', 'restore.log')
    # The same restore with piece 7 lost: rebuilt from the recovery files.
    os.remove(source)
    os.rename(os.path.join(stick, 'sauvegarde.007'), os.path.join(stick, '.sauvegarde.007.kept'))
    restore(f'restore of {pieces} pieces, piece 7 lost', 'repair.log')
    os.rename(os.path.join(stick, '.sauvegarde.007.kept'), os.path.join(stick, 'sauvegarde.007'))

    # Quitter while a cut moves its data: the window goes, the program ends, nothing is left.
    for piece in os.listdir(stick):
        if piece.startswith('sauvegarde.') and piece[-3:].isdigit():
            os.remove(os.path.join(stick, piece))
    subprocess.run(['sync'])
    before = sorted(os.listdir(stick))
    s = Session(binary, source, os.path.join(logs, 'quit.log'))
    press(s.app, 'Découper')
    time.sleep(3)
    start = time.monotonic()
    press(s.app, 'Quitter')
    while subprocess.run(['xdotool', 'search', '--onlyvisible', '--pid', str(s.process.pid)],
                         capture_output=True).stdout.strip():
        time.sleep(0.005)
    gone = time.monotonic()
    s.process.wait(timeout=60)
    ended = time.monotonic()
    s.end()
    left = sorted(set(os.listdir(stick)) - set(before))
    print(f'Quitter during the cut: window gone after {(gone - start) * 1000:.0f} ms, program ended '
          f'after {ended - start:.2f} s; left behind: {len(left)} files {" ".join(left[:3])}')

    # Typing a filter in a folder of many files, one key at a time as a user types.
    count = len(os.listdir(crowded))
    s = Session(binary, crowded, os.path.join(logs, 'filter.log'))
    find(s.app, 'text', 'Filtre de sélection des fichiers :').queryComponent().grabFocus()
    listing = find(s.app, 'list', 'Fichiers du dossier')
    keys = 'img_0*5*.jpg'
    expected = len(fnmatch.filter([name.lower() for name in os.listdir(crowded)], keys))
    start = time.monotonic()
    subprocess.run(['xdotool', 'key', 'ctrl+a', 'BackSpace'], check=True)
    for key in keys:
        time.sleep(0.15)
        last = time.monotonic()
        subprocess.run(['xdotool', 'type', key], check=True)
    while listing.childCount != expected and time.monotonic() < last + 30:
        time.sleep(0.01)
    shown = time.monotonic()
    time.sleep(0.3)
    rows = s.waits(start, shown)
    report(f'filter "{keys}" typed in a folder of {count} files', rows, shown - start)
    print(f'  the list showed its {expected} files {(shown - last) * 1000:.0f} ms after the last key')
    # Another program adds a file that the filter shows, then removes it: the list follows.
    follow(s, listing, os.path.join(crowded, 'IMG_050505b.JPG'), expected, 'filtered')
    s.end()
    # The same with every file shown: the longest list to fill again.
    s = Session(binary, crowded, os.path.join(logs, 'follow.log'))
    follow(s, find(s.app, 'list', 'Fichiers du dossier'), os.path.join(crowded, 'IMG_100000.JPG'),
           count, 'every file')
    s.end()


def follow(s, listing, path, count, shown):
    """A file added then removed by another program, until the list shows each change."""
    for change, expected in (('added', count + 1), ('removed', count)):
        start = time.monotonic()
        if change == 'added':
            open(path, 'w').close()
        else:
            os.remove(path)
        while listing.childCount != expected and time.monotonic() < start + 30:
            time.sleep(0.01)
        seen = time.monotonic()
        time.sleep(0.3)
        rows = s.waits(start, seen + 0.3)
        report(f'a file {change} in {count} files, {shown} shown', rows, seen - start)
        print(f'  the list showed it {(seen - start) * 1000:.0f} ms after the change')


if __name__ == '__main__':
    if sys.argv[1] == 'probe':
        probe(int(sys.argv[2]), sys.argv[3])
    else:
        try:
            main(*sys.argv[1:5])
        finally:
            for process in Session.started:
                if process.poll() is None:
                    process.kill()
