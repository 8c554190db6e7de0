"""Helpers of the tests that start the real program."""
import os
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


def wait_for(condition, seconds):
    """Polls condition until it holds or seconds have passed; returns it."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.05)
    return condition()
