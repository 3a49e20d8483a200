#!/usr/bin/python3
"""Writes a big Anki package for the import benchmark: basic.apkg with NOTES notes (100,000
unless given) and their cards inserted through SQLite, keeping its legacy schema.

The mix: about 300 decks in a three-level "::" hierarchy, some fields with HTML (bold,
breaks, entities), one note in ten of a Cloze type with two deletions, one in fifty with a
picture and one in a hundred with a sound, all of them basic.apkg's media files.
Usage: make-big-package.py OUT [NOTES]. Nothing it writes is committed.
"""
import json
import os
import sqlite3
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
BASIC = os.path.join(os.path.dirname(HERE), "basic.apkg")


def main():
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 100000
    with zipfile.ZipFile(BASIC) as z:
        base = {n: z.read(n) for n in z.namelist()}
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "c.db")
        with open(path, "wb") as f:
            f.write(base["collection.anki2"])
        con = sqlite3.connect(path)
        fill(con, count)
        con.commit()
        con.execute("vacuum")
        con.close()
        with open(path, "rb") as f:
            collection = f.read()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name, data in base.items():
            z.writestr(name, collection if name == "collection.anki2" else data)


def fill(con, count):
    models = json.loads(con.execute("select models from col").fetchone()[0])
    basic = next(iter(models.values()))
    cloze = json.loads(json.dumps(basic))
    cloze.update(id=11, name="Cloze", type=1,
                 flds=[dict(basic["flds"][0], name=f, ord=i)
                       for i, f in enumerate(["Text", "Back Extra"])])
    models["11"] = cloze
    con.execute("update col set models=?", (json.dumps(models),))

    decks = json.loads(con.execute("select decks from col").fetchone()[0])
    template = next(d for d in decks.values() if d["id"] != 1)
    deck_ids = []
    for a in range(6):
        for b in range(7):
            for c in range(7):
                did = 1800000000000 + len(deck_ids)
                name = "Subject %d::Unit %d::Lesson %d" % (a + 1, b + 1, c + 1)
                decks[str(did)] = dict(template, id=did, name=name)
                deck_ids.append(did)
    con.execute("update col set decks=?", (json.dumps(decks),))

    con.execute("delete from cards")
    con.execute("delete from notes")
    notes, cards = [], []
    next_id = 1700000000000
    for i in range(count):
        did = deck_ids[i * len(deck_ids) // count]
        if i % 10 == 9:
            mid, n_cards = 11, 2
            fields = ["{{c1::Term %d}} is explained by {{c2::definition %d::hint}} in "
                      "<i>chapter %d</i>." % (i, i, i % 40), "Extra &amp; more %d" % i]
        else:
            mid, n_cards = basic["id"], 1
            front = "Question %d: what is <b>item %d</b>?" % (i, i % 997)
            back = "Answer %d<br>with a second line &lt;%d&gt;" % (i, i % 13)
            if i % 50 == 3:
                front += '<br><img src="%s">' % ("flag.png" if i % 100 == 3
                                                  else "map of europe.png")
            if i % 100 == 7:
                back += " [sound:bell.wav]"
            fields = [front, back]
        next_id += 1
        nid = next_id
        notes.append((nid, "g%d" % nid, mid, 0, -1, " big tag%d " % (i % 5),
                      "\x1f".join(fields), fields[0], 0, 0, ""))
        for ord_ in range(n_cards):
            next_id += 1
            cards.append((next_id, nid, did, ord_))
    con.executemany("insert into notes values(?,?,?,?,?,?,?,?,?,?,?)", notes)
    con.executemany("insert into cards values(?,?,?,?,0,-1,0,0,0,0,0,0,0,0,0,0,0,'')", cards)


if __name__ == "__main__":
    main()
