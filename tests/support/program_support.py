"""Helpers of the tests that start the real program."""
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
