#!/usr/bin/env python3
"""One Velunda per folder, with the real programs: a second window started in
the folder of an open one shows its message box and ends with status 1
without touching a file; velunda-suche there ends with status 3; in another
folder both work; and once the first window is killed outright (SIGKILL),
the folder is free again.

Usage: program_folder_hold_test.py VELUNDA VELUNDA_SUCHE SOURCE_DIR   (starts its own Xvfb)
"""
import os
import signal
import subprocess
import sys
import tempfile

from program_support import fail, own_display


def main():
    binary, suche, source = sys.argv[1:4]
    tool = [sys.executable, os.path.join(source, "tools", "x11_window.py")]
    with tempfile.TemporaryDirectory(prefix="velunda-hold-") as root:
        home, work, other = (os.path.join(root, name) for name in ("home", "work", "other"))
        for folder in (home, work, other):
            os.mkdir(folder)
        data = os.path.join(root, "broadcasts.tsv")
        with open(data, "w", encoding="utf-8") as out:
            out.write("id\tdate\ttime\tchannel\ttitle\tpersons\tdescription\n"
                      "11\t2026-12-08\t20:15\tKanal A\tAhorn\t\tFolge 11.\n"
                      "12\t2026-12-09\t20:15\tKanal A\tAhorn\t\tFolge 12.\n"
                      "13\t2026-12-10\t20:15\tKanal A\tAhorn\t\tFolge 13.\n")
        display, env = own_display()
        env.update(HOME=home, NO_AT_BRIDGE="1")
        site = subprocess.Popen([sys.executable, os.path.join(source, "tools", "listings_site.py"),
                                 "--port", "0", "--data", data], stdout=subprocess.PIPE, text=True)
        first = None
        try:
            port = int(site.stdout.readline())
            with open(os.path.join(home, ".velunda"), "w") as settings:
                settings.write("Aanz=1\nAuswahl0\\==Ahorn|\nHost=127.0.0.1:%d\n" % port)
            errors = os.path.join(root, "first.err")
            with open(errors, "w") as err:
                first = subprocess.Popen([binary], cwd=work, env=env, stdout=subprocess.DEVNULL,
                                         stderr=err)
            if subprocess.call(tool + ["wait-title", "ORK - 3 neue Treffer", "30"], env=env,
                               stdout=subprocess.DEVNULL) != 0:
                fail("the first window's run did not find its 3 hits", errors)

            def files():
                return {name: open(os.path.join(work, name), "rb").read()
                        for name in sorted(os.listdir(work))}
            before = files()

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
            if files() != before:
                fail("the second window or velunda-suche touched the files")
            elsewhere = subprocess.run([suche, "-C", other], env=env, capture_output=True,
                                       timeout=60)
            if elsewhere.returncode != 0 or len(elsewhere.stdout.splitlines()) != 6:
                fail("velunda-suche in another folder: status %d" % elsewhere.returncode)

            first.send_signal(signal.SIGKILL)
            first.wait()
            freed = subprocess.run([suche], cwd=work, env=env, capture_output=True, timeout=60)
            if freed.returncode != 0:
                fail("after SIGKILL the folder stayed held: status %d, %r" %
                     (freed.returncode, freed.stderr))
            print("ok: second window refused with status 1, velunda-suche 3, folder free after "
                  "SIGKILL")
        finally:
            if first and first.poll() is None:
                first.kill()
            site.terminate()
            site.wait()
            display.kill()
            display.wait()


if __name__ == "__main__":
    main()
