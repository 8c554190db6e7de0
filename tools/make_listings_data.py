#!/usr/bin/env python3
"""Writes tools/listings_data.tsv: invented broadcasts for the local listings site.

Everything is made up: channels, titles, descriptions and the people in the
cast lists. The output is deterministic (fixed seed); run it again only to
change the data, and commit the result.

Columns (tab separated, UTF-8, one header line):
    id  date (YYYY-MM-DD)  time (HH:MM)  channel  title  persons (";" between)  description
Titles and descriptions may hold HTML entities (&auml;, &szlig;, &ndash;), which
the site sends as they stand.
"""
import os
import random

CHANNELS = [
    "Kanal Eins", "Sender Nord", "TV S\u00fcd", "Rheinwelle", "Alpen TV", "Kinokanal",
    "Doku Plus", "Serienwelt", "Sport Arena", "Kinderland", "Heimat Drei", "Nachtkino",
]

TITLES = [
    ("Der stille Zeuge", "Krimi"),
    ("Die Br\u00fccke am Flu\u00df", "Drama"),
    ("Kommissar Lindholm ermittelt", "Krimi"),
    ("Sturm \u00fcber der Heide", "Heimatfilm"),
    ("Das Geheimnis von Gr&auml;fenau", "Krimi"),
    ("Gro&szlig;stadtrevier Ost", "Serie"),
    ("Wetterleuchten", "Drama"),
    ("K\u00fcchenduell", "Unterhaltung"),
    ("Abenteuer Nordsee", "Reportage"),
    ("Die M\u00f6we Mats", "Kinder"),
    ("Tor des Monats", "Sport"),
    ("Nachtcaf\u00e9", "Talkshow"),
    ("\u00c4rger im Paradies", "Kom\u00f6die"),
    ("\u00d6kohof Sonnenberg", "Serie"),
    ("\u00dcber den Wolken", "Dokumentation"),
    ("Gl\u00fcck auf Raten", "Kom\u00f6die"),
    ("Die Spur im Schnee", "Krimi"),
    ("Hafenlichter", "Serie"),
    ("Wildes Bergland", "Reportage"),
    ("Sp&auml;tlese", "Talkshow"),
    ("Der letzte Sommer", "Spielfilm"),
    ("Mord im Kurhotel", "Krimi"),
    ("Zwischen den Zeilen", "Drama"),
    ("Das gro\u00dfe Backen", "Unterhaltung"),
    ("Pl\u00f6tzlich Million\u00e4r", "Kom\u00f6die"),
    ("Sternenjagd", "Spielfilm"),
    ("Stadt, Land, Fluss &ndash; Das Quiz", "Unterhaltung"),
    ("Die Weinprinzessin", "Heimatfilm"),
    ("Kurs auf Helgoland", "Reportage"),
    ("Drei Freunde und ein Fuchs", "Kinder"),
]

FIRST = ["Anna", "Jonas", "Lena", "Matthias", "Sophie", "Karl", "J\u00fcrgen", "Greta",
         "Hannes", "Frieda", "Bastian", "Ilse", "Tobias", "Marlene", "Uwe", "Helga",
         "Stefan", "Ronja", "Detlef", "Wiebke"]
LAST = ["Berg", "M\u00f6ller", "Wei\u00df", "Sch\u00e4fer", "Lindqvist", "Brandt", "Kr\u00fcger",
        "Hagedorn", "Falkenried", "Osterkamp", "Zell", "Wendehals", "Rothmann", "Sonnleitner",
        "D\u00fcrrbaum", "Quandtmeier", "Eichholz", "Vogelsang"]

PLACES = ["am Bodensee", "in der Eifel", "auf Norderney", "im Schwarzwald", "in M\u00fcnchen",
          "an der M\u00fcritz", "in K\u00f6ln", "im Harz"]
PLOTS = [
    "Eine alte Rechnung f\u00fchrt {who} zur\u00fcck {where}.",
    "{who} ger&auml;t {where} in einen Streit um ein Erbe.",
    "Ein r\u00e4tselhafter Brief bringt {who} {where} auf eine hei\u00dfe Spur.",
    "{who} muss sich {where} zwischen Pflicht und Gef\u00fchl entscheiden.",
    "Gro&szlig;e Aufregung {where}: {who} plant ein Fest &ndash; und alles geht schief.",
    "{who} besucht Menschen {where}, die ihr Leben neu ordnen.",
    "Spannende Bilder {where}, kommentiert von {who}.",
]


def person(rng):
    return "%s %s" % (rng.choice(FIRST), rng.choice(LAST))


def main():
    rng = random.Random(4711)
    rows = []
    days = ["2026-12-%02d" % d for d in range(7, 14)]
    next_id = 1000
    for day in days:
        for channel in CHANNELS:
            slots = sorted(rng.sample(range(6 * 4, 24 * 4), 4))
            for slot in slots:
                title, genre = rng.choice(TITLES)
                cast = sorted({person(rng) for _ in range(rng.randint(1, 4))})
                plot = rng.choice(PLOTS).format(who=cast[0], where=rng.choice(PLACES))
                text = "%s, %s. %s" % (genre, "Deutschland %d" % rng.randint(1978, 2026), plot)
                rows.append((str(next_id), day, "%02d:%02d" % (slot // 4, (slot % 4) * 15),
                             channel, title, ";".join(cast), text))
                next_id += 1
    rows.sort(key=lambda r: (r[1], r[2], r[3]))
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "listings_data.tsv")
    with open(path, "w", encoding="utf-8", newline="\n") as out:
        out.write("id\tdate\ttime\tchannel\ttitle\tpersons\tdescription\n")
        for row in rows:
            out.write("\t".join(row) + "\n")
    print("%d broadcasts written to %s" % (len(rows), path))


if __name__ == "__main__":
    main()
