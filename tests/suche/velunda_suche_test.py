#!/usr/bin/env python3
"""velunda-suche as cron or the session timer runs it: the exit status,
standard output and standard error of each kind of run, the files it leaves,
and its desktop notification on a private session bus.

Usage: velunda_suche_test.py VELUNDA_SUCHE SOURCE_DIR FAKE_SERVICE CASE
  CASE statuses:      the table of exit statuses and outputs
  CASE notification:  --notify, on a session bus of its own (dbus-run-session)
  CASE streak:        --notify telling a failing streak, on a bus of its own
  CASE kills:         a run killed at each call that changes a file in its folder
  CASE calendar:      velunda.ics as Python's icalendar and calcurse read it
"""
import contextlib
import datetime
import fcntl
import json
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import zoneinfo

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from program_support import AHORN, World  # noqa: E402

FAILURES = []
HEADER = AHORN.split("\n", 1)[0] + "\n"
# Makes every flock of the program fail with ENOLCK, as a network file system
# without locks does; strace writes what it did to the file named after this.
NO_LOCKS = ["strace", "-f", "-qq", "-e", "signal=none", "-e", "trace=flock",
            "-e", "inject=flock:error=ENOLCK", "-o"]
# LeakSanitizer cannot work in a process that strace traces.
NO_LEAK_CHECK = {"ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0"}


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print("FAILED: " + what)


def run(binary, world, args, user=None, wrap=(), env=None, given=None):
    """Runs the program in the world (as user, under the wrap command, with
    the bytes given on standard input); returns its status, standard output
    and standard error."""
    command = [*wrap, binary, *args]
    if user is not None:
        command = ["setpriv", "--reuid=%d" % user, "--regid=%d" % user, "--clear-groups"] + command
    done = subprocess.run(command, cwd=world.work, capture_output=True, timeout=60,
                          input=given, env=dict(os.environ, HOME=world.home, **(env or {})))
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def printed(world):
    """Standard output for the whole saved result list: each row, then its
    link indented."""
    lines = open(os.path.join(world.work, "refn.txt"), "rb").read().decode("cp1252").split("\n")
    return "".join(line + "\n" if i % 2 == 0 else "    " + line + "\n"
                   for i, line in enumerate(lines[2:-1]))


def broadcasts(count, title, description):
    """Site data: count broadcasts of title, one an hour, description with
    their number."""
    return HEADER + "".join("%d\t2026-12-%02d\t%02d:00\tKanal A\t%s\t\t%s\n" %
                            (100 + i, 1 + i // 24, i % 24, title, description % i)
                            for i in range(count))


def statuses(binary, source, root):
    usage = "Aufruf: velunda-suche [-C ORDNER] [--notify] [--xmltv QUELLE]...\n"
    with World(os.path.join(root, "a"), source, ["Ahorn|", "Kaputt|"],
               ["--fail-on", "Kaputt"]) as world:
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
        # An empty -C is what an unset variable in a cron line gives.
        for args, user, says in [
                (["--bogus"], None, "Unbekannte Angabe „--bogus“."),
                (["-C"], None, "Der Option -C fehlt der Ordner."),
                (["-C", ""], None, "Der Option -C fehlt der Ordner."),
                (["--xmltv"], None, "Der Option --xmltv fehlt die Quelle."),
                (["-C", missing], None, "Den Ordner „%s“ gibt es nicht." % missing),
                (["-C" + a_file], None, "„%s“ ist kein Ordner." % a_file),
                (["-C", closed], 65534, "In den Ordner „%s“" % closed)]:
            code, out, err = run(binary, world, args, user)
            check(code == 2 and out == "" and err.startswith("velunda-suche: " + says) and
                  (usage in err) == (args in (["--bogus"], ["-C"], ["-C", ""], ["--xmltv"])),
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
        check(code == 1 and out == printed(world), "run with an error: %d %r" % (code, out))
        check(len(out.splitlines()) == 6 and out.splitlines()[0].endswith("Ahorn: Folge 13."),
              "three hits, the newest on top: %r" % out)
        check(err == "Die Suchseite 127.0.0.1:%d antwortete mit „500 Internal Server Error“.\n" %
              world.port, "error text: %r" % err)

    with World(os.path.join(root, "b"), source, ["Ahorn|"]) as world:
        # A hold that fails for another reason than another holder does not
        # refuse the run. A site written with a slash at its end gives links
        # without a doubled one.
        settings = os.path.join(world.home, ".velunda")
        text = open(settings).read().replace("Host=", "Host=http://").rstrip("\n") + "/\n"
        open(settings, "w").write(text)
        trace = os.path.join(root, "flock.trace")
        code, out, err = run(binary, world, [], wrap=NO_LOCKS + [trace], env=NO_LEAK_CHECK)
        check("ENOLCK" in open(trace).read(), "the hold was not made to fail")
        links = out.splitlines()[1::2]
        check(code == 0 and err == "" and len(links) == 3,
              "hold failing with ENOLCK: %d %r %r" % (code, out, err))
        check(all(link.startswith("    http://127.0.0.1:%d/sendung/" % world.port)
                  for link in links), "links on a site with a slash at its end: %r" % links)

        # Nothing new, nothing on standard output, and the list untouched: a
        # list written with CR LF and kept read-only keeps its bytes, its
        # inode and its mode. The start removes the temporary files of a
        # killed save, and nothing else of the folder.
        refn = os.path.join(world.work, "refn.txt")
        with open(refn, "rb") as old:
            crlf = old.read().replace(b"\n", b"\r\n")
        with open(refn, "wb") as new:
            new.write(crlf)
        os.chmod(refn, 0o444)
        inode = os.stat(refn).st_ino
        leftovers = ["refn.txt.velunda-neu-AbC123", "TVmov.ref.velunda-neu-x1Y2z3"]
        others = ["refn.txt.velunda-alt-AbC123", "Einkaufsliste-Dez-WEIHNACHT",
                  "refn.txt.velunda-neu-AbC1234", "refn.txt.velunda-neu-AbCdefgh",
                  "refn.txt.velunda-neu-AbC12", "refn.txt.velunda-neu-AbC12~",
                  "TVmov.ref.velunda-neu-x1Y2z", "xTVmov.ref.velunda-neu-x1Y2z"]
        for name in leftovers + others:
            open(os.path.join(world.work, name), "w").close()
        code, out, err = run(binary, world, ["-C", world.work])
        check((code, out, err) == (0, "", ""), "second run: %d %r %r" % (code, out, err))
        check(open(refn, "rb").read() == crlf and os.stat(refn).st_ino == inode and
              os.stat(refn).st_mode & 0o777 == 0o444, "a quiet run rewrote the result list")
        check(sorted(set(os.listdir(world.work)) - {"refn.txt", "TVmov.ref", "velunda.ics"}) ==
              sorted(others),
              "after the start: %r" % sorted(os.listdir(world.work)))
        os.chmod(refn, 0o644)

        # No criteria: status 2, nothing touched.
        with open(settings, "w") as out:
            out.write("Aanz=0\n")
        before = world.files()
        code, out, err = run(binary, world, [])
        check((code, out, err) == (2, "", "velunda-suche: Sie haben nichts in der Auswahl!\n") and
              world.files() == before, "no criteria: %d %r %r" % (code, out, err))

    # Guides instead of the site: a file and standard input, in one run; a
    # programme without a readable time is a note, not an error. Without
    # any source a run cannot begin.
    with World(os.path.join(root, "x"), source, ["Ahorn|"]) as world:
        programme = ('<programme start="%s" channel="k"><title>Ahorn %s</title></programme>\n')
        guide = lambda *rows: ('<?xml version="1.0"?>\n<tv>\n%s</tv>\n' % "".join(
            programme % row for row in rows)).encode("utf-8")
        with open(os.path.join(world.work, "datei.xml"), "wb") as out:
            out.write(guide(("20991224200000", "aus der Datei"), ("kaputt", "ohne Zeit")))
        code, out, err = run(binary, world, ["--xmltv", "datei.xml", "--xmltv", "-"],
                             env={"TZ": "UTC"}, given=guide(("20991225200000", "vom Grabber")))
        check(code == 0 and out.splitlines()[0::2] == [
                  "A         |20:00 Uhr      |Fr, 25.12.     |k              |Ahorn vom Grabber",
                  "A         |20:00 Uhr      |Do, 24.12.     |k              |Ahorn aus der Datei"] and
              err == "velunda-suche: Hinweis: 1 Sendung ohne lesbare Zeit übersprungen.\n" and
              world.requests() == 0 and "TVxml.ref" in world.files() and
              "TVmov.ref" not in world.files(), "guides: %d %r %r" % (code, out, err))
        settings = os.path.join(world.home, ".velunda")
        with open(settings, "w") as out:
            out.write("Aanz=1\nAuswahl0\\==Ahorn|\n")
        code, out, err = run(binary, world, [])
        check(code == 2 and out == "" and err.startswith(
                  "velunda-suche: Es ist keine Programmquelle eingerichtet: ") and
              "--xmltv QUELLE" in err, "no source: %d %r %r" % (code, out, err))

    # A folder where the files may be written but none created: the hold
    # needs no file there, and the run leaves none.
    with World(os.path.join(root, "c"), source, ["Ahorn|"]) as world:
        user = 65534 if os.getuid() == 0 else None
        for name in ("refn.txt", "TVmov.ref", "velunda.ics"):
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
              sorted(os.listdir(world.work)) == ["TVmov.ref", "refn.txt", "velunda.ics"],
              "read-only folder: held %d, then %d %r %r" %
              (held, code, os.listdir(world.work), err))
        os.chmod(world.work, 0o755)

    # More new hits than the result list keeps: the newest 222 are printed
    # and kept, and all 300 are known from now on.
    with World(os.path.join(root, "d"), source, ["Ahorn|"],
               broadcasts=broadcasts(300, "Ahorn", "Folge %d.")) as world:
        code, out, err = run(binary, world, [])
        rows = out.splitlines()[0::2]
        check(code == 0 and err == "" and len(rows) == 222 and out == printed(world) and
              rows[0].endswith("Ahorn: Folge 299.") and rows[-1].endswith("Ahorn: Folge 78."),
              "300 new hits: %d, %d rows, %r" % (code, len(rows), err))
        check(world.files()["TVmov.ref"].count(b"\n") == 300, "not all 300 hits are known")

        # Without new hits a longer list, edited by hand, stays as it is.
        refn = os.path.join(world.work, "refn.txt")
        with open(refn, "ab") as more:
            more.write(b"".join(b"von Hand %d\nhttp://h/%d\n" % (i, i) for i in range(100)))
        before = world.files()
        code, out, err = run(binary, world, [])
        check((code, out, err) == (0, "", "") and world.files() == before,
              "a run without hits changed the list: %d %r %r" % (code, out, err))

        # A result list that cannot be saved (a folder in its place) fails the
        # run, and says so; its hits are printed but not marked known.
        os.remove(refn)
        os.mkdir(refn)
        known = os.path.join(world.work, "TVmov.ref")
        os.remove(known)
        code, out, err = run(binary, world, [])
        check(code == 1 and len(out.splitlines()) == 444 and err.startswith("velunda-suche: ") and
              "refn.txt" in err and not os.path.exists(known),
              "result list not saved: %d %r %r" % (code, out[:200], err))

        # The list saved but not the known hits: a failed save like any other.
        os.rmdir(refn)
        os.mkdir(known)
        code, out, err = run(binary, world, [])
        check(code == 1 and out == printed(world) and err.startswith("velunda-suche: ") and
              "TVmov.ref" in err, "known hits not saved: %d %r" % (code, err))


@contextlib.contextmanager
def notification_service(service, *args):
    """The stand-in notification service on the private bus while the with
    block runs."""
    fake = subprocess.Popen([service, *args], stdout=subprocess.PIPE, text=True)
    try:
        check(next_line(fake, 30) == "ready\n", "the fake notification service did not start")
        yield fake
    finally:
        fake.terminate()
        fake.wait()


def next_line(fake, seconds):
    """The service's next line, or "" when none comes within seconds."""
    ready = select.select([fake.stdout], [], [], seconds)[0]
    return fake.stdout.readline() if ready else ""


def notified(out, markup):
    """The service's line for the hits on out: the count and the first five
    rows, escaped for a service that reads markup."""
    rows = out.splitlines()[0::2]
    body = [row.replace("&", "&amp;").replace("<", "&lt;") if markup else row for row in rows[:5]]
    return "velunda|Velunda: %d neue Treffer|%s\n" % (len(rows), "\\n".join(body))


def notification(binary, source, root, service):
    # Seven hits whose rows hold "&" and "<" (the first column is a byte of
    # the criterion).
    with World(os.path.join(root, "n"), source, ["<Ahorn|"],
               broadcasts=broadcasts(7, "&lt;Ahorn", "Tom & Jerry, Folge %d.")) as world:
        with notification_service(service) as fake:
            code, out, err = run(binary, world, ["--notify"])
            shown = next_line(fake, 30)
            # No new hits: no notification (the service would print a line).
            quiet = run(binary, world, ["--notify"])
        rest = fake.stdout.read()
        check(code == 0 and err == "" and len(out.splitlines()) == 14 and "&" in out and
              "<" in out and shown == notified(out, True),
              "notification with markup: %d %r %r" % (code, err, shown))
        check(quiet == (0, "", "") and rest == "", "a run without hits notified: %r" % rest)

        for name in ("refn.txt", "TVmov.ref"):
            os.remove(os.path.join(world.work, name))
        with notification_service(service, "--no-markup") as fake:
            code, out, err = run(binary, world, ["--notify"])
            shown = next_line(fake, 30)
        check(code == 0 and err == "" and shown == notified(out, False),
              "notification without markup: %d %r %r" % (code, err, shown))

        # No service on the bus: a warning, and the status of the run.
        for name in ("refn.txt", "TVmov.ref"):
            os.remove(os.path.join(world.work, name))
        code, out, err = run(binary, world, ["--notify"])
        check(code == 0 and len(out.splitlines()) == 14 and
              err.startswith("velunda-suche: Warnung: Die Benachrichtigung ließ sich nicht zeigen, "
                             "weil kein Benachrichtigungsdienst erreichbar ist."),
              "without a service: %d %r" % (code, err))


def streak(binary, source, root, service):
    """Runs against a site answering 503, one against a good site between:
    the third failing run in a row is told with its first error text, once."""
    with contextlib.ExitStack() as stack:
        fake = stack.enter_context(notification_service(service))
        os.set_blocking(fake.stdout.fileno(), False)
        good = stack.enter_context(World(os.path.join(root, "g"), source, ["Ahorn|"]))
        world = stack.enter_context(World(os.path.join(root, "s"), source, ["Ahorn|"],
                                          ["--status", "503"]))
        told = streak_runs(binary, world, good, fake)
    failed = "Velunda: Suche fehlgeschlagen"
    check(told == [[], [], [failed], [], ["Velunda: 3 neue Treffer"], [], [], [failed],
                   [failed], [failed]], "notifications after each run: %r" % told)


def streak_runs(binary, world, good, fake):
    """The summaries told after each run of the streak test."""
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
        try:
            shown = os.read(fake.stdout.fileno(), 1 << 16).decode("utf-8").splitlines()
        except BlockingIOError:
            shown = []
        told.append([line.split("|")[1] for line in shown])
        check(code == (0 if ok else 1) and
              all(line == "velunda|%s|%s" % (failed, err.splitlines()[0])
                  for line in shown if failed in line),
              "run %d: %d %r %r" % (len(told), code, err, shown))
    return told


# The system calls by which a run changes the files of its folder.
CHANGING = ("openat", "write", "fsync", "fdatasync", "fchmod", "ftruncate", "fallocate", "rename",
            "renameat2", "link", "unlink", "unlinkat", "close")


def kill_points(binary, world):
    """Each call of a run that changes a file in the working folder, as its
    system call and its number among the calls of that name in the run."""
    trace = os.path.join(world.work, "..", "trace")
    run(binary, world, [], env=NO_LEAK_CHECK,
        wrap=["strace", "-qq", "-y", "-e", "signal=none", "-e", "trace=" + ",".join(CHANGING),
              "-o", trace])
    durable_order(open(trace).read(), world.work)
    counts, points = {}, []
    for line in open(trace):
        call = re.match(r"(\w+)\((.*)", line)
        if not call:
            continue
        name, rest = call.groups()
        counts[name] = counts.get(name, 0) + 1
        here = world.work + "/", world.work + ">"
        if name == "openat":
            opened = rest.rsplit(" = ", 1)[-1]
            ours = opened.startswith(tuple("0123456789")) and here[0] in opened and \
                re.search(r"O_CREAT|O_WRONLY|O_RDWR", rest)
        elif name in ("rename", "renameat2", "link", "unlink", "unlinkat"):
            ours = not rest.startswith('"/') or here[0] in rest
        else:
            fd = re.match(r"\d+<([^>]*)>", rest)
            ours = fd and (fd.group(1) + "/").startswith(here[0])
        if ours:
            points.append((name, counts[name]))
    return points


def durable_order(trace, folder):
    """Each file is replaced durably: its temporary file synced before the
    rename, the folder synced after it."""
    renames = list(re.finditer(r'^rename(?:at2)?\(.*?"([^"/]*\.velunda-neu-\w+)", ', trace, re.M))
    check(len(renames) == 3, "replaces traced: %r" % [r.group(0) for r in renames])
    for rename in renames:
        temporary, at = rename.group(1), rename.start()
        check(re.search(r"^fsync\(\d+<%s/%s>\)" % (re.escape(folder), re.escape(temporary)),
                        trace[:at], re.M) is not None, "%s renamed before it was synced" % temporary)
        check(re.search(r"^fsync\(\d+<%s>\)" % re.escape(folder), trace[at:], re.M) is not None,
              "the folder was not synced after %s" % temporary)


def calendar_whole(world):
    """Whether the calendar is missing (not made yet) or a whole file."""
    path = os.path.join(world.work, "velunda.ics")
    if not os.path.exists(path):
        return True
    text = open(path, "rb").read()
    return text.startswith(b"BEGIN:VCALENDAR\r\n") and text.endswith(b"END:VCALENDAR\r\n")


def listed(refn):
    """The rows of a result list file, [] when there is none."""
    if not os.path.exists(refn):
        return []
    return open(refn, "rb").read().decode("cp1252").split("\n")[2:-1:2]


def kills(binary, source, root):
    """The run killed (SIGKILL) at each call that changes a file in its
    folder in turn; a clean run after each kill must list every broadcast
    and the old row once, print no row that the list already had, keep the
    old reference, leave no temporary file and a calendar that is whole, the
    old one or the new one, after the kill and after the clean run."""
    wanted = ["alte Zeile"] + ["Ahorn: Folge %d." % i for i in (11, 12, 13)]
    with World(os.path.join(root, "k"), source, ["Ahorn|"]) as world:
        refn, refs = (os.path.join(world.work, name) for name in ("refn.txt", "TVmov.ref"))

        def first_state():
            for name in os.listdir(world.work):
                os.remove(os.path.join(world.work, name))
            with open(refn, "wb") as out:
                out.write(b"Version\nSortierung\nalte Zeile\nalter Link\n")
            with open(refs, "wb") as out:
                out.write(b"alte Referenz\n")

        first_state()
        points = kill_points(binary, world)
        check(len(points) >= 12, "too few kill points: %r" % points)
        lost, twice = 0, 0
        for name, number in points:
            first_state()
            killed = run(binary, world, [], env=NO_LEAK_CHECK,
                         wrap=["strace", "-qq", "-e", "signal=none", "-e", "trace=" + name,
                               "-e", "inject=%s:signal=SIGKILL:when=%d" % (name, number),
                               "-o", "/dev/null"])[0]
            before = listed(refn)
            whole = [calendar_whole(world)]
            code, out, _ = run(binary, world, [])
            whole.append(calendar_whole(world))
            rows = listed(refn)
            missing = [row for row in wanted if not any(line.endswith(row) for line in rows)]
            left = [entry for entry in os.listdir(world.work) if ".velunda-neu-" in entry]
            again = [row for row in out.splitlines()[0::2] if row in before]
            check(killed in (-9, 137) and code == 0 and not missing and not left and
                  len(rows) == len(set(rows)) and not again and all(whole) and
                  open(refs, "rb").read().startswith(b"alte Referenz\n"),
                  "killed at %s #%d (%d): status %d, lost %r, left %r, %d rows twice, printed "
                  "again %r" % (name, number, killed, code, missing, left,
                                len(rows) - len(set(rows)), again))
            lost += len(missing)
            twice += len(rows) - len(set(rows))
        print("%d kill points, %d hits lost, %d rows listed twice" % (len(points), lost, twice))


# Debian's python3-icalendar (for /usr/bin/python3) prints the events of a
# calendar file as JSON.
DUMP_EVENTS = r"""import icalendar, json, sys
out = []
for e in icalendar.Calendar.from_ical(open(sys.argv[1], "rb").read()).walk("VEVENT"):
    alarms = [(str(a["ACTION"]), a["TRIGGER"].dt.total_seconds()) for a in e.walk("VALARM")]
    out.append({"uid": str(e["UID"]), "start": e["DTSTART"].dt.isoformat(),
                "end": "DTEND" in e, "summary": str(e["SUMMARY"]),
                "location": str(e["LOCATION"]), "description": str(e["DESCRIPTION"]),
                "url": str(e.get("URL", "")), "stamp": "DTSTAMP" in e, "alarms": alarms})
print(json.dumps(out))
"""


def calendar_events(path):
    done = subprocess.run(["/usr/bin/python3", "-c", DUMP_EVENTS, path], capture_output=True,
                          text=True, timeout=60)
    check(done.returncode == 0, "icalendar: %s" % done.stderr)
    return json.loads(done.stdout or "[]")


def calendar(binary, source, root):
    """Two runs a day apart in the listing's near future: every row an
    event at its local time with the reminder of "Erinnerung", the same UID
    for the same hit in the second run, nothing doubled; calcurse lists
    them at the same local times."""
    berlin = zoneinfo.ZoneInfo("Europe/Berlin")
    days = [datetime.date.today() + datetime.timedelta(days=d) for d in (2, 3, 4)]
    data = HEADER + "".join("%d\t%s\t20:15\tKanal A\t%s\t\tFolge %d.\n" %
                            (11 + i, day.isoformat(), "Ahorn" if i < 2 else "Birke", 11 + i)
                            for i, day in enumerate(days))
    env = {"TZ": "Europe/Berlin"}
    with World(os.path.join(root, "c"), source, ["Ahorn|"], broadcasts=data) as world:
        settings = os.path.join(world.home, ".velunda")
        with open(settings, "a") as out:
            out.write("Erinnerung=20\n")
        code, out, err = run(binary, world, [], env=env)
        ics = os.path.join(world.work, "velunda.ics")
        first = calendar_events(ics)
        rows = out.splitlines()
        wanted = [{"uid": e["uid"], "start": datetime.datetime.combine(
                       day, datetime.time(20, 15), berlin).astimezone(datetime.timezone.utc)
                       .isoformat(), "end": False, "summary": "Ahorn: Folge %d." % n,
                   "location": "Kanal A", "description": row + "\n" + link.strip(),
                   "url": "http://" + link.strip(), "stamp": True,
                   "alarms": [["DISPLAY", -1200.0]]}
                  for e, day, n, row, link in zip(first, days[1::-1], (12, 11), rows[0::2],
                                                 rows[1::2])]
        check(code == 0 and err == "" and first == wanted,
              "first calendar: %d %r\n%r\n%r" % (code, err, first, wanted))
        with open(settings, "w") as out:
            out.write("Aanz=2\nAuswahl0\\==Ahorn|\nAuswahl1\\==Birke|\nHost=127.0.0.1:%d\n"
                      "Erinnerung=0\n" % world.port)
        code, out, err = run(binary, world, [], env=env)
        second = calendar_events(ics)
        check(code == 0 and len(out.splitlines()) == 2 and len(second) == 3 and
              [e["uid"] for e in second[1:]] == [e["uid"] for e in first] and
              all(e["alarms"] == [] for e in second), "second calendar: %r" % second)

        # A calendar that cannot be saved is a failed save, and costs no hit:
        # they are listed and become known.
        saved = listed(os.path.join(world.work, "refn.txt"))
        for name in ("refn.txt", "TVmov.ref"):
            os.remove(os.path.join(world.work, name))
        os.rename(ics, ics + ".gut")
        os.mkdir(ics)
        code, out, err = run(binary, world, [], env=env)
        check(code == 1 and out.splitlines()[0::2] == saved and "velunda.ics" in err and
              open(os.path.join(world.work, "TVmov.ref"), "rb").read().count(b"\n") == 3,
              "calendar not saved: %d %r %r" % (code, out, err))
        os.rmdir(ics)
        os.rename(ics + ".gut", ics)

        # calcurse, in a folder of its own, lists the three at 20:15 local.
        own = os.path.join(root, "calcurse")
        os.makedirs(own)
        calcurse = ["env", "HOME=" + own, "TMPDIR=" + own, "TZ=Europe/Berlin", "calcurse",
                    "-C", own, "-D", own]
        imported = subprocess.run(calcurse + ["-i", ics], capture_output=True, text=True)
        listed_ = subprocess.run(calcurse + ["-Q", "--input-datefmt", "4", "--from",
                                             days[0].isoformat(), "--days", "5", "--format-apt",
                                             "%(start:%d.%m.%Y %H:%M) %m\\n"],
                                 capture_output=True, text=True)
        check(imported.returncode == 0 and [line for line in listed_.stdout.splitlines()
                                            if "20:15" in line] ==
              ["%s 20:15 %s: Folge %d." % (day.strftime("%d.%m.%Y"), title, n)
               for day, title, n in zip(days, ("Ahorn", "Ahorn", "Birke"), (11, 12, 13))],
              "calcurse: %r %r" % (imported.stderr, listed_.stdout))


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
        elif case == "kills":
            kills(binary, source, root)
        elif case == "calendar":
            calendar(binary, source, root)
        else:
            streak(binary, source, root, service)
    if FAILURES:
        sys.exit(1)
    print("ok: " + case)


if __name__ == "__main__":
    main()
