#!/usr/bin/env python3
"""The real program, closed by its close box while its first search run waits
on a slow local listings site: the window goes at once, the process ends
by itself when the job has returned, with exit status 0, nothing on its
standard error from the sanitizers, and the run's hits saved in refn.txt.

Usage: program_close_test.py VELUNDA_BINARY SOURCE_DIR
"""
import os
import subprocess
import sys
import tempfile
import time

from program_support import fail, own_display, wait_for


def main():
    binary, source = sys.argv[1], sys.argv[2]
    tool = os.path.join(source, "tools", "x11_window.py")
    with tempfile.TemporaryDirectory(prefix="velunda-program-") as root:
        home, work = os.path.join(root, "home"), os.path.join(root, "work")
        os.mkdir(home)
        os.mkdir(work)
        log = os.path.join(root, "site.log")
        data = os.path.join(root, "broadcasts.tsv")
        with open(data, "w", encoding="utf-8") as out:
            out.write("id\tdate\ttime\tchannel\ttitle\tpersons\tdescription\n"
                      "11\t2026-12-08\t20:15\tKanal A\tAhorn\t\tFolge 11.\n"
                      "12\t2026-12-09\t20:15\tKanal A\tAhorn\t\tFolge 12.\n")
        server, env = own_display()
        env.update(HOME=home, NO_AT_BRIDGE="1")
        site = subprocess.Popen([sys.executable, os.path.join(source, "tools", "listings_site.py"),
                                 "--port", "0", "--log", log, "--data", data, "--delay", "10"],
                                stdout=subprocess.PIPE, text=True)
        try:
            port = int(site.stdout.readline())
            with open(os.path.join(home, ".velunda"), "w") as settings:
                settings.write("Aanz=2\nAuswahl0\\==Ahorn|\nAuswahl1\\==Birke|\n"
                               "Host=127.0.0.1:%d\n" % port)
            errors = os.path.join(root, "stderr.txt")
            with open(errors, "w") as err:
                program = subprocess.Popen([binary], cwd=work, env=env,
                                           stdout=subprocess.DEVNULL, stderr=err)
            try:
                # The run starts one second after start-up; its first request
                # is then waiting ten seconds for the answer, far longer than
                # the window may take to go on a busy machine.
                if not wait_for(lambda: os.path.exists(log) and "GET " in open(log).read(), 15):
                    fail("no request reached the site", errors)
                time.sleep(0.5)
                if subprocess.call([sys.executable, tool, "close"], env=env) != 0:
                    fail("could not send the close request", errors)
                closed_at = time.monotonic()
                if not wait_for(lambda: subprocess.call([sys.executable, tool, "title"], env=env,
                                                        stdout=subprocess.DEVNULL,
                                                        stderr=subprocess.DEVNULL) != 0, 5):
                    fail("the window did not go at once")
                if program.poll() is not None:
                    fail("the program ended before its job had returned", errors)
                try:
                    status = program.wait(timeout=30)
                except subprocess.TimeoutExpired:
                    fail("the program did not end after its job", errors)
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
            if requests != 1:
                fail("%d requests; none was expected after the close" % requests)
            print("ok: ended %.1f s after the close request, exit status 0, hits saved" % took)
        finally:
            for process in (site, server):
                process.terminate()
                process.wait()


if __name__ == "__main__":
    main()
