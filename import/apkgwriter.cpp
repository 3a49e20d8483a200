#include "import/apkgwriter.h"

#include "import/htmltext.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <zip.h>

namespace brenvik {

namespace {

// The legacy collection's tables as Anki 2.1 creates them for schema 11.
constexpr const char* SchemaSql = R"(
CREATE TABLE col (
    id integer primary key, crt integer not null, mod integer not null,
    scm integer not null, ver integer not null, dty integer not null,
    usn integer not null, ls integer not null, conf text not null,
    models text not null, decks text not null, dconf text not null, tags text not null);
CREATE TABLE notes (
    id integer primary key, guid text not null, mid integer not null,
    mod integer not null, usn integer not null, tags text not null,
    flds text not null, sfld integer not null, csum integer not null,
    flags integer not null, data text not null);
CREATE TABLE cards (
    id integer primary key, nid integer not null, did integer not null,
    ord integer not null, mod integer not null, usn integer not null,
    type integer not null, queue integer not null, due integer not null,
    ivl integer not null, factor integer not null, reps integer not null,
    lapses integer not null, left integer not null, odue integer not null,
    odid integer not null, flags integer not null, data text not null);
CREATE TABLE revlog (
    id integer primary key, cid integer not null, usn integer not null,
    ease integer not null, ivl integer not null, lastIvl integer not null,
    factor integer not null, time integer not null, type integer not null);
CREATE TABLE graves (
    usn integer not null, oid integer not null, type integer not null);
CREATE INDEX ix_notes_usn on notes (usn);
CREATE INDEX ix_cards_usn on cards (usn);
CREATE INDEX ix_revlog_usn on revlog (usn);
CREATE INDEX ix_cards_nid on cards (nid);
CREATE INDEX ix_cards_sched on cards (did, queue, due);
CREATE INDEX ix_revlog_cid on revlog (cid);
CREATE INDEX ix_notes_csum on notes (csum);
)";

QString utf8(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

QByteArray sha1(const std::string& s) {
    return QCryptographicHash::hash(QByteArrayView(s.data(), qsizetype(s.size())),
                                    QCryptographicHash::Sha1);
}

// The sort field: the front's text without markup, as Anki compares notes by it.
std::string plainText(const std::string& html) {
    std::string out;
    for (const std::string& line : FieldLines(html, FieldMarkup::Html)) {
        if (!out.empty()) out += ' ';
        out += line;
    }
    return out;
}

QJsonObject field(const char* name, int ord) {
    return QJsonObject{{"name", QLatin1String(name)},
                       {"ord", ord},
                       {"sticky", false},
                       {"rtl", false},
                       {"font", "Arial"},
                       {"size", 20},
                       {"media", QJsonArray()}};
}

QJsonObject noteType(std::int64_t id, std::int64_t deck, std::int64_t nowS) {
    QJsonObject card{{"name", "Card 1"},
                     {"ord", 0},
                     {"qfmt", "{{Front}}"},
                     {"afmt", "{{FrontSide}}\n\n<hr id=answer>\n\n{{Back}}"},
                     {"bqfmt", ""},
                     {"bafmt", ""},
                     {"did", QJsonValue::Null}};
    return QJsonObject{
        {"id", qint64(id)},
        {"name", "Basic"},
        {"type", 0},
        {"mod", qint64(nowS)},
        {"usn", -1},
        {"sortf", 0},
        {"did", qint64(deck)},
        {"tmpls", QJsonArray{card}},
        {"flds", QJsonArray{field("Front", 0), field("Back", 1), field("Notes", 2)}},
        {"css", ".card {\n font-family: arial;\n font-size: 20px;\n text-align: center;\n color: "
                "black;\n background-color: white;\n}\n"},
        {"latexPre", "\\documentclass[12pt]{article}\n\\special{papersize=3in,5in}\n"
                     "\\usepackage[utf8]{inputenc}\n\\usepackage{amssymb,amsmath}\n"
                     "\\pagestyle{empty}\n\\setlength{\\parindent}{0in}\n\\begin{document}\n"},
        {"latexPost", "\\end{document}"},
        {"tags", QJsonArray()},
        {"vers", QJsonArray()},
        {"req", QJsonArray{QJsonArray{0, "all", QJsonArray{0}}}}};
}

QJsonObject deck(std::int64_t id, const QString& name, std::int64_t nowS) {
    return QJsonObject{{"id", qint64(id)},
                       {"name", name},
                       {"desc", ""},
                       {"mod", qint64(nowS)},
                       {"usn", -1},
                       {"collapsed", false},
                       {"dyn", 0},
                       {"conf", 1},
                       {"extendNew", 10},
                       {"extendRev", 50},
                       {"newToday", QJsonArray{0, 0}},
                       {"revToday", QJsonArray{0, 0}},
                       {"lrnToday", QJsonArray{0, 0}},
                       {"timeToday", QJsonArray{0, 0}}};
}

QJsonObject deckOptions() {
    return QJsonObject{{"id", 1},
                       {"name", "Default"},
                       {"mod", 0},
                       {"usn", 0},
                       {"maxTaken", 60},
                       {"autoplay", true},
                       {"timer", 0},
                       {"replayq", true},
                       {"new", QJsonObject{{"perDay", 20},
                                           {"delays", QJsonArray{1, 10}},
                                           {"ints", QJsonArray{1, 4, 7}},
                                           {"initialFactor", 2500},
                                           {"separate", true},
                                           {"order", 1},
                                           {"bury", true}}},
                       {"rev", QJsonObject{{"perDay", 100},
                                           {"ease4", 1.3},
                                           {"fuzz", 0.05},
                                           {"minSpace", 1},
                                           {"ivlFct", 1},
                                           {"maxIvl", 36500},
                                           {"bury", true}}},
                       {"lapse", QJsonObject{{"delays", QJsonArray{10}},
                                             {"mult", 0},
                                             {"minInt", 1},
                                             {"leechFails", 8},
                                             {"leechAction", 0}}}};
}

std::string json(const QJsonObject& o) {
    return QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString();
}

class Db {
public:
    ~Db() {
        if (db_) sqlite3_close(db_);
    }
    Status open() {
        if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK)
            return Status::failure("SQLite cannot open a database in memory");
        return exec(SchemaSql);
    }
    Status exec(const char* sql) {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
            return Status::success();
        std::string why = message ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        return Status::failure(why);
    }
    // Runs one statement with its values bound in order.
    struct Value {
        bool text;
        std::int64_t number;
        std::string string;
        Value(std::int64_t n) : text(false), number(n) {}
        Value(int n) : text(false), number(n) {}
        Value(std::string s) : text(true), number(0), string(std::move(s)) {}
        Value(const char* s) : text(true), number(0), string(s) {}
    };
    Status run(const char* sql, const std::vector<Value>& values) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK)
            return Status::failure(sqlite3_errmsg(db_));
        for (std::size_t i = 0; i < values.size(); ++i) {
            const Value& v = values[i];
            if (v.text)
                sqlite3_bind_text(stmt, int(i + 1), v.string.data(), int(v.string.size()),
                                  SQLITE_TRANSIENT);
            else
                sqlite3_bind_int64(stmt, int(i + 1), v.number);
        }
        const int rc = sqlite3_step(stmt);
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) return Status::failure(sqlite3_errmsg(db_));
        return Status::success();
    }
    Result<std::string> bytes() {
        sqlite3_int64 size = 0;
        unsigned char* data = sqlite3_serialize(db_, "main", &size, 0);
        if (!data) return Result<std::string>::failure("SQLite cannot write out the collection");
        std::string out(reinterpret_cast<const char*>(data), std::size_t(size));
        sqlite3_free(data);
        return out;
    }

private:
    sqlite3* db_ = nullptr;
};

Result<std::string> collection(const std::vector<PackageNote>& notes, std::int64_t nowMs) {
    using R = Result<std::string>;
    const std::int64_t nowS = nowMs / 1000;
    Db db;
    if (Status s = db.open(); !s) return R::failure(s.error);

    // Every deck and each of its parents, with ids in the order they are first named.
    std::map<std::string, std::int64_t> deckIds;
    QJsonObject decks{{"1", deck(1, QStringLiteral("Default"), nowS)}};
    std::int64_t nextDeck = nowMs;
    auto deckId = [&](const std::string& name) -> std::int64_t {
        if (name.empty()) return 1;
        std::int64_t id = 1;
        for (std::size_t at = 0;; at += 2) {
            at = name.find("::", at);
            const std::string part = name.substr(0, at);
            auto [it, fresh] = deckIds.try_emplace(part, 0);
            if (fresh) {
                it->second = ++nextDeck;
                decks.insert(QString::number(it->second), deck(it->second, utf8(part), nowS));
            }
            id = it->second;
            if (at == std::string::npos) return id;
        }
    };
    std::vector<std::int64_t> noteDecks;
    for (const PackageNote& note : notes)
        noteDecks.push_back(deckId(note.deck));

    const std::int64_t model = nowMs;
    const std::int64_t firstDeck = noteDecks.empty() ? 1 : noteDecks.front();
    const QJsonObject conf{{"nextPos", qint64(notes.size() + 1)},
                           {"estTimes", true},
                           {"activeDecks", QJsonArray{qint64(firstDeck)}},
                           {"sortType", "noteFld"},
                           {"timeLim", 0},
                           {"sortBackwards", false},
                           {"addToCur", true},
                           {"curDeck", qint64(firstDeck)},
                           {"newBury", true},
                           {"newSpread", 0},
                           {"dueCounts", true},
                           {"curModel", QString::number(model)},
                           {"collapseTime", 1200}};
    const QJsonObject models{{QString::number(model), noteType(model, firstDeck, nowS)}};
    const QJsonObject dconf{{"1", deckOptions()}};

    if (Status s = db.exec("BEGIN"); !s) return R::failure(s.error);
    Status s = db.run(
        "INSERT INTO col VALUES (1, ?, ?, ?, 11, 0, 0, 0, ?, ?, ?, ?, '{}')",
        {nowS - nowS % 86400, nowMs, nowMs, json(conf), json(models), json(decks), json(dconf)});
    if (!s) return R::failure(s.error);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        const PackageNote& note = notes[i];
        const std::int64_t id = nowMs + std::int64_t(i);
        const std::string fields = note.front + '\x1f' + note.back + '\x1f' + note.notes;
        const std::string sort = plainText(note.front);
        const QByteArray hash = sha1(sort);
        const std::int64_t checksum = std::int64_t(hash.toHex().left(8).toUInt(nullptr, 16));
        // A stable id from the note's content, so that exporting the same question again
        // gives a note Anki recognises as the one it already has.
        const std::string guid =
            sha1(note.deck + '\x1f' + note.front + '\x1f' + note.back)
                .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals)
                .left(10)
                .toStdString();
        s = db.run("INSERT INTO notes VALUES (?, ?, ?, ?, -1, '', ?, ?, ?, 0, '')",
                   {id, guid, model, nowS, fields, sort, checksum});
        if (!s) return R::failure(s.error);
        s = db.run("INSERT INTO cards VALUES (?, ?, ?, 0, ?, -1, 0, 0, ?, 0, 0, 0, 0, 0, 0, 0, 0, "
                   "'')",
                   {id, id, noteDecks[i], nowS, std::int64_t(i + 1)});
        if (!s) return R::failure(s.error);
    }
    if (s = db.exec("COMMIT"); !s) return R::failure(s.error);
    return db.bytes();
}

struct ZipSource {
    ~ZipSource() {
        if (source) zip_source_free(source);
    }
    zip_source_t* source = nullptr;
};

std::string zipError(zip_error_t* e) {
    std::string why = zip_error_strerror(e);
    zip_error_fini(e);
    return why;
}

} // namespace

Result<std::string> WriteAnkiPackage(const std::vector<PackageNote>& notes,
                                     const std::vector<PackageMedia>& media, std::int64_t nowMs) {
    using R = Result<std::string>;
    Result<std::string> col = collection(notes, nowMs);
    if (!col) return col;

    QJsonObject list;
    for (std::size_t i = 0; i < media.size(); ++i)
        list.insert(QString::number(i), utf8(media[i].name));
    const std::string mediaList = json(list);

    // The zip is built in memory and read back, so the caller writes the file atomically.
    zip_error_t error;
    zip_error_init(&error);
    ZipSource buffer;
    buffer.source = zip_source_buffer_create(nullptr, 0, 0, &error);
    if (!buffer.source) return R::failure(zipError(&error));
    zip_source_keep(buffer.source); // the archive's close must leave it for reading
    zip_t* archive = zip_open_from_source(buffer.source, ZIP_TRUNCATE, &error);
    if (!archive) {
        zip_source_free(buffer.source); // the reference the archive would have taken
        return R::failure(zipError(&error));
    }
    zip_error_fini(&error);
    auto add = [&](const std::string& name, const std::string& bytes) -> Status {
        zip_source_t* s = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        if (!s || zip_file_add(archive, name.c_str(), s, ZIP_FL_ENC_UTF_8) < 0) {
            if (s) zip_source_free(s);
            return Status::failure(zip_strerror(archive));
        }
        return Status::success();
    };
    Status added = add("collection.anki2", col.value());
    for (std::size_t i = 0; added && i < media.size(); ++i)
        added = add(std::to_string(i), media[i].bytes);
    if (added) added = add("media", mediaList);
    if (!added) {
        zip_discard(archive);
        return R::failure(added.error);
    }
    if (zip_close(archive) != 0) {
        const std::string why = zip_strerror(archive);
        zip_discard(archive);
        return R::failure(why);
    }

    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_source_stat(buffer.source, &st) != 0 || zip_source_open(buffer.source) != 0)
        return R::failure(zip_error_strerror(zip_source_error(buffer.source)));
    std::string out(std::size_t(st.size), '\0');
    const zip_int64_t got = zip_source_read(buffer.source, out.data(), st.size);
    zip_source_close(buffer.source);
    if (got < 0 || zip_uint64_t(got) != st.size)
        return R::failure("the package could not be read back from memory");
    return out;
}

} // namespace brenvik
