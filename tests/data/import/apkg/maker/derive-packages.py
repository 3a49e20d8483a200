#!/usr/bin/python3
"""Makes the Anki packages anki-apkg-export cannot write, from its basic.apkg.

Each is basic.apkg with its collection changed through SQLite (Debian's python3 with
zipfile and sqlite3; zstd through the `zstd` command line tool), keeping the legacy
schema except where noted:
  decks.apkg        several decks with a "::" hierarchy; one note with two cards in two
                    decks (it belongs to the deck of its first card); one card lent to a
                    filtered deck
  notetypes.apkg    Cloze, "Basic (and reversed card)", "Basic (optional reversed card)",
                    Image Occlusion and a three-field note type, beside the original one
  newer.colpkg      collection.anki21b: the same collection zstd-compressed, with the
                    newer tables notetypes, fields and decks added (deck names separated by
                    0x1F, the Cloze kind in the note type's protobuf config); the media
                    list a zstd-compressed protobuf message, the media files zstd-
                    compressed; beside it the placeholder collection.anki2
  placeholder.apkg  only the placeholder collection.anki2 newer exports put beside one
  damaged-zip.apkg  basic.apkg cut in half
  damaged-collection.apkg
                    a zip whose collection.anki2 is no SQLite database
  bomb.apkg         a media entry that unpacks to over 200 times its packed size
  unsafe-media.apkg media names with "..", a leading "/", a backslash and a NUL, and a
                    media file the media list names but the zip lacks
  empty.apkg        a zip without entries
Run from this folder after make-packages.js.
"""
import json
import os
import sqlite3
import subprocess
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.dirname(HERE)
BASIC = os.path.join(OUT, "basic.apkg")


def entries(path):
    with zipfile.ZipFile(path) as z:
        return {n: z.read(n) for n in z.namelist()}


def write(name, files):
    with zipfile.ZipFile(os.path.join(OUT, name), "w", zipfile.ZIP_DEFLATED) as z:
        for n, data in files.items():
            z.writestr(n, data)


def changed(collection, change):
    """The collection's bytes after `change(connection)`."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "c.db")
        with open(path, "wb") as f:
            f.write(collection)
        con = sqlite3.connect(path)
        change(con)
        con.commit()
        con.execute("vacuum")
        con.close()
        with open(path, "rb") as f:
            return f.read()


def zstd(data):
    return subprocess.run(["zstd", "-q", "-c", "-19"], input=data, check=True,
                          stdout=subprocess.PIPE).stdout


def varint(n):
    out = b""
    while True:
        b = n & 0x7F
        n >>= 7
        if n:
            out += bytes([b | 0x80])
        else:
            return out + bytes([b])


def field(number, wire, payload):
    key = varint(number << 3 | wire)
    if wire == 0:
        return key + varint(payload)
    return key + varint(len(payload)) + payload


def col_json(con, column):
    return json.loads(con.execute(f"select {column} from col").fetchone()[0])


def set_col_json(con, column, value):
    con.execute(f"update col set {column}=?", (json.dumps(value),))


def original_model(con):
    models = col_json(con, "models")
    return next(iter(models.values()))


def add_model(con, mid, name, kind, fields):
    models = col_json(con, "models")
    model = json.loads(json.dumps(original_model(con)))
    model.update(id=mid, name=name, type=kind,
                 flds=[dict(model["flds"][0], name=f, ord=i) for i, f in enumerate(fields)])
    models[str(mid)] = model
    set_col_json(con, "models", models)


def add_deck(con, did, name):
    decks = col_json(con, "decks")
    deck = dict(next(d for d in decks.values() if d["id"] != 1), id=did, name=name)
    decks[str(did)] = deck
    set_col_json(con, "decks", decks)


def deck_id(con):
    return con.execute("select did from cards limit 1").fetchone()[0]


NEXT_ID = [1700000000000]


def add_note(con, mid, fields, did, tags="", cards=1, decks=None):
    NEXT_ID[0] += 1
    nid = NEXT_ID[0]
    flds = "\x1f".join(fields)
    con.execute("insert into notes values(?,?,?,?,?,?,?,?,?,?,?)",
                (nid, "g%d" % nid, mid, 0, -1, tags, flds, fields[0], 0, 0, ""))
    for ord_ in range(cards):
        NEXT_ID[0] += 1
        did_ = decks[ord_] if decks else did
        con.execute("insert into cards values(?,?,?,?,0,-1,0,0,0,0,0,0,0,0,0,0,0,'')",
                    (NEXT_ID[0], nid, did_, ord_))
    return nid


base = entries(BASIC)


def decks_change(con):
    europe, asia = 1800000000001, 1800000000002
    add_deck(con, europe, "Geography::Europe::Capitals")
    add_deck(con, asia, "Geography::Asia")
    mid = original_model(con)["id"]
    con.execute("delete from cards")
    con.execute("delete from notes")
    add_note(con, mid, ["Capital of Spain?", "Madrid"], europe)
    add_note(con, mid, ["Capital of Japan?", "Tokyo"], asia)
    # Its first card (ord 0) is in Asia, its second in Europe.
    add_note(con, mid, ["Capital of Turkey?", "Ankara"], None, cards=2, decks=[asia, europe])
    # A card lent to a filtered deck belongs to its original deck (odid).
    filtered = 1800000000003
    add_deck(con, filtered, "Filtered Deck 1")
    nid = add_note(con, mid, ["Capital of Portugal?", "Lisbon"], filtered)
    con.execute("update cards set odid=? where nid=?", (europe, nid))


write("decks.apkg", dict(base, **{"collection.anki2": changed(base["collection.anki2"],
                                                               decks_change)}))


def notetypes_change(con):
    did = deck_id(con)
    add_model(con, 11, "Cloze", 1, ["Text", "Back Extra"])
    add_model(con, 12, "Basic (and reversed card)", 0, ["Front", "Back"])
    add_model(con, 13, "Basic (optional reversed card)", 0, ["Front", "Back", "Add Reverse"])
    add_model(con, 14, "Image Occlusion", 1, ["Occlusion", "Image", "Header", "Back Extra",
                                               "Comments"])
    add_model(con, 15, "Vocabulary", 0, ["Word", "Meaning", "Example"])
    con.execute("delete from cards")
    con.execute("delete from notes")
    add_note(con, 11, ["{{c1::Oslo}} is the capital of {{c2::Norway::country}}.",
                       "Since 1814"], did, cards=2)
    add_note(con, 11, ["{{c1::Bern}} and {{c1::Zurich}} are in {{c2::Switzerland}}"
                       " <img src=\"flag.png\">", ""], did, cards=2)
    add_note(con, 12, ["Hund", "dog"], did, tags=" german ", cards=2)
    add_note(con, 13, ["Katze", "cat", "y"], did, cards=2)
    add_note(con, 13, ["Maus", "mouse", ""], did)
    for _ in range(3):
        add_note(con, 14, ["{{c1::image-occlusion:rect:left=.1:top=.2}}",
                           "<img src=\"map of europe.png\">", "", "", ""], did)
    add_note(con, 15, ["casa", "house", "<i>La casa es grande.</i>"], did)


write("notetypes.apkg", dict(base, **{"collection.anki2": changed(base["collection.anki2"],
                                                                   notetypes_change)}))

PLACEHOLDER = ("Please update to the latest Anki version, then import the .colpkg/.apkg "
               "file again.")


def placeholder_change(con):
    mid = original_model(con)["id"]
    con.execute("delete from cards")
    con.execute("delete from notes")
    add_note(con, mid, [PLACEHOLDER, ""], 1)


placeholder = changed(base["collection.anki2"], placeholder_change)
write("placeholder.apkg", {"collection.anki2": placeholder, "media": b"{}"})


def newer_change(con):
    decks_change(con)
    # Notes of a Cloze type too, so the protobuf kind is read.
    con.executescript("""
        create table notetypes (id integer not null primary key, name text not null,
          mtime_secs integer not null, usn integer not null, config blob not null);
        create table fields (ntid integer not null, ord integer not null, name text not null,
          config blob not null, primary key (ntid, ord)) without rowid;
        create table decks (id integer primary key not null, name text not null,
          mtime_secs integer not null, usn integer not null, common blob not null,
          kind blob not null);
    """)
    models = col_json(con, "models")
    for mid, m in models.items():
        con.execute("insert into notetypes values(?,?,0,0,?)",
                    (int(mid), m["name"], field(2, 0, 0) + field(3, 2, b".card {}")))
        for f in m["flds"]:
            con.execute("insert into fields values(?,?,?,x'')", (int(mid), f["ord"], f["name"]))
    con.execute("insert into notetypes values(21,'Cloze',0,0,?)",
                (field(1, 0, 1) + field(3, 2, b".cloze {}"),))
    con.execute("insert into fields values(21,0,'Text',x''),(21,1,'Back Extra',x'')")
    for did, d in col_json(con, "decks").items():
        con.execute("insert into decks values(?,?,0,0,x'',x'')",
                    (int(did), d["name"].replace("::", "\x1f")))
    europe = 1800000000001
    add_note(con, 21, ["{{c1::Vaduz}} is in Liechtenstein [sound:bell.wav]",
                       "<img src=\"flag.png\">"], europe)
    set_col_json(con, "models", {})
    set_col_json(con, "decks", {})


newer = changed(base["collection.anki2"], newer_change)
legacy_media = json.loads(base["media"])
media_list = b""
newer_files = {}
for index, name in enumerate(legacy_media[str(i)] for i in range(len(legacy_media))):
    data = base[str(index)]
    media_list += field(1, 2, field(1, 2, name.encode()) + field(2, 0, len(data)))
    newer_files[str(index)] = zstd(data)
write("newer.colpkg", dict({
    "collection.anki2": placeholder,
    "collection.anki21b": zstd(newer),
    "media": zstd(media_list),
    "meta": field(1, 0, 3),
}, **newer_files))

with open(BASIC, "rb") as f:
    whole = f.read()
with open(os.path.join(OUT, "damaged-zip.apkg"), "wb") as f:
    f.write(whole[: len(whole) // 2])

write("damaged-collection.apkg", dict(base, **{
    "collection.anki2": b"This is no SQLite database, only text. " * 200}))

write("bomb.apkg", dict(base, **{"3": bytes(4 << 20), "media": json.dumps(
    dict(legacy_media, **{"3": "zeros.png"})).encode()}))


def unsafe_change(con):
    mid = original_model(con)["id"]
    did = deck_id(con)
    con.execute("delete from cards")
    con.execute("delete from notes")
    add_note(con, mid, ['Up <img src="../evil.png">', "one"], did)
    add_note(con, mid, ['Root <img src="/etc/evil.png">', "two"], did)
    add_note(con, mid, ['Back <img src="a\\evil.png">', "three"], did)
    add_note(con, mid, ['Nul <img src="nul\x00evil.png">', "four"], did)
    add_note(con, mid, ['Gone <img src="gone.png">', "five"], did)
    add_note(con, mid, ['Fine <img src="flag.png">', "six"], did)


unsafe_media = {"0": "flag.png", "1": "../evil.png", "2": "/etc/evil.png", "3": "a\\evil.png",
                "4": "nul\x00evil.png", "5": "gone.png"}
unsafe = {"collection.anki2": changed(base["collection.anki2"], unsafe_change),
          "media": json.dumps(unsafe_media).encode(), "0": base["0"]}
for i in range(1, 5):
    unsafe[str(i)] = base["0"]
write("unsafe-media.apkg", unsafe)

write("empty.apkg", {})
print("written:", sorted(n for n in os.listdir(OUT) if n.endswith(("apkg", "colpkg"))))
