#!/usr/bin/env python3
"""Reads an Anki package with nothing but Python's zipfile and sqlite3, the way a program
other than Brenvik would, and prints what it holds as one JSON object:

  {"entries": [...], "version": 11, "models": [{"name", "fields", "templates"}],
   "notes": [{"deck", "fields", "model", "cards"}], "media": {"name": {"size", "sha1"}},
   "revlog": 0, "graves": 0}

Exits non-zero with a message on anything a reader of the legacy collection would stumble
over: a missing entry, a media number the map does not name, a card without its note."""
import hashlib
import json
import os
import sqlite3
import sys
import tempfile
import zipfile


def main(path):
    with zipfile.ZipFile(path) as z:
        bad = z.testzip()
        if bad:
            sys.exit(f"damaged entry {bad}")
        names = z.namelist()
        for needed in ("collection.anki2", "media"):
            if needed not in names:
                sys.exit(f"no {needed} entry")
        media_map = json.loads(z.read("media").decode("utf-8"))
        media = {}
        for number, name in media_map.items():
            if number not in names:
                sys.exit(f"media {number} ({name}) is not in the zip")
            data = z.read(number)
            media[name] = {"size": len(data), "sha1": hashlib.sha1(data).hexdigest()}
        with tempfile.TemporaryDirectory() as tmp:
            db_path = os.path.join(tmp, "collection.anki2")
            with open(db_path, "wb") as f:
                f.write(z.read("collection.anki2"))
            db = sqlite3.connect(db_path)
            try:
                ver, models_json, decks_json = db.execute(
                    "select ver, models, decks from col").fetchone()
                models = json.loads(models_json)
                decks = {int(k): v["name"] for k, v in json.loads(decks_json).items()}
                out_models = [{"name": m["name"],
                               "fields": [f["name"] for f in sorted(m["flds"], key=lambda f: f["ord"])],
                               "templates": [t["qfmt"] for t in m["tmpls"]]}
                              for m in models.values()]
                notes = []
                for nid, mid, flds in db.execute("select id, mid, flds from notes order by id"):
                    if str(mid) not in models:
                        sys.exit(f"note {nid} has an unknown note type {mid}")
                    cards = db.execute("select did from cards where nid = ? order by ord",
                                       (nid,)).fetchall()
                    if not cards:
                        sys.exit(f"note {nid} has no card")
                    for (did,) in cards:
                        if did not in decks:
                            sys.exit(f"a card of note {nid} is in an unknown deck {did}")
                    notes.append({"deck": decks[cards[0][0]], "fields": flds.split("\x1f"),
                                  "model": models[str(mid)]["name"], "cards": len(cards)})
                orphans = db.execute(
                    "select count(*) from cards where nid not in (select id from notes)").fetchone()[0]
                if orphans:
                    sys.exit(f"{orphans} cards without a note")
                revlog = db.execute("select count(*) from revlog").fetchone()[0]
                graves = db.execute("select count(*) from graves").fetchone()[0]
            finally:
                db.close()
    json.dump({"entries": names, "version": ver, "models": out_models, "notes": notes,
               "media": media, "revlog": revlog, "graves": graves}, sys.stdout)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: read_apkg.py PACKAGE")
    main(sys.argv[1])
