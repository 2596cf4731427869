#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: 2026 The Fendrax project
# fendrax-cli as a user runs it, without a display: through pipes as a script does, and on a
# pseudo-terminal as a person does.
#   cli.py FENDRAX_CLI
import os, pty, re, signal, subprocess, sys, tempfile, time, unittest

CLI = os.path.abspath(sys.argv.pop(1))
ENV = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
SET = ["rapport.001", "rapport.002", "rapport.003", "rapport.par2", "rapport.sha256", "rapport.vol0+1.par2"]


class Cli(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.data = os.urandom(250 * 1024)
        self.write("rapport.doc", self.data)

    def tearDown(self):
        for stick in getattr(self, "mounted", []):
            subprocess.run(["umount", stick], check=True)
        self.dir.cleanup()

    def path(self, name):
        return os.path.join(self.dir.name, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def run_cli(self, *args, stdin=subprocess.DEVNULL):
        """Its status and what it said, a byte that is not UTF-8 as Python's surrogate escape reads it."""
        done = subprocess.run([CLI, *args], cwd=self.dir.name, env=ENV, stdin=stdin, capture_output=True)
        return done.returncode, (done.stdout + done.stderr).decode(errors="surrogateescape")

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
        """The line says the piece and the share at once, the speed and the time left once they mean something."""
        os.truncate(self.path("rapport.doc"), 4 << 30)
        pid, fd = pty.fork()
        if pid == 0:
            os.chdir(self.dir.name)
            os.execve(CLI, [CLI, "cut", "rapport.doc", "--size", "1048576"], ENV)
        shown = b""
        full = re.compile(r"\r\x1b\[Kmorceau \d sur 4 — \d+ % — \d+,\d Mo/s — reste \d+:\d\d".encode())
        while not full.search(shown):
            chunk = os.read(fd, 4096)
            self.assertTrue(chunk, shown)
            shown += chunk
        os.kill(pid, signal.SIGINT)
        self.assertEqual(os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]), 130)
        self.assertTrue(shown.startswith("\r\x1b[Kmorceau 1 sur 4 — 0 %".encode()), shown[:80])
        self.assertNotIn(b" 0,0 Mo/s", shown)
        self.assertNotIn(b"reste 0:00", shown)
        self.write("petit.doc", self.data)
        self.assertEqual(self.run_cli("cut", "petit.doc", "--size", "100")[0], 0)
        os.remove(self.path("petit.doc"))
        self.assertNotIn("morceau", self.run_cli("restore", "petit.001")[1])

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

    def test_one_writer(self):
        """A second cut of the set's name is refused while the first runs, and a killed cut holds nothing."""
        os.truncate(self.path("rapport.doc"), 3 << 30)
        self.write("rapport.pdf", self.data)
        first = subprocess.Popen([CLI, "cut", "rapport.doc", "--size", "1048576"], cwd=self.dir.name, env=ENV,
                                 stdin=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        while "rapport.002" not in self.names():  # its second piece has begun
            time.sleep(0.01)
        status, said = self.run_cli("cut", "rapport.pdf", "--size", "100", "--yes")
        self.assertEqual((status, said), (3, "Erreur lors du découpage du fichier !\nUn autre découpage ou une autre restitution de "
                                             f"rapport est en cours dans le dossier {self.dir.name}/.\n"))
        first.kill()
        first.wait()
        self.assertEqual(self.run_cli("cut", "rapport.pdf", "--size", "100", "--yes")[0], 0)
        self.assertEqual(self.names(), sorted(SET + ["rapport.doc", "rapport.pdf"]))
        for check in (["sha256sum", "--quiet", "-c", "rapport.sha256"], ["par2", "verify", "-q", "rapport.par2"]):
            self.assertEqual(subprocess.run(check, cwd=self.dir.name, capture_output=True).returncode, 0, check)

    def test_names_as_bytes(self):
        """A Latin-1 name in a Latin-1 folder is cut and restored byte for byte, and every file names it so."""
        folder = os.path.join(self.dir.name.encode(), b"dossier \xe9t\xe9")
        os.mkdir(folder)
        with open(os.path.join(folder, b"r\xe9sum\xe9.doc"), "wb") as f:
            f.write(self.data)
        status, said = self.run_cli(b"cut", b"dossier \xe9t\xe9/r\xe9sum\xe9.doc", b"--size", b"100")
        self.assertEqual(status, 0, said)
        pieces = [b"r\xe9sum\xe9." + n for n in (b"001", b"002", b"003")]
        self.assertEqual(sorted(os.listdir(folder)), sorted(pieces + [b"r\xe9sum\xe9.doc", b"r\xe9sum\xe9.par2", b"r\xe9sum\xe9.sha256",
                                                                      b"r\xe9sum\xe9.vol0+1.par2"]))
        for check in (["sha256sum", "--quiet", "-c", b"r\xe9sum\xe9.sha256"], ["par2", "verify", "-q", b"r\xe9sum\xe9.par2"]):
            self.assertEqual(subprocess.run(check, cwd=folder, capture_output=True).returncode, 0, check)
        os.rename(os.path.join(folder, b"r\xe9sum\xe9.doc"), os.path.join(folder, b"source"))
        os.remove(os.path.join(folder, pieces[1]))
        status, said = self.run_cli(b"restore", os.path.join(folder, pieces[0]))
        self.assertEqual((status, said), (0, "Restitution des fichiers terminée.\nMorceau reconstitué à partir des fichiers de "
                                             "réparation : r\udce9sum\udce9.002 (manquant).\n"))
        with open(os.path.join(folder, b"r\xe9sum\xe9.doc"), "rb") as restored:
            self.assertEqual(restored.read(), self.data)

    def test_refusals(self):
        """A refusal exits 3, whatever icon the window gives its message."""
        self.write("notes.txt", b"notes")
        self.assertEqual(self.run_cli("restore", "notes.txt"), (3, " veuillez selectionner un fichier dont l'extention se termine par 001 !\n"))
        self.assertEqual(self.run_cli("verify", "notes.txt")[0], 3)
        self.write("vide.doc", b"")
        self.assertEqual(self.run_cli("cut", "vide.doc"), (3, "Rien n'a été écrit.\n"))

    def test_stray_volume(self):
        """A recovery volume of another cut of another rapport.doc beside the set changes nothing."""
        other = os.path.join(self.dir.name, "autre")
        os.mkdir(other)
        self.assertEqual(self.run_cli("cut", "rapport.doc", "--size", "100")[0], 0)
        set_id = lambda folder: open(os.path.join(folder, "rapport.par2"), "rb").read()[32:48]
        # The stray set's ID sorts first, so that a restore that took the first set it reads
        # would take the stray one.
        while True:
            with open(os.path.join(other, "rapport.doc"), "wb") as f:
                f.write(os.urandom(len(self.data)))
            self.assertEqual(self.run_cli("cut", "autre/rapport.doc", "--size", "100", "--recovery", "2", "--yes")[0], 0)
            if set_id(other) < set_id(self.dir.name):
                break
        os.rename(os.path.join(other, "rapport.vol1+1.par2"), self.path("rapport.vol1+1.par2"))
        os.rename(self.path("rapport.doc"), self.path("source"))
        os.remove(self.path("rapport.003"))
        self.assertEqual(self.run_cli("verify", "rapport.001")[0], 1)
        self.assertEqual(self.run_cli("restore", "rapport.001"), (0, "Restitution des fichiers terminée.\nMorceau reconstitué à "
                                                                    "partir des fichiers de réparation : rapport.003 (manquant).\n"))
        with open(self.path("rapport.doc"), "rb") as restored:
            self.assertEqual(restored.read(), self.data)

    def test_source_written_meanwhile(self):
        """A source written to while it is cut (a download still running) is refused by that cause, with nothing left."""
        os.truncate(self.path("rapport.doc"), 3 << 30)
        cut = subprocess.Popen([CLI, "cut", "rapport.doc", "--size", "102400"], cwd=self.dir.name, env=ENV,
                               stdin=subprocess.DEVNULL, stderr=subprocess.PIPE)
        while "rapport.002" not in self.names():
            time.sleep(0.01)
        with open(self.path("rapport.doc"), "r+b") as source:
            source.write(b"more")
        self.assertEqual((cut.wait(), cut.communicate()[1].decode()),
                         (3, f"Erreur lors du découpage du fichier !\nLe fichier {self.path('rapport.doc')} a été modifié pendant le découpage.\n"))
        self.assertEqual(self.names(), ["rapport.doc"])

    def test_sizes(self):
        """Sizes as split takes them: K, M, G in powers of 1024, kB, MB, GB in powers of 1000; a bare number in KB."""
        for size, second in (("100", 102400), ("100K", 102400), ("100KiB", 102400), ("100kB", 100000), ("1M", None)):
            self.assertEqual(self.run_cli("cut", "rapport.doc", "--size", size, "--yes")[0], 0, size)
            self.assertEqual(os.path.getsize(self.path("rapport.002")) if second else "rapport.002" in self.names(), second or False, size)

    def test_verify_reads_the_medium(self):
        """verify names a piece that the stick did not keep while the system's cache still holds what was written."""
        image, stick = self.path("cle.img"), self.path("cle")
        os.mkdir(stick)
        subprocess.run(["truncate", "-s", "32M", image], check=True)
        subprocess.run(["mkfs.ext4", "-q", "-F", "-b", "4096", image], check=True)
        if subprocess.run(["mount", "-o", "loop", image, stick], capture_output=True).returncode != 0:
            self.skipTest("mounting a loop image needs root")
        try:
            self.assertEqual(self.run_cli("cut", "rapport.doc", "--size", "100", "--to", "cle")[0], 0)
            piece = os.path.join(stick, "rapport.002")
            subprocess.run(["sync"], check=True)
            extents = subprocess.run(["filefrag", "-v", "-b4096", piece], capture_output=True, text=True, check=True).stdout
            block = int(re.search(r"^\s*0:\s+0\.\.\s*\d+:\s+(\d+)\.\.", extents, re.M).group(1))
            # The stick loses the piece's first block under the file system, which does not know.
            with open(image, "r+b") as f:
                f.seek(block * 4096)
                f.write(bytes(4096))
            with open(piece, "rb") as f:
                self.assertEqual(f.read(4096), self.data[100 * 1024:100 * 1024 + 4096])  # still in the cache
            self.assertEqual(self.run_cli("verify", "cle/rapport.001"), (1, "rapport.002 : endommagé\nEndommagé, réparable : "
                                                                          "1 bloc(s) de réparation nécessaire(s), 1 disponible(s).\n"))
        finally:
            subprocess.run(["umount", stick], check=True)

    def sticks(self, count):
        """count ext4 sticks of 48 MiB, loop-mounted as stick0, stick1, ...; unmounted at the test's end."""
        folders = []
        for n in range(count):
            image, stick = self.path(f"stick{n}.img"), self.path(f"stick{n}")
            os.mkdir(stick)
            subprocess.run(["truncate", "-s", "48M", image], check=True)
            subprocess.run(["mkfs.ext4", "-q", "-F", image], check=True)
            if subprocess.run(["mount", "-o", "loop", image, stick], capture_output=True).returncode != 0:
                self.skipTest("mounting a loop image needs root")
            self.mounted = getattr(self, "mounted", []) + [stick]
            folders.append(f"stick{n}")
        return folders

    def answering(self, *args, answers):
        """On a pseudo-terminal: each line in answers typed when a question ends in "? "; its status and what it showed."""
        pid, fd = pty.fork()
        if pid == 0:
            os.chdir(self.dir.name)
            os.execve(CLI, [CLI, *args], ENV)
        shown, pending = b"", list(answers)
        while True:
            try:
                chunk = os.read(fd, 4096)
            except OSError:
                break
            if not chunk:
                break
            shown += chunk
            if shown.endswith(b"? ") and pending:
                os.write(fd, pending.pop(0).encode() + b"\n")
        return os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]), shown.decode()

    def restored_from(self, first, *others):
        if os.path.exists(self.path("film.mkv")):
            os.remove(self.path("film.mkv"))
        status, said = self.run_cli("restore", first, *[a for o in others for a in ("--from", o)], "--to", ".")
        with open(self.path("film.mkv"), "rb") if status == 0 else open(os.devnull, "rb") as f:
            return status, f.read() == self.film, said

    def test_across_sticks(self):
        """A film of 100 MiB cut at 4000 K onto sticks of 48 MiB, proven on each, and back byte for byte."""
        sticks = self.sticks(5)
        self.film = os.urandom(100 << 20)
        self.write("film.mkv", self.film)
        to = lambda folders: [a for f in folders for a in ("--to", f)]
        status, said = self.run_cli("cut", "film.mkv", "--size", "4000", *to(sticks[:2]))
        self.assertEqual(status, 3, said)
        self.assertIn("Les supports donnés ne peuvent recevoir tout le découpage : il faut ", said)
        self.assertEqual([os.listdir(self.path(s)) for s in sticks[:2]], [["lost+found"]] * 2)
        status, said = self.run_cli("cut", "film.mkv", "--size", "4000", "--quiet", *to(sticks[:4]))
        self.assertEqual(status, 0, said)
        self.assertIn("Support 2 (" + self.path("stick1") + "/) : film.010 à film.018.", said)
        for stick in sticks[:3]:
            check = subprocess.run(["sha256sum", "--quiet", "-c", "--ignore-missing", "film.sha256"], cwd=self.path(stick))
            self.assertEqual(check.returncode, 0, stick)
        together = self.path("together")
        os.mkdir(together)
        subprocess.run(f"for s in {' '.join(sticks[:4])}; do cp -f $s/film.* together/; done", shell=True, cwd=self.dir.name, check=True)
        self.assertEqual(subprocess.run(["par2", "verify", "-q", "film.par2"], cwd=together, capture_output=True).returncode, 0)
        subprocess.run(["rm", "-r", together], check=True)
        os.rename(self.path("film.mkv"), self.path("source"))
        self.assertEqual(self.restored_from("stick0/film.001", *sticks[1:4])[:2], (0, True))
        self.assertEqual(self.run_cli("verify", "stick2/film.par2", "--from", "stick0", "--from", "stick1", "--from", "stick3"),
                         (0, "Entier : tous les morceaux sont intacts.\n"))
        # One volume for 20 pieces rebuilds no stick's worth of pieces.
        for name in ("film.010", "film.011", "film.012"):
            os.remove(self.path("stick1/" + name))
        self.assertEqual(self.restored_from("stick0/film.001", *sticks[1:4])[0], 3)
        froms = [a for s in sticks[1:4] for a in ("--from", s)]
        self.assertEqual(self.run_cli("verify", "stick0/film.001", *froms)[0], 2)
        self.assertEqual(self.run_cli("verify", "stick0/film.001", *froms[:2])[0], 2)
        for stick in sticks[:4]:
            subprocess.run(f"rm -f {stick}/film.*", shell=True, cwd=self.dir.name, check=True)
        # Against a lost stick: as many volumes as a stick holds files, no stick holding more.
        os.rename(self.path("source"), self.path("film.mkv"))
        status, said = self.run_cli("cut", "film.mkv", "--size", "4000", "--quiet", "--recovery", "medium", *to(sticks))
        self.assertEqual(status, 0, said)
        os.rename(self.path("film.mkv"), self.path("source"))
        held = [sorted(os.listdir(self.path(s))) for s in sticks]
        for n, stick in enumerate(sticks):
            if held[n] == ["lost+found"]:
                continue
            lost = self.path("lost")
            os.mkdir(lost)
            subprocess.run(f"mv {stick}/film.* lost/", shell=True, cwd=self.dir.name, check=True)
            others = [s for s in sticks if s != stick]
            status, same, said = self.restored_from(others[0] + "/film.par2", *others[1:])
            self.assertEqual((status, same), (0, True), (stick, said))
            subprocess.run(f"mv lost/film.* {stick}/ && rmdir lost", shell=True, cwd=self.dir.name, check=True)
        # On a terminal: the media asked for one after another, and a lost one named so.
        os.remove(self.path("film.mkv"))
        status, shown = self.answering("restore", "stick0/film.001", "--quiet", "--to", ".", answers=["perdu", "stick2", "stick3"])
        self.assertEqual(status, 0, shown)
        self.assertIn("Insérez le support qui porte film.010 : dossier du support", shown)
        # The stick given after the lost one starts further on: the pieces before it were on the
        # lost one, and the volumes found are fewer than the pieces lost.
        self.assertNotIn("porte film.012", shown)
        self.assertIn("Insérez un autre support qui porte des fichiers de réparation de film : dossier du support "
                      "(Entrée : aucun autre) ? ", shown)
        with open(self.path("film.mkv"), "rb") as f:
            self.assertEqual(f.read(), self.film)
        for stick in sticks:
            subprocess.run(f"rm -f {stick}/film.*", shell=True, cwd=self.dir.name, check=True)
        status, shown = self.answering("cut", "film.mkv", "--size", "4000", "--quiet", "--to", "stick0", "--yes",
                                       answers=["", "stick1", "stick2", "stick3"])
        self.assertEqual(status, 0, shown)
        self.assertIn("n'a pas changé : insérez le support suivant.", shown)
        self.assertIn("Support suivant (film.001 à film.009 sont écrits ; il reste 17 morceaux et 2 fichiers de réparation", shown)

    def test_usage(self):
        for args in (["bogus", "x"], ["cut"], ["cut", "a", "b"], ["cut", "x", "--yes", "--no"], ["cut", "x", "--size", "1,5"],
                     ["cut", "x", "--size", "1.5M"], ["cut", "x", "--size", "2T"], ["cut", "x", "--size", "M"],
                     ["verify", "x", "--to", "."], ["restore", "x", "--size", "10"], ["cut", "x", "--recovery", "0"]):
            self.assertEqual(self.run_cli(*args)[0], 64, args)
        self.assertEqual(self.run_cli("--help")[0], 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
