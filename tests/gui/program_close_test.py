#!/usr/bin/env python3
"""The real program, closed by its close box while its first search run waits
for a page that the local listings site never sends: the window goes at
once, the run ends without the page, and the process ends by itself within
moments, with exit status 0, nothing on its standard error from the
sanitizers, no request after the close, and the hits found before the close
saved in refn.txt.

Usage: program_close_test.py VELUNDA_BINARY SOURCE_DIR
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from program_support import AHORN, World, fail, own_display, wait_for  # noqa: E402


def main():
    binary, source = sys.argv[1], sys.argv[2]
    tool = os.path.join(source, "tools", "x11_window.py")
    with tempfile.TemporaryDirectory(prefix="velunda-program-") as root:
        # Two Ahorn broadcasts, 11 and 12.
        two = "".join(AHORN.splitlines(True)[:3])
        world = World(root, source, ["Ahorn|", "Birke|"], ["--fail-on", "Birke", "--fail-how", "hang"],
                      two)
        home, work, log = world.home, world.work, world.log
        server, env = own_display()
        env.update(HOME=home, NO_AT_BRIDGE="1")
        try:
            errors = os.path.join(root, "stderr.txt")
            with open(errors, "w") as err:
                program = subprocess.Popen([binary], cwd=work, env=env,
                                           stdout=subprocess.DEVNULL, stderr=err)
            try:
                # The run starts one second after start-up; "Ahorn" is answered
                # at once, "Birke" never.
                if not wait_for(lambda: os.path.exists(log) and "Birke" in open(log).read(), 15):
                    fail("the run did not reach its second criterion", errors)
                time.sleep(0.5)
                requests_at_close = open(log).read().count("GET ")
                if subprocess.call([sys.executable, tool, "close"], env=env) != 0:
                    fail("could not send the close request", errors)
                closed_at = time.monotonic()
                if not wait_for(lambda: subprocess.call([sys.executable, tool, "title"], env=env,
                                                        stdout=subprocess.DEVNULL,
                                                        stderr=subprocess.DEVNULL) != 0, 5):
                    fail("the window did not go at once")
                try:
                    status = program.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    fail("the program did not end after the close", errors)
                took = time.monotonic() - closed_at
            finally:
                if program.poll() is None:
                    program.kill()
                    program.wait()
            stderr = open(errors, errors="replace").read()
            for marker in ("AddressSanitizer", "LeakSanitizer", "runtime error:"):
                if marker in stderr:
                    fail("sanitizer report on standard error", errors)
            if status != 0:
                fail("exit status %d" % status, errors)
            refn = open(os.path.join(work, "refn.txt"), encoding="latin-1").read().split("\n")
            rows = refn[2::2]
            if not (len(rows) >= 2 and rows[0].endswith("Ahorn: Folge 12.")
                    and rows[1].endswith("Ahorn: Folge 11.")):
                fail("the run's hits were not saved: %r" % refn)
            requests = open(log).read().count("GET ")
            if requests != requests_at_close:
                fail("%d requests after the close" % (requests - requests_at_close))
            print("ok: ended %.2f s after the close request, exit status 0, hits saved" % took)
        finally:
            world.close()
            server.terminate()
            server.wait()


if __name__ == "__main__":
    main()
