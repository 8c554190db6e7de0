#!/usr/bin/env python3
"""The real program started under a window manager (openbox on an X server of
its own): the main window comes up, closes by its close box, and the start
prints no Gtk-CRITICAL or Gtk-WARNING on standard error. Without a display it
says so in German and ends with status 1.

Usage: program_wm_start_test.py VELUNDA_BINARY SOURCE_DIR
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from program_support import fail, own_display, wait_for  # noqa: E402


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def main():
    binary, source = sys.argv[1], sys.argv[2]
    tool = os.path.join(source, "tools", "x11_window.py")
    with tempfile.TemporaryDirectory(prefix="velunda-wm-") as root:
        home, work = os.path.join(root, "home"), os.path.join(root, "work")
        os.mkdir(home)
        os.mkdir(work)
        server, env = own_display()
        env.update(HOME=home, NO_AT_BRIDGE="1")
        headless = {k: v for k, v in env.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        done = subprocess.run([binary], cwd=work, env=headless, capture_output=True, timeout=60)
        if done.returncode != 1 or not done.stderr.decode("utf-8").startswith(
                "velunda: Das Fenster lässt sich nicht öffnen, weil keine grafische Oberfläche"):
            server.kill()
            fail("without a display: %d %r" % (done.returncode, done.stderr))
        processes = [server]
        try:
            ready = os.path.join(root, "wm-ready")
            manager = subprocess.Popen(["openbox", "--sm-disable", "--startup", "touch " + ready],
                                       env=env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
            processes.append(manager)
            if not wait_for(lambda: os.path.exists(ready), 30):
                fail("openbox did not start")

            errors = os.path.join(root, "stderr.txt")
            with open(errors, "w") as err:
                program = subprocess.Popen([binary], cwd=work, env=env,
                                           stdout=subprocess.DEVNULL, stderr=err)
            processes.append(program)
            if subprocess.call([sys.executable, tool, "wait-title", "Velunda", "60"], env=env,
                               stdout=subprocess.DEVNULL) != 0:
                fail("the main window did not come up", errors)
            # Give the window manager's placement and the first layouts time.
            time.sleep(1)
            if subprocess.call([sys.executable, tool, "close"], env=env) != 0:
                fail("could not send the close request", errors)
            try:
                status = program.wait(timeout=30)
            except subprocess.TimeoutExpired:
                fail("the program did not end after the close request", errors)
            stderr = open(errors, errors="replace").read()
            for marker in ("Gtk-CRITICAL", "Gtk-WARNING", "AddressSanitizer", "runtime error:"):
                if marker in stderr:
                    fail("%s on standard error" % marker, errors)
            if status != 0:
                fail("exit status %d" % status, errors)
            if not os.path.exists(os.path.join(work, "refn.txt")):
                fail("no refn.txt after the close")
            print("ok: started and closed under openbox without a GTK complaint")
        finally:
            for process in reversed(processes):
                stop(process)


if __name__ == "__main__":
    main()
