#!/usr/bin/env python3
"""One Velunda per folder, with the real programs: a second window started in
the folder of an open one shows its message box and ends with status 1
without touching a file; velunda-suche there ends with status 3; in another
folder both work; and once the first window is killed outright (SIGKILL),
the folder is free again and the hits of its run are in its saved list.

Usage: program_folder_hold_test.py VELUNDA VELUNDA_SUCHE SOURCE_DIR   (starts its own Xvfb)
"""
import os
import signal
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from program_support import World, fail, own_display  # noqa: E402


def main():
    binary, suche, source = sys.argv[1:4]
    tool = [sys.executable, os.path.join(source, "tools", "x11_window.py")]
    with tempfile.TemporaryDirectory(prefix="velunda-hold-") as root:
        other = os.path.join(root, "other")
        os.mkdir(other)
        world = World(root, source, ["Ahorn|"])
        home, work = world.home, world.work
        display, env = own_display()
        env.update(HOME=home, NO_AT_BRIDGE="1")
        first = None
        try:
            errors = os.path.join(root, "first.err")
            with open(errors, "w") as err:
                first = subprocess.Popen([binary], cwd=work, env=env, stdout=subprocess.DEVNULL,
                                         stderr=err)
            if subprocess.call(tool + ["wait-title", "ORK - 3 neue Treffer", "30"], env=env,
                               stdout=subprocess.DEVNULL) != 0:
                fail("the first window's run did not find its 3 hits", errors)

            before = world.files()

            second = subprocess.Popen([binary], cwd=work, env=env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.PIPE)
            if subprocess.call(tool + ["close-titled", "Velunda - Fehlermeldung", "30"], env=env) != 0:
                second.kill()
                fail("the second window showed no message box")
            try:
                status = second.wait(timeout=30)
            except subprocess.TimeoutExpired:
                second.kill()
                fail("the second window did not end after its message box")
            if status != 1:
                fail("the second window ended with status %d" % status)

            held = subprocess.run([suche], cwd=work, env=env, capture_output=True, timeout=60)
            if held.returncode != 3 or held.stdout:
                fail("velunda-suche beside the window: status %d, %r" %
                     (held.returncode, held.stdout + held.stderr))
            if world.files() != before:
                fail("the second window or velunda-suche touched the files")
            elsewhere = subprocess.run([suche, "-C", other], env=env, capture_output=True,
                                       timeout=60)
            if elsewhere.returncode != 0 or len(elsewhere.stdout.splitlines()) != 6:
                fail("velunda-suche in another folder: status %d" % elsewhere.returncode)

            first.send_signal(signal.SIGKILL)
            first.wait()
            # The killed window had saved the hits of its run: the next start
            # lists them, and no run reports them again.
            rows = world.files()["refn.txt"].decode("cp1252").split("\n")[2:-1:2]
            if [row[-9:] for row in rows] != ["Folge 13.", "Folge 12.", "Folge 11."]:
                fail("the killed window's hits are not in refn.txt: %r" % rows)
            freed = subprocess.run([suche], cwd=work, env=env, capture_output=True, timeout=60)
            if freed.returncode != 0 or freed.stdout:
                fail("after SIGKILL the folder stayed held, or the hits came again: status %d, %r" %
                     (freed.returncode, freed.stdout + freed.stderr))
            print("ok: second window refused with status 1, velunda-suche 3, folder free after "
                  "SIGKILL")
        finally:
            if first and first.poll() is None:
                first.kill()
            world.close()
            display.kill()
            display.wait()


if __name__ == "__main__":
    main()
