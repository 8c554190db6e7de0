#!/usr/bin/env python3
"""Writes a generated XMLTV guide for the reader benchmarks.

Everything is invented: channels, titles, people and texts. The output is
deterministic for the same arguments (fixed seed): the same start day and
number of programmes give the same bytes.

    make_guide.py > guide.xml                       200,000 programmes, about 115 MB
    make_guide.py --programmes 20000 > guide.xml    about 11 MB
    make_guide.py --gzip --start 2026-12-07 -o guide.xml.gz

The programmes are spread over --channels channels and --days days from
--start (default: today), back to back on each channel, with times in
Europe/Berlin local time and their offset (+0100 or +0200, right across the
summer-time switches). Each has a German title (sometimes an English one
too), mostly a sub-title, a description of one or two sentences, credits
(mostly a director, one to three actors, sometimes a presenter or a guest), a
category, often a year, an episode number, a rating or an x- element. The
texts are UTF-8 with umlauts and some entities (&amp;, &quot;, &#228;).
"""
import argparse
import datetime
import gzip
import random
import sys
from zoneinfo import ZoneInfo

BERLIN = ZoneInfo("Europe/Berlin")

TITLES = [
    "Der stille Zeuge", "Die Br\u00fccke am Flu\u00df", "Kommissar Lindholm ermittelt",
    "Sturm \u00fcber der Heide", "Das Geheimnis von Gr&#228;fenau", "Gro\u00dfstadtrevier Ost",
    "Wetterleuchten", "K\u00fcchenduell", "Abenteuer Nordsee", "Die M\u00f6we Mats",
    "Tor des Monats", "Nachtcaf\u00e9", "\u00c4rger im Paradies", "\u00d6kohof Sonnenberg",
    "\u00dcber den Wolken", "Gl\u00fcck auf Raten", "Die Spur im Schnee", "Hafenlichter",
    "Wildes Bergland", "Sp\u00e4tlese", "Der letzte Sommer", "Mord im Kurhotel",
    "Zwischen den Zeilen", "Das gro\u00dfe Backen", "Pl\u00f6tzlich Million\u00e4r",
    "Sternenjagd", "Stadt, Land, Fluss \u2013 Das Quiz", "Die Weinprinzessin",
    "Kurs auf Helgoland", "Drei Freunde und ein Fuchs", "Tom &amp; die Nachbarn",
    "&quot;Tatort&quot;-Nacht", "Bauer sucht Gl\u00fcck", "Die Rosenheim-Akte",
    "Expedition in die Tiefsee", "Heute im Parlament", "Wetter am Abend", "Nachrichten",
    "L\u00e4nderspiegel", "Landarzt Dr. Sommer", "Die Kinder vom Nordkap", "Zeitreise",
]
ENGLISH = ["The Silent Witness", "Storm over the Heath", "Harbour Lights", "Late Vintage",
           "Star Hunt", "The Wine Princess", "The Last Summer"]
EPISODES = ["Sp\u00e4te Einsicht", "Der Fremde im Dorf", "Alte Rechnungen", "Heimkehr",
            "Das Erbe", "Ein gro\u00dfer Tag", "Im Zwielicht", "Falsche Freunde", "Neubeginn",
            "Die Wette", "Verloren im Nebel", "Gl\u00fcck gehabt", "Der letzte Zug"]
CATEGORIES = ["Spielfilm", "Serie", "Krimi", "Dokumentation", "Show", "Nachrichten", "Sport",
              "Kinder", "Kom\u00f6die", "Drama", "Reportage", "Magazin"]
FIRST = ["Anna", "Jonas", "Lena", "Matthias", "Sophie", "Karl", "J\u00fcrgen", "Greta",
         "Hannes", "Frieda", "Bastian", "Ilse", "Tobias", "Marlene", "Uwe", "Helga", "Stefan",
         "Ronja", "Detlef", "Wiebke", "Bj\u00f6rn", "Z\u00e4zilie", "Ren\u00e9", "Chantal"]
LAST = ["Berg", "M\u00f6ller", "Wei\u00df", "Sch\u00e4fer", "Lindqvist", "Brandt", "Kr\u00fcger",
        "Hagedorn", "Falkenried", "Osterkamp", "Zell", "Wendehals", "Rothmann", "Sonnleitner",
        "D\u00fcrrbaum", "Quandtmeier", "Eichholz", "Vogelsang", "Gro\u00dfmann", "\u00d6zdemir"]
ROLES = ["Kommissarin", "Bauer", "die Wirtin", "der Fremde", "Dr. Sommer", "Lehrer", "Mutter"]
PLACES = ["an der M\u00fcritz", "im Schwarzwald", "auf Norderney", "in K\u00f6ln", "im Harz",
          "am Bodensee", "in M\u00fcnchen", "in der Eifel", "auf R\u00fcgen"]
SENTENCES = [
    "{p} muss sich {o} zwischen Pflicht und Gef\u00fchl entscheiden.",
    "Ein r\u00e4tselhafter Brief bringt {p} {o} auf eine hei\u00dfe Spur.",
    "Gro\u00dfe Aufregung {o}: {p} plant ein Fest \u2013 und alles geht schief.",
    "{p} besucht Menschen {o}, die ihr Leben neu ordnen.",
    "Eine alte Rechnung f\u00fchrt {p} zur\u00fcck {o}.",
    "Spannende Bilder {o}, kommentiert von {p}.",
    "Als das Unwetter {o} die Stra\u00dfen flutet, zeigt {p}, was &quot;Zusammenhalt&quot; hei\u00dft.",
    "{p} stellt die Frage, die sich &amp; alle stellen: Wie geht es weiter?",
]


def person(rng):
    return "%s %s" % (rng.choice(FIRST), rng.choice(LAST))


def stamp(moment):
    local = moment.astimezone(BERLIN)
    return local.strftime("%Y%m%d%H%M%S ") + local.strftime("%z")


def programme(rng, channel, start, stop):
    out = ['<programme start="%s" stop="%s" channel="%s">' % (stamp(start), stamp(stop), channel),
           '\t<title lang="de">%s</title>' % rng.choice(TITLES)]
    if rng.random() < 0.15:
        out.append('\t<title lang="en">%s</title>' % rng.choice(ENGLISH))
    if rng.random() < 0.6:
        out.append('\t<sub-title lang="de">Folge %d: %s</sub-title>' %
                   (rng.randrange(1, 200), rng.choice(EPISODES)))
    actors = [person(rng) for _ in range(rng.randrange(1, 4))]
    text = " ".join(rng.choice(SENTENCES).format(p=rng.choice(actors), o=rng.choice(PLACES))
                    for _ in range(1 if rng.random() < 0.85 else 2))
    out.append('\t<desc lang="de">%s, Deutschland %d. %s</desc>' %
               (rng.choice(CATEGORIES), rng.randrange(1960, 2027), text))
    out.append("\t<credits>")
    if rng.random() < 0.8:
        out.append("\t\t<director>%s</director>" % person(rng))
    for actor in actors:
        if rng.random() < 0.3:
            out.append('\t\t<actor role="%s">%s</actor>' % (rng.choice(ROLES), actor))
        else:
            out.append("\t\t<actor>%s</actor>" % actor)
    if rng.random() < 0.2:
        out.append("\t\t<presenter>%s</presenter>" % person(rng))
    if rng.random() < 0.1:
        out.append("\t\t<guest>%s</guest>" % person(rng))
    out.append("\t</credits>")
    if rng.random() < 0.4:
        out.append("\t<date>%d</date>" % rng.randrange(1960, 2027))
    out.append('\t<category lang="de">%s</category>' % rng.choice(CATEGORIES))
    if rng.random() < 0.4:
        out.append('\t<episode-num system="xmltv_ns">%d.%d.</episode-num>' %
                   (rng.randrange(0, 12), rng.randrange(0, 40)))
    if rng.random() < 0.3:
        out.append('\t<x-velunda-quelle>Generator %d</x-velunda-quelle>' % rng.randrange(100))
    if rng.random() < 0.3:
        out.append('\t<rating system="FSK"><value>%d</value></rating>' % rng.choice((0, 6, 12, 16)))
    out.append("</programme>")
    return "\n".join(out) + "\n"


def write_guide(out, programmes, channels, start_day, days):
    rng = random.Random(20261207)
    out.write('<?xml version="1.0" encoding="UTF-8"?>\n'
              '<!DOCTYPE tv SYSTEM "xmltv.dtd">\n'
              '<tv generator-info-name="Velunda-Benchmark">\n')
    ids = ["kanal%d.test" % (n + 1) for n in range(channels)]
    for n, ident in enumerate(ids):
        out.write('  <channel id="%s">\n    <display-name lang="de">Kanal %d</display-name>\n'
                  '\t<display-name>K%d</display-name>\n  </channel>\n' % (ident, n + 1, n + 1))
    begin = datetime.datetime(start_day.year, start_day.month, start_day.day, tzinfo=BERLIN)
    span = (begin + datetime.timedelta(days=days)).astimezone(datetime.timezone.utc) - \
        begin.astimezone(datetime.timezone.utc)
    for n, ident in enumerate(ids):
        count = programmes // channels + (1 if n < programmes % channels else 0)
        if count == 0:
            continue
        # Back to back: each programme takes its share of the span, in whole minutes.
        minutes = max(1, int(span.total_seconds() // 60) // count)
        moment = begin.astimezone(datetime.timezone.utc)
        chunk = []
        for _ in range(count):
            length = datetime.timedelta(minutes=max(1, minutes + rng.randrange(-2, 3)))
            chunk.append(programme(rng, ident, moment, moment + length))
            moment += length
            if len(chunk) == 1000:
                out.write("".join(chunk))
                chunk = []
        out.write("".join(chunk))
    out.write("</tv>\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--programmes", type=int, default=200000)
    parser.add_argument("--channels", type=int, default=120)
    parser.add_argument("--days", type=int, default=14)
    parser.add_argument("--start", default="", help="first day, YYYY-MM-DD (default: today)")
    parser.add_argument("--gzip", action="store_true", help="write the guide gzip-compressed")
    parser.add_argument("-o", "--output", default="-", help="file to write (default: stdout)")
    args = parser.parse_args()
    start_day = (datetime.date.fromisoformat(args.start) if args.start
                 else datetime.datetime.now(BERLIN).date())

    raw = sys.stdout.buffer if args.output == "-" else open(args.output, "wb")
    # mtime=0 keeps the gzip bytes the same from run to run.
    binary = gzip.GzipFile(fileobj=raw, mode="wb", mtime=0) if args.gzip else raw

    class Text:
        def write(self, text):
            binary.write(text.encode("utf-8"))

    write_guide(Text(), args.programmes, max(1, args.channels), start_day, args.days)
    if args.gzip:
        binary.close()
    raw.flush()
    if raw is not sys.stdout.buffer:
        raw.close()


if __name__ == "__main__":
    main()
