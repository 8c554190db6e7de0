"""Helpers of the tests that start the real programs (window tests and
velunda-suche's): failing with context, an X server of their own, and a
world of HOME, working folder and local listings site."""
import os
import subprocess
import sys
import time


def fail(message, *files):
    """Prints the failure and the tails of the given files, and ends the test."""
    print("FAILED: " + message)
    for path in files:
        if os.path.exists(path):
            print("---- %s" % path)
            with open(path, errors="replace") as text:
                print(text.read()[-20000:])
    sys.exit(1)


def own_display():
    """Starts an X server of the test's own (Xvfb, which tells its display
    number when it is ready) and returns it with the environment for its
    clients. A shared Xvfb resets whenever its last client has gone, and a
    client that connects meanwhile fails."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp",
                               "-screen", "0", "1280x1024x24"],
                              pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        number = numbers.readline().strip()
    if not number:
        server.kill()
        fail("Xvfb did not start")
    env = dict(os.environ, DISPLAY=":" + number)
    env.pop("XAUTHORITY", None)
    return server, env


def wait_for(condition, seconds):
    """Polls condition until it holds or seconds have passed; returns it."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.05)
    return condition()


AHORN = ("id\tdate\ttime\tchannel\ttitle\tpersons\tdescription\n"
         "11\t2026-12-08\t20:15\tKanal A\tAhorn\t\tFolge 11.\n"
         "12\t2026-12-09\t20:15\tKanal A\tAhorn\t\tFolge 12.\n"
         "13\t2026-12-10\t20:15\tKanal A\tAhorn\t\tFolge 13.\n")


class World:
    """A HOME whose settings file holds the criteria and points at the local
    listings site (serving broadcasts, with site_args), and a working folder.
    Use it in a with statement (or call close()), so that the site stops also
    when a check throws."""

    def __init__(self, root, source, criteria, site_args=(), broadcasts=AHORN):
        self.home, self.work = os.path.join(root, "home"), os.path.join(root, "work")
        os.makedirs(self.home)
        os.makedirs(self.work)
        data = os.path.join(root, "broadcasts.tsv")
        with open(data, "w", encoding="utf-8") as out:
            out.write(broadcasts)
        self.log = os.path.join(root, "site.log")
        self.site = subprocess.Popen(
            [sys.executable, os.path.join(source, "tools", "listings_site.py"), "--port", "0",
             "--data", data, "--log", self.log, *site_args], stdout=subprocess.PIPE, text=True)
        try:
            self.port = int(self.site.stdout.readline())
            with open(os.path.join(self.home, ".velunda"), "w") as settings:
                settings.write("Aanz=%d\n" % len(criteria))
                for i, criterion in enumerate(criteria):
                    settings.write("Auswahl%d\\==%s\n" % (i, criterion))
                settings.write("Host=127.0.0.1:%d\n" % self.port)
        except BaseException:
            self.close()
            raise

    def requests(self):
        return open(self.log).read().count("GET ") if os.path.exists(self.log) else 0

    def files(self):
        return {name: open(os.path.join(self.work, name), "rb").read()
                for name in sorted(os.listdir(self.work))}

    def close(self):
        if self.site.poll() is None:
            self.site.terminate()
        self.site.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exception):
        self.close()
