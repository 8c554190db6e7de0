#!/usr/bin/env python3
"""Local listings site: a stand-in for the TV-listings web site on 127.0.0.1.

Answers the search request of the Velunda search job
    GET /Suchergebnisse_TV.211.0.html?...&allgemein[titel]=T&allgemein[person]=P&...&page=N
with a result page of up to --page-size rows (sorted by date and time),
    GET /sendung/<id>.html
with a small detail page, and
    GET /xmltv.xml    GET /xmltv.xml.gz
with every broadcast as an XMLTV guide (UTF-8; the .gz path gives the same
bytes gzipped): one <channel> per channel (its id made from the name, such as
"kanal-eins.test", its display-name the name), one <programme> per broadcast:
start in Europe/Berlin local time with its offset (+0100 or +0200), stop 45
minutes later, title and description (HTML entities of the data unescaped),
one <actor> per person and the detail page as <url>. The data's days are fixed
(2026-12-07 to 2026-12-13): the guide moves every broadcast by whole days so
that the first of those days is today (the local date), unless
--xmltv-keep-dates is given; so tests of it do not depend on the day they run.
Both carry an ETag (a hash of the body) and Last-Modified (the data file's
time, or the start of today when the days were moved and that is later), and
are answered with 304 Not Modified and no body when If-None-Match names the
ETag or If-Modified-Since is not older than Last-Modified. The failure options,
--delay, --byte-delay, --status and the modes that concern every path (slow,
close-mid-body, garbage, maintenance, endless, error-status) apply to it too.

In a search, title and person match case-insensitively as substrings (umlauts,
their "ae" spellings and their HTML entities alike); an empty title or person
matches everything. A page past the last one has the anchors and no rows.
Percent-encoded query bytes are taken as UTF-8, or as Windows-1252 where they
are not valid UTF-8.

Usage: listings_site.py [options]
  --port N          port to listen on (default 0: any free port). The chosen
                    port is printed as the first line on standard output.
  --bind ADDR       address to listen on (default 127.0.0.1)
  --data FILE       broadcast list (default: listings_data.tsv beside this
                    script). Tab separated, UTF-8, header line, lines ended by LF
                    (or CR LF; a lone CR stays in its field), columns:
                    id date(YYYY-MM-DD) time(HH:MM) channel title persons(;) description
  --page-size N     rows per page (default 10)
  --log FILE        append the raw request head of every request (request
                    line and header lines as received, then an empty line)
  --delay SECONDS   wait before the first byte of every response (default 0)
  --byte-delay SECONDS  send the response one byte at a time with this pause
  --rows N          rows matched by every search in mode many-rows (default 350)
  --row-padding N   bytes of filler (an HTML comment) in every row block, to
                    make big pages for benchmarks (default 0)
  --fail-on TEXT    fail every request whose target contains TEXT (as sent,
                    percent-encoding included) as --fail-how says; other
                    requests are answered as usual
  --fail-how HOW    status: answer with status --fail-status and a short body (default);
                    page: status 200 and a page that is no result page;
                    close: close the connection without any answer;
                    hang: answer nothing and keep the connection open;
                    cut: the usual answer, closed after half of its body;
                    reset: the same, then the connection reset (RST);
                    stall: the same, then silence with the connection open
  --fail-status N   the status of --fail-how status (default 500)
  --status N        answer every search and guide request with status N (its
                    usual reason phrase) and the result page or guide as the body
  --xmltv-keep-dates  the XMLTV guide keeps the data's own days
  --redirect-to URL answer every request with a redirect (--redirect-status,
                    default 301) to URL followed by the request target; URL
                    "self" is this site itself, so the redirects never end
  --redirect-status N
  --tls-dir DIR     speak HTTPS with DIR/server.pem and DIR/server.key, made
                    with openssl when missing, signed by a CA of their own
                    (DIR/ca.pem, for SSL_CERT_FILE); nothing is kept elsewhere
  --tls-name NAME   the one name the server certificate is made for (default:
                    localhost and 127.0.0.1)
  --tls-fault KIND  expired: the server certificate expired a day ago;
                    self-signed: the CA's certificate serves as the server's;
                    chain: the server sends its CA's certificate along;
                    hang-up: every connection is closed before the handshake
  --mode MODE       behaviour, one of:
      normal            as described above (default)
      refuse            print a port and listen on nothing (connections refused)
      slow              every response one byte at a time (--byte-delay, default 0.01)
      close-mid-body    announce the full length, close after half of the body
      no-anchor1        result pages without ">Suchergebnisse<"
      no-anchor2        result pages without " Treffer"
      no-anchor3        result pages without "<table"
      anchors-one-line  the three anchors on one line
      no-href           link lines without href=
      many-rows         every search matches --rows invented rows
      huge-line         a line of one megabyte in front of the rows
      garbage           status 200 and random binary bytes as the body
      error-status      status 500 with an HTML body that looks like a result page
                        (the guide: status 500 with the guide as the body)
      maintenance       status 200 with a maintenance page instead of results
      endless           status 200 and a body that never ends: filler lines as
                        fast as they go, or one byte every --byte-delay seconds
Stops on SIGTERM or SIGINT.
"""
import argparse
import datetime
import email.utils
import gzip
import hashlib
import html
import http
import os
import random
import signal
import socket
import socketserver
import shutil
import ssl
import struct
import subprocess
import sys
import threading
import time
import urllib.parse
from zoneinfo import ZoneInfo

MODES = ["normal", "refuse", "slow", "close-mid-body", "no-anchor1", "no-anchor2",
         "no-anchor3", "anchors-one-line", "no-href", "many-rows", "huge-line", "garbage",
         "error-status", "maintenance", "endless"]
WEEKDAYS = ["Mo", "Di", "Mi", "Do", "Fr", "Sa", "So"]
SEARCH_PATH = "/Suchergebnisse_TV.211.0.html"
XMLTV_PATHS = ("/xmltv.xml", "/xmltv.xml.gz")
BERLIN = ZoneInfo("Europe/Berlin")


class Broadcast:
    def __init__(self, ident, date, clock, channel, title, persons, description):
        self.ident = ident
        self.date = date
        self.clock = clock
        self.channel = channel
        self.title = title
        self.persons = persons
        self.description = description

    def day_text(self):
        import datetime
        try:
            day = datetime.date.fromisoformat(self.date)
        except ValueError:
            return self.date
        return "%s, %02d.%02d." % (WEEKDAYS[day.weekday()], day.day, day.month)


def load_broadcasts(path):
    rows = []
    # Lines end at a line feed only, so a lone CR stays inside its field.
    with open(path, encoding="utf-8", newline="\n") as data:
        for number, line in enumerate(data):
            line = line.rstrip("\n")
            if line.endswith("\r"):
                line = line[:-1]
            if number == 0 or not line:
                continue
            cells = line.split("\t")
            cells += [""] * (7 - len(cells))
            rows.append(Broadcast(cells[0], cells[1], cells[2], cells[3], cells[4],
                                  [p for p in cells[5].split(";") if p], cells[6]))
    rows.sort(key=lambda b: (b.date, b.clock, b.channel))
    return rows


def fold(text):
    """Case- and umlaut-insensitive form for matching."""
    text = html.unescape(text).lower()
    for umlaut, plain in (("\u00e4", "ae"), ("\u00f6", "oe"), ("\u00fc", "ue"), ("\u00df", "ss")):
        text = text.replace(umlaut, plain)
    return text


def channel_id(name):
    """An XMLTV channel id made from a channel name: "TV S\u00fcd" gives "tv-sued.test"."""
    text = fold(name)
    slug = "".join(c if c.isascii() and c.isalnum() else " " for c in text)
    return "-".join(slug.split()) + ".test"


def xml_text(text):
    """Text of the data (which may hold HTML entities) escaped for XML."""
    return html.escape(html.unescape(text), quote=True)


def request_fields(head):
    """The header fields of a raw request head, names in lower case; the first counts."""
    fields = {}
    for line in head.decode("latin-1").splitlines()[1:]:
        name, colon, value = line.partition(":")
        if colon:
            fields.setdefault(name.strip().lower(), value.strip())
    return fields


def not_modified(fields, etag, modified):
    """Whether a conditional request may be answered with 304 Not Modified."""
    if "if-none-match" in fields:
        tags = [tag.strip() for tag in fields["if-none-match"].split(",")]
        return "*" in tags or etag in tags or "W/" + etag in tags
    since = fields.get("if-modified-since")
    if not since:
        return False
    try:
        when = email.utils.parsedate_to_datetime(since)
    except (TypeError, ValueError, IndexError):
        return False
    if when.tzinfo is None:
        when = when.replace(tzinfo=datetime.timezone.utc)
    return when.timestamp() >= modified


def html_fields(body):
    """The header lines of an HTML answer, as every page but the guide has them."""
    return "Content-Type: text/html; charset=utf-8\r\nContent-Length: %d\r\n" % len(body)


def decode_query_value(raw):
    data = urllib.parse.unquote_to_bytes(raw)
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("cp1252", errors="replace")


def parse_query(query):
    values = {}
    for item in query.split("&"):
        if "=" in item:
            key, value = item.split("=", 1)
            values.setdefault(key, decode_query_value(value))
    return values


class Site:
    def __init__(self, args):
        self.args = args
        self.broadcasts = [] if args.mode == "many-rows" else load_broadcasts(args.data)
        self.log_lock = threading.Lock()
        try:
            self.data_time = int(os.path.getmtime(args.data))
        except OSError:
            self.data_time = int(time.time())
        self.base = ""

    def log(self, head):
        if not self.args.log:
            return
        with self.log_lock, open(self.args.log, "ab") as out:
            out.write(head)
            if not head.endswith(b"\r\n\r\n"):
                out.write(b"\r\n")
            out.flush()

    def matches(self, title, person):
        if self.args.mode == "many-rows":
            return [Broadcast(str(100000 + i), "2026-12-%02d" % (7 + (i // 96) % 7),
                              "%02d:%02d" % ((i % 96) // 4, (i % 4) * 15),
                              "Kanal %d" % (i % 12 + 1), "Reihe %d" % i, ["Erfundene Person"],
                              "Folge %d der langen Reihe, ein erfundener Text." % i)
                    for i in range(self.args.rows)]
        wanted_title = fold(title)
        wanted_person = fold(person)
        found = []
        for broadcast in self.broadcasts:
            if wanted_title and wanted_title not in fold(broadcast.title):
                continue
            if wanted_person and not any(wanted_person in fold(p) for p in broadcast.persons):
                continue
            found.append(broadcast)
        return found

    def result_page(self, query):
        values = parse_query(query)
        title = values.get("allgemein[titel]", "")
        person = values.get("allgemein[person]", "")
        try:
            page = max(1, int(values.get("page", "1")))
        except ValueError:
            page = 1
        found = self.matches(title, person)
        size = self.args.page_size
        rows = found[(page - 1) * size:page * size]
        mode = self.args.mode

        out = ["<!DOCTYPE html>",
               "<html><head><meta charset=\"utf-8\"><title>TV-Programm: Suche</title></head>",
               "<body>"]
        heading = "<h1>Suchergebnisse</h1>" if mode != "no-anchor1" else "<h1>Suche</h1>"
        count = "<p class=\"anzahl\">%d Treffer f\u00fcr \u201e%s\u201c</p>" % (
            len(found), html.escape(title or person))
        if mode == "no-anchor2":
            count = "<p class=\"anzahl\">Ergebnisse: %d</p>" % len(found)
        table = "<table class=\"ergebnisse\">" if mode != "no-anchor3" else "<ul class=\"ergebnisse\">"
        if mode == "anchors-one-line":
            out.append("<div class=\"kopf\"><h1>Suchergebnisse</h1> %d Treffer %s" %
                       (len(found), table))
        else:
            out += [heading, count, table]
        if mode == "huge-line":
            out.append("<!-- " + "x" * (1 << 20) + " -->")
        padding = "<!-- %s -->" % ("p" * self.args.row_padding) if self.args.row_padding else ""
        for b in rows:
            out.append("<tr class=\"zeile\"><td>%s</td><td>%s Uhr</td><td>%s</td></tr>" %
                       (b.day_text(), b.clock, b.channel))
            link = "href=\"sendung/%s.html\"" % b.ident if mode != "no-href" else "class=\"ohne\""
            if mode == "no-anchor3":
                out.append("<li><a %s>%s</a></li>" % (link, b.title))
            else:
                out.append("<tr><td colspan=\"3\"><table class=\"info\"><tr><td><a %s>%s</a>"
                           "</td></tr></table></td></tr>" % (link, b.title))
            if padding:
                out.append(padding)
            out.append("<tr><td colspan=\"3\"><div class=\"text\">%s: %s</div></td></tr>" %
                       (b.title, b.description))
        out.append("</table>" if mode != "no-anchor3" else "</ul>")
        out.append("<p class=\"fuss\">Seite %d &ndash; alle Angaben ohne Gew\u00e4hr. "
                   "Dies ist eine lokale Testseite mit erfundenen Sendungen.</p>" % page)
        out.append("</body></html>")
        return ("\n".join(out) + "\n").encode("utf-8")

    def detail_page(self, ident):
        for b in self.broadcasts:
            if b.ident == ident:
                text = ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%s</title>"
                        "</head><body>\n<h1>%s</h1>\n<p>%s, %s Uhr, %s</p>\n<p>Mit: %s</p>\n"
                        "<p>%s</p>\n</body></html>\n" %
                        (b.title, b.title, b.day_text(), b.clock, b.channel,
                         ", ".join(b.persons), b.description))
                return text.encode("utf-8")
        return None

    def xmltv_guide(self):
        """Every broadcast as an XMLTV document (bytes), and its Last-Modified time."""
        broadcasts = []
        for b in self.matches("", ""):
            try:
                day = datetime.date.fromisoformat(b.date)
                clock = datetime.time.fromisoformat(b.clock)
            except ValueError:
                continue
            broadcasts.append((day, clock, b))
        shift = datetime.timedelta()
        modified = self.data_time
        if broadcasts and not self.args.xmltv_keep_dates:
            today = datetime.datetime.now(BERLIN).date()
            shift = today - min(day for day, _, _ in broadcasts)
            midnight = datetime.datetime.combine(today, datetime.time(), tzinfo=BERLIN)
            modified = max(modified, int(midnight.timestamp()))
        out = ['<?xml version="1.0" encoding="UTF-8"?>', '<!DOCTYPE tv SYSTEM "xmltv.dtd">',
               '<tv generator-info-name="Velunda-Testseite">']
        for name in sorted({b.channel for _, _, b in broadcasts}):
            out += ['  <channel id="%s">' % channel_id(name),
                    '    <display-name lang="de">%s</display-name>' % xml_text(name),
                    "  </channel>"]
        for day, clock, b in broadcasts:
            start = datetime.datetime.combine(day + shift, clock, tzinfo=BERLIN)
            stop = (start.astimezone(datetime.timezone.utc) +
                    datetime.timedelta(minutes=45)).astimezone(BERLIN)
            out.append('  <programme start="%s" stop="%s" channel="%s">' %
                       (start.strftime("%Y%m%d%H%M%S %z"), stop.strftime("%Y%m%d%H%M%S %z"),
                        channel_id(b.channel)))
            out.append('    <title lang="de">%s</title>' % xml_text(b.title))
            out.append('    <desc lang="de">%s</desc>' % xml_text(b.description))
            if b.persons:
                out.append("    <credits>")
                out += ["      <actor>%s</actor>" % xml_text(p) for p in b.persons]
                out.append("    </credits>")
            out.append("    <url>%s/sendung/%s.html</url>" % (self.base, xml_text(b.ident)))
            out.append("  </programme>")
        out.append("</tv>")
        return ("\n".join(out) + "\n").encode("utf-8"), modified

    def xmltv_response(self, path, head):
        """Status, body and header lines for the XMLTV guide, plain or gzipped."""
        body, modified = self.xmltv_guide()
        if path.endswith(".gz"):
            body = gzip.compress(body, mtime=0)
        etag = '"%s"' % hashlib.sha256(body).hexdigest()[:32]
        fields = "ETag: %s\r\nLast-Modified: %s\r\n" % (
            etag, email.utils.formatdate(modified, usegmt=True))
        status = self.args.status or (500 if self.args.mode == "error-status" else 200)
        if status == 200 and not_modified(request_fields(head), etag, modified):
            return 304, b"", fields
        kind = "application/gzip" if path.endswith(".gz") else "application/xml; charset=utf-8"
        return status, body, "Content-Type: %s\r\nContent-Length: %d\r\n%s" % (
            kind, len(body), fields)

    def respond(self, target, head=b""):
        """Status, body and header lines (type and length) for a request target."""
        mode = self.args.mode
        if mode == "maintenance":
            body = ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Wartung</title>"
                    "</head><body>\n<h1>Wartungsarbeiten</h1>\n<p>Die Seite ist bald "
                    "wieder f\u00fcr Sie da.</p>\n</body></html>\n").encode("utf-8")
            return 200, body, html_fields(body)
        if mode == "garbage":
            rng = random.Random(target)
            body = bytes(rng.randrange(256) for _ in range(65536))
            return 200, body, html_fields(body)
        path, _, query = target.partition("?")
        if path == SEARCH_PATH:
            body = self.result_page(query)
            if self.args.status:
                return self.args.status, body, html_fields(body)
            return (500 if mode == "error-status" else 200), body, html_fields(body)
        if path in XMLTV_PATHS:
            return self.xmltv_response(path, head)
        if path.startswith("/sendung/") and path.endswith(".html"):
            body = self.detail_page(path[len("/sendung/"):-len(".html")])
            if body is not None:
                return 200, body, html_fields(body)
        body = b"<html><body><h1>Nicht gefunden</h1></body></html>\n"
        return 404, body, html_fields(body)


class Handler(socketserver.StreamRequestHandler):
    timeout = 30

    def handle(self):
        site = self.server.site
        if getattr(self, "handshake_failed", False):
            return
        head = b""
        try:
            while len(head) < 65536:
                line = self.rfile.readline(65536)
                if not line:
                    break
                head += line
                if line in (b"\r\n", b"\n"):
                    break
        except OSError:
            return
        site.log(head)
        request_line = head.split(b"\r\n", 1)[0].split(b"\n", 1)[0].decode("latin-1")
        parts = request_line.split(" ")
        target = parts[1] if len(parts) >= 2 else "/"
        failing = site.args.fail_on and site.args.fail_on in target
        if failing and site.args.fail_how in ("close", "hang"):
            if site.args.fail_how == "hang":
                self.wait_for_client()
            return
        if failing and site.args.fail_how in ("status", "page"):
            status = site.args.fail_status if site.args.fail_how == "status" else 200
            body = b"<html><body>Fehler</body></html>\n"
            self.wfile.write(("HTTP/1.0 %d %s\r\nContent-Type: text/html\r\n"
                              "Content-Length: %d\r\nConnection: close\r\n\r\n" %
                              (status, reason_of(status), len(body))).encode("ascii") + body)
            return
        args = site.args
        if args.redirect_to:
            base = site.base if args.redirect_to == "self" else args.redirect_to
            status = args.redirect_status
            self.wfile.write(("HTTP/1.0 %d %s\r\nLocation: %s%s\r\nContent-Length: 0\r\n"
                              "Connection: close\r\n\r\n" %
                              (status, reason_of(status), base, target)).encode("latin-1"))
            return
        if args.mode == "endless":
            self.send_endless()
            return
        status, body, fields = site.respond(target, head)
        response = ("HTTP/1.0 %d %s\r\n%sConnection: close\r\n\r\n" %
                    (status, reason_of(status), fields)).encode("ascii") + body
        if args.mode == "close-mid-body" or failing:
            response = response[:len(response) - len(body) // 2]
        try:
            if args.delay > 0:
                time.sleep(args.delay)
            if args.byte_delay > 0 or args.mode == "slow":
                pause = args.byte_delay if args.byte_delay > 0 else 0.01
                for i in range(len(response)):
                    self.wfile.write(response[i:i + 1])
                    self.wfile.flush()
                    time.sleep(pause)
            else:
                self.wfile.write(response)
                self.wfile.flush()
            if failing and args.fail_how == "reset":
                # Closed at once with a linger time of 0, which sends RST
                # instead of the FIN of an orderly shutdown.
                self.request.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                        struct.pack("ii", 1, 0))
                self.request.close()
            elif failing and args.fail_how == "stall":
                self.wait_for_client()
        except OSError:
            pass

    def wait_for_client(self):
        """Keeps the connection open, sending nothing, until the client goes."""
        try:
            while self.request.recv(4096):
                pass
        except OSError:
            pass


    def send_endless(self):
        """A result page whose body never ends, until the client goes."""
        pause = self.server.site.args.byte_delay
        try:
            self.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
                             b"<html><h1>Suchergebnisse</h1>\n<p>1 Treffer</p>\n<table>\n")
            self.wfile.flush()
            filler = b"<!-- " + b"f" * 4000 + b" -->\n"
            while True:
                if pause > 0:
                    time.sleep(pause)
                    self.wfile.write(b"f")
                else:
                    self.wfile.write(filler)
                self.wfile.flush()
        except OSError:
            pass

    def setup(self):
        # Over TLS the handshake is made here, in the connection's thread; a
        # client that refuses the certificate ends it.
        if isinstance(self.request, ssl.SSLSocket):
            try:
                if self.server.site.args.tls_fault == "hang-up":
                    raise OSError("hung up")
                self.request.do_handshake()
            except (ssl.SSLError, OSError):
                self.handshake_failed = True
        super().setup()



def reason_of(status):
    try:
        return http.HTTPStatus(status).phrase
    except ValueError:
        return "Status"


def make_certificates(folder, name, kind):
    """A CA of its own and a server certificate of the kind asked for, made once."""
    if os.path.exists(os.path.join(folder, "server.pem")):
        return
    os.makedirs(folder, exist_ok=True)
    run = lambda *args: subprocess.run(["openssl", *args], cwd=folder, check=True,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    run("req", "-x509", *ec, "-keyout", "ca.key", "-out", "ca.pem", "-days", "3",
        "-subj", "/CN=Velunda Test CA")
    if kind == "self-signed":
        shutil.copy(os.path.join(folder, "ca.key"), os.path.join(folder, "server.key"))
        shutil.copy(os.path.join(folder, "ca.pem"), os.path.join(folder, "server.pem"))
        return
    run("req", *ec, "-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=" + (name or "localhost"))
    names = "DNS:" + name if name else "DNS:localhost,IP:127.0.0.1"
    with open(os.path.join(folder, "server.ext"), "w") as ext:
        ext.write("subjectAltName=%s\nbasicConstraints=CA:FALSE\n"
                  "extendedKeyUsage=serverAuth\n" % names)
    run("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
        "-CAcreateserial", "-out", "server.pem", "-days", "-1" if kind == "expired" else "3",
        "-extfile", "server.ext")
    if kind == "chain":
        with open(os.path.join(folder, "server.pem"), "ab") as chain, \
                open(os.path.join(folder, "ca.pem"), "rb") as ca:
            chain.write(ca.read())


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True
    tls = None

    def get_request(self):
        connection, address = super().get_request()
        if self.tls:
            connection = self.tls.wrap_socket(connection, server_side=True,
                                              do_handshake_on_connect=False)
        return connection, address


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--bind", default="127.0.0.1")
    parser.add_argument("--data", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                       "listings_data.tsv"))
    parser.add_argument("--page-size", type=int, default=10)
    parser.add_argument("--log", default="")
    parser.add_argument("--delay", type=float, default=0.0)
    parser.add_argument("--byte-delay", type=float, default=0.0)
    parser.add_argument("--rows", type=int, default=350)
    parser.add_argument("--row-padding", type=int, default=0)
    parser.add_argument("--fail-on", default="")
    parser.add_argument("--fail-how", choices=["status", "page", "close", "hang", "cut", "reset",
                                               "stall"], default="status")
    parser.add_argument("--fail-status", type=int, default=500)
    parser.add_argument("--status", type=int, default=0)
    parser.add_argument("--redirect-to", default="")
    parser.add_argument("--redirect-status", type=int, default=301)
    parser.add_argument("--tls-dir", default="")
    parser.add_argument("--tls-name", default="")
    parser.add_argument("--tls-fault", choices=["", "expired", "self-signed", "chain", "hang-up"],
                        default="")
    parser.add_argument("--xmltv-keep-dates", action="store_true")
    parser.add_argument("--mode", choices=MODES, default="normal")
    args = parser.parse_args()

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))

    if args.mode == "refuse":
        probe = socket.socket()
        probe.bind((args.bind, args.port))
        port = probe.getsockname()[1]
        probe.close()
        print(port, flush=True)
        try:
            while True:
                time.sleep(3600)
        except KeyboardInterrupt:
            return

    server = Server((args.bind, args.port), Handler)
    server.site = Site(args)
    scheme = "http"
    if args.tls_dir:
        make_certificates(args.tls_dir, args.tls_name, args.tls_fault)
        server.tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        server.tls.load_cert_chain(os.path.join(args.tls_dir, "server.pem"),
                                   os.path.join(args.tls_dir, "server.key"))
        scheme = "https"
    server.site.base = "%s://%s:%d" % (scheme, args.bind, server.server_address[1])
    print(server.server_address[1], flush=True)
    try:
        server.serve_forever(poll_interval=0.1)
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
