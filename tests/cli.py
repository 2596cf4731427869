#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# fendrax-cli as a user runs it, without a display: through pipes as a script does, and on a
# pseudo-terminal as a person does.
#   cli.py FENDRAX_CLI
import os, pty, signal, subprocess, sys, tempfile, time, unittest

CLI = os.path.abspath(sys.argv.pop(1))
ENV = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
SET = ["rapport.001", "rapport.002", "rapport.003", "rapport.par2", "rapport.sha256", "rapport.vol0+1.par2"]


class Cli(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.data = os.urandom(250 * 1024)
        self.write("rapport.doc", self.data)

    def tearDown(self):
        self.dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def run_cli(self, *args, stdin=subprocess.DEVNULL):
        done = subprocess.run([CLI, *args], cwd=self.dir.name, env=ENV, stdin=stdin, capture_output=True, text=True)
        return done.returncode, done.stdout + done.stderr

    def on_terminal(self, *args, answer=b""):
        """Its status and what the terminal showed; answer is typed when it asks."""
        pid, fd = pty.fork()
        if pid == 0:
            os.chdir(self.dir.name)
            os.execve(CLI, [CLI, *args], ENV)
        shown = b""
        while True:
            try:
                chunk = os.read(fd, 4096)
            except OSError:
                break
            shown += chunk
            if not chunk:
                break
            if b"[o/N]" in chunk:
                os.write(fd, answer)
        return os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]), shown.decode()

    def names(self):
        return sorted(os.listdir(self.dir.name))

    def test_round_trip(self):
        self.assertEqual(self.run_cli("cut", "rapport.doc", "--size", "100")[0], 0)
        self.assertEqual(self.names(), sorted(SET + ["rapport.doc"]))
        for check in (["sha256sum", "--quiet", "-c", "--ignore-missing", "rapport.sha256"], ["par2", "verify", "-q", "rapport.par2"]):
            self.assertEqual(subprocess.run(check, cwd=self.dir.name, capture_output=True).returncode, 0, check)
        os.rename(self.path("rapport.doc"), self.path("source"))
        self.assertEqual(self.run_cli("restore", "rapport.001", "--to", "."), (0, "Restitution des fichiers terminée.\n"))
        with open(self.path("rapport.doc"), "rb") as restored:
            self.assertEqual(restored.read(), self.data)

    def test_verify(self):
        self.run_cli("cut", "rapport.doc", "--size", "100")
        cases = [([], 0, "Entier : tous les morceaux sont intacts.\n"),
                 (["rapport.003"], 1, "rapport.003 : manquant\nEndommagé, réparable : 1 bloc(s) de réparation nécessaire(s), 1 disponible(s).\n"),
                 (["rapport.001"], 2, "rapport.001 : manquant\nrapport.003 : manquant\nEndommagé, irréparable : 2 bloc(s) de réparation nécessaire(s), 1 disponible(s).\n")]
        for lost, status, lines in cases:
            for name in lost:
                os.remove(self.path(name))
            before = self.names()
            self.assertEqual(self.run_cli("verify", "rapport.par2"), (status, lines), lost)
            self.assertEqual(self.names(), before)

    def test_question(self):
        self.write("rapport.002", b"old")
        question = "Fichier rapport.0XX existant : Supprimer les fichiers déjà découpés ?\n           Confirmez\n"
        self.assertEqual(self.run_cli("cut", "rapport.doc"), (4, question + "Pas de terminal pour répondre : relancez avec --yes (OK) ou --no (Annuler).\n"))
        self.assertEqual(self.run_cli("cut", "rapport.doc", "--no"), (3, "Rien n'a été écrit.\n" + question))
        self.assertEqual(self.on_terminal("cut", "rapport.doc", answer=b"\n")[0], 3)
        self.assertEqual(self.names(), ["rapport.002", "rapport.doc"])
        status, shown = self.on_terminal("cut", "rapport.doc", "--size", "100", answer=b"o\n")
        self.assertEqual((status, self.names()), (0, sorted(SET + ["rapport.doc"])), shown)
        self.assertIn("Supprimer les fichiers déjà découpés ?\r\n           Confirmez [o/N] ", shown)
        self.assertEqual(self.run_cli("cut", "rapport.doc", "--size", "100", "--yes")[0], 0)

    def test_progress(self):
        os.truncate(self.path("rapport.doc"), 400 << 20)
        status, shown = self.on_terminal("cut", "rapport.doc", "--size", "102400")
        self.assertEqual(status, 0)
        self.assertRegex(shown, r"\r\x1b\[Kmorceau \d sur 4 — \d+ % — \d+,\d Mo/s — reste \d+:\d\d")
        os.rename(self.path("rapport.doc"), self.path("source"))
        self.assertNotIn("morceau", self.run_cli("restore", "rapport.001")[1])

    def test_interrupt(self):
        os.truncate(self.path("rapport.doc"), 4 << 30)
        for sig, status in ((signal.SIGINT, 130), (signal.SIGTERM, 143)):
            cut = subprocess.Popen([CLI, "cut", "rapport.doc", "--size", "2097151"], cwd=self.dir.name, env=ENV,
                                   stdin=subprocess.DEVNULL, stderr=subprocess.PIPE)
            while len(self.names()) < 2:  # its first piece has begun
                time.sleep(0.01)
            cut.send_signal(sig)
            cut.send_signal(sig)  # a second one leaves nothing either
            self.assertEqual((cut.wait(), cut.communicate()[1]), (status, b""))
            self.assertEqual(self.names(), ["rapport.doc"])

    def test_usage(self):
        for args in (["bogus", "x"], ["cut"], ["cut", "a", "b"], ["cut", "x", "--yes", "--no"], ["cut", "x", "--size", "1,5"],
                     ["verify", "x", "--to", "."], ["restore", "x", "--size", "10"], ["cut", "x", "--recovery", "0"]):
            self.assertEqual(self.run_cli(*args)[0], 64, args)
        self.assertEqual(self.run_cli("--help")[0], 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
