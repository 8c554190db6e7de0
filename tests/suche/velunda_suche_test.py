#!/usr/bin/env python3
"""velunda-suche as cron or the session timer runs it: the exit status,
standard output and standard error of each kind of run, the files it leaves,
and its desktop notification on a private session bus.

Usage: velunda_suche_test.py VELUNDA_SUCHE SOURCE_DIR FAKE_SERVICE CASE
  CASE statuses:      the table of exit statuses and outputs
  CASE notification:  --notify, on a session bus of its own (dbus-run-session)
  CASE streak:        --notify telling a failing streak, on a bus of its own
"""
import fcntl
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from program_support import World  # noqa: E402

FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print("FAILED: " + what)


def run(binary, world, args, user=None):
    command = [binary, *args]
    if user is not None:
        command = ["setpriv", "--reuid=%d" % user, "--regid=%d" % user, "--clear-groups"] + command
    done = subprocess.run(command, cwd=world.work, env=dict(os.environ, HOME=world.home),
                          capture_output=True, timeout=60)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def expected_hits(world):
    """Standard output for the rows on top of the saved result list."""
    lines = open(os.path.join(world.work, "refn.txt"), "rb").read().decode("cp1252").split("\n")
    return lines[2:-1]


def statuses(binary, source, root):
    world = World(os.path.join(root, "a"), source, ["Ahorn|", "Kaputt|"], ["--fail-on", "Kaputt"])
    usage = "Aufruf: velunda-suche [-C ORDNER] [--notify]\n"
    code, out, err = run(binary, world, ["--help"])
    check(code == 0 and out.startswith(usage) and err == "", "--help: %d %r" % (code, err))
    code, out, err = run(binary, world, ["--version"])
    check(code == 0 and re.fullmatch(r"velunda-suche \(Velunda\) \d+\.\d+\.\d+\n", out),
          "--version: %d %r" % (code, out))
    a_file = os.path.join(root, "eine Datei")
    open(a_file, "w").close()
    closed = os.path.join(root, "zu")
    os.makedirs(closed, mode=0o700)
    missing = os.path.join(root, "fehlt")
    for args, user, says in [(["--bogus"], None, "Unbekannte Angabe „--bogus“."),
                             (["-C"], None, "Der Option -C fehlt der Ordner."),
                             (["-C", missing], None, "Den Ordner „%s“ gibt es nicht." % missing),
                             (["-C" + a_file], None, "„%s“ ist kein Ordner." % a_file),
                             (["-C", closed], 65534, "In den Ordner „%s“" % closed)]:
        code, out, err = run(binary, world, args, user)
        check(code == 2 and out == "" and err.startswith("velunda-suche: " + says) and
              (usage in err) == (args in (["--bogus"], ["-C"])),
              "%s: %d %r %r" % (args, code, out, err))
    check(not os.path.exists(missing), "-C created the missing folder")
    check(world.files() == {} and world.requests() == 0, "a refused start touched something")

    # Another Velunda holds the folder: nothing read, sent or written.
    hold = os.open(world.work, os.O_RDONLY)
    fcntl.flock(hold, fcntl.LOCK_EX)
    code, out, err = run(binary, world, [])
    os.close(hold)
    check(code == 3 and out == "" and "Velunda arbeitet schon in diesem Ordner" in err,
          "held folder: %d %r %r" % (code, out, err))
    check(world.files() == {} and world.requests() == 0, "the held folder was touched")

    # Hits before the failing criterion are printed and saved; its error
    # goes to standard error.
    code, out, err = run(binary, world, [])
    check(code == 1 and out == "".join(line + "\n" if i % 2 == 0 else "    " + line + "\n"
                                       for i, line in enumerate(expected_hits(world))),
          "run with an error: %d %r" % (code, out))
    check(len(out.splitlines()) == 6 and out.splitlines()[0].endswith("Ahorn: Folge 13."),
          "three hits, the newest on top: %r" % out)
    check(err == "Die Suchseite 127.0.0.1:%d antwortete mit „500 Internal Server Error“.\n" %
          world.port, "error text: %r" % err)
    world.close()

    # Nothing new, nothing on standard output; no criteria, status 2.
    world = World(os.path.join(root, "b"), source, ["Ahorn|"])
    run(binary, world, [])
    code, out, err = run(binary, world, ["-C", world.work])
    check((code, out, err) == (0, "", ""), "second run: %d %r %r" % (code, out, err))
    with open(os.path.join(world.home, ".velunda"), "w") as settings:
        settings.write("Aanz=0\n")
    before = world.files()
    code, out, err = run(binary, world, [])
    check((code, out, err) == (2, "", "velunda-suche: Sie haben nichts in der Auswahl!\n") and
          world.files() == before, "no criteria: %d %r %r" % (code, out, err))
    world.close()

    # A folder where the files may be written but none created: the hold
    # needs no file there, and the run leaves none.
    world = World(os.path.join(root, "c"), source, ["Ahorn|"])
    user = 65534 if os.getuid() == 0 else None
    for name in ("refn.txt", "TVmov.ref"):
        open(os.path.join(world.work, name), "w").close()
        if user is not None:
            os.chown(os.path.join(world.work, name), user, user)
    os.chmod(world.work, 0o555)
    hold = os.open(world.work, os.O_RDONLY)
    fcntl.flock(hold, fcntl.LOCK_EX)
    held = run(binary, world, [], user)[0]
    os.close(hold)
    code, out, err = run(binary, world, [], user)
    check(held == 3 and code == 0 and len(out.splitlines()) == 6 and
          sorted(os.listdir(world.work)) == ["TVmov.ref", "refn.txt"],
          "read-only folder: held %d, then %d %r %r" % (held, code, os.listdir(world.work), err))
    os.chmod(world.work, 0o755)
    world.close()


def notification(binary, source, root, service):
    fake = subprocess.Popen([service], stdout=subprocess.PIPE, text=True)
    check(fake.stdout.readline() == "ready\n", "the fake notification service did not start")
    world = World(os.path.join(root, "n"), source, ["Ahorn|"])
    code, out, err = run(binary, world, ["--notify"])
    rows = out.splitlines()[0::2]
    shown = fake.stdout.readline().rstrip("\n")
    check(code == 0 and err == "" and
          shown == "velunda|Velunda: 3 neue Treffer|" + "\\n".join(rows),
          "notification: %d %r %r" % (code, err, shown))
    # No new hits: no notification (the service would print a line).
    code, out, err = run(binary, world, ["--notify"])
    fake.terminate()
    rest = fake.communicate()[0]
    check(code == 0 and out == "" and rest == "", "a run without hits notified: %r" % rest)
    # No service on the bus: a warning, and the status of the run.
    os.remove(os.path.join(world.work, "TVmov.ref"))
    code, out, err = run(binary, world, ["--notify"])
    check(code == 0 and len(out.splitlines()) == 6 and
          err.startswith("velunda-suche: Warnung: Die Benachrichtigung ließ sich nicht zeigen, "
                         "weil kein Benachrichtigungsdienst erreichbar ist."),
          "without a service: %d %r" % (code, err))
    world.close()


def streak(binary, source, root, service):
    """Runs against a site answering 503, one against a good site between:
    the third failing run in a row is told with its first error text, once."""
    fake = subprocess.Popen([service], stdout=subprocess.PIPE)
    check(fake.stdout.readline() == b"ready\n", "the fake notification service did not start")
    os.set_blocking(fake.stdout.fileno(), False)
    good = World(os.path.join(root, "g"), source, ["Ahorn|"])
    world = World(os.path.join(root, "s"), source, ["Ahorn|"], ["--status", "503"])
    settings = os.path.join(world.home, ".velunda")
    bad = open(settings).read()
    failed = "Velunda: Suche fehlgeschlagen"
    state = os.path.join(world.home, ".local", "state", "velunda")
    told = []
    for ok in [False] * 4 + [True] + [False] * 3 + [None] * 2:
        if ok is None and os.path.isdir(state):
            check(len(os.listdir(state)) == 1, "state folder: %r" % os.listdir(state))
            shutil.rmtree(state)  # a count that cannot be kept: every failure is told
            open(state, "w").close()
        with open(settings, "w") as out:
            out.write(bad.replace(":%d\n" % world.port, ":%d\n" % good.port) if ok else bad)
        code, _, err = run(binary, world, ["--notify"])
        shown = (fake.stdout.read() or b"").decode("utf-8").splitlines()
        told.append([line.split("|")[1] for line in shown])
        check(code == (0 if ok else 1) and
              all(line == "velunda|%s|%s" % (failed, err.splitlines()[0])
                  for line in shown if failed in line),
              "run %d: %d %r %r" % (len(told), code, err, shown))
    fake.terminate()
    fake.wait()
    check(told == [[], [], [failed], [], ["Velunda: 3 neue Treffer"], [], [], [failed],
                   [failed], [failed]], "notifications after each run: %r" % told)
    good.close()
    world.close()


def main():
    binary, source, service, case = sys.argv[1:5]
    if case in ("notification", "streak") and os.environ.get("VELUNDA_PRIVATE_BUS") != "1":
        # Again, on a session bus of its own.
        sys.exit(subprocess.call(["dbus-run-session", "--", "env", "VELUNDA_PRIVATE_BUS=1",
                                  sys.executable, *sys.argv]))
    os.environ.pop("XDG_STATE_HOME", None)  # the failing streaks are counted in each HOME
    with tempfile.TemporaryDirectory(prefix="velunda-suche-") as root:
        os.chmod(root, 0o755)  # the unprivileged case reaches into it
        if case == "statuses":
            statuses(binary, source, root)
        elif case == "notification":
            notification(binary, source, root, service)
        else:
            streak(binary, source, root, service)
    if FAILURES:
        sys.exit(1)
    print("ok: " + case)


if __name__ == "__main__":
    main()
