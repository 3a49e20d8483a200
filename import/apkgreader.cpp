#include "import/apkgreader.h"

#include "import/htmltext.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstring>
#include <set>
#include <sqlite3.h>
#include <unordered_map>
#include <zip.h>
#include <zstd.h>

namespace brenvik {

namespace {

// The placeholder note's text, lower case.
constexpr std::string_view PlaceholderText = "update to the latest anki version";

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return out;
}

std::vector<std::string> splitOn(std::string_view s, char sep) {
    std::vector<std::string> out;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t at = s.find(sep, pos);
        out.emplace_back(s.substr(pos, at == std::string_view::npos ? at : at - pos));
        if (at == std::string_view::npos) return out;
        pos = at + 1;
    }
}

// A tiny protobuf reader, enough for the few fields read here. A message is a run of
// (key, value) pairs; the key is a varint (field number << 3 | wire type); wire type 0 is
// a varint, 2 a varint length and that many bytes (strings, bytes, nested messages), 1 and
// 5 are 8 and 4 fixed bytes. Unknown fields are skipped; a truncated message ends reading.
class Proto {
public:
    explicit Proto(std::string_view data) : data_(data) {}
    explicit Proto(std::string&&) = delete; // it would view a temporary
    // The next field: false at the end or on damage.
    bool next() {
        std::uint64_t key = 0;
        if (!varint(key)) return false;
        field = int(key >> 3);
        wire = int(key & 7);
        switch (wire) {
        case 0:
            return varint(number);
        case 1:
        case 5: {
            const std::size_t n = wire == 1 ? 8 : 4;
            if (data_.size() - pos_ < n) return false;
            pos_ += n;
            return true;
        }
        case 2: {
            std::uint64_t n = 0;
            if (!varint(n) || n > data_.size() - pos_) return false;
            bytes = data_.substr(pos_, std::size_t(n));
            pos_ += std::size_t(n);
            return true;
        }
        default:
            return false;
        }
    }
    int field = 0, wire = 0;
    std::uint64_t number = 0;
    std::string_view bytes;

private:
    bool varint(std::uint64_t& out) {
        out = 0;
        for (int shift = 0; shift < 64 && pos_ < data_.size(); shift += 7) {
            const auto b = static_cast<unsigned char>(data_[pos_++]);
            out |= std::uint64_t(b & 0x7f) << shift;
            if (!(b & 0x80)) return true;
        }
        return false;
    }
    std::string_view data_;
    std::size_t pos_ = 0;
};

// ---- SQLite ----

class Database {
public:
    ~Database() {
        if (db_) sqlite3_close(db_);
    }
    // Opens the bytes of a collection read-only in memory.
    Status open(std::string bytes) {
        bytes_ = std::move(bytes);
        // An image in WAL mode cannot be opened from memory; as a rollback journal file it
        // reads the same.
        if (bytes_.size() > 19 && (bytes_[18] == 2 || bytes_[19] == 2)) bytes_[18] = bytes_[19] = 1;
        if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            return Status::failure("SQLite cannot open a database in memory");
        const int rc =
            sqlite3_deserialize(db_, "main", reinterpret_cast<unsigned char*>(bytes_.data()),
                                sqlite3_int64(bytes_.size()), sqlite3_int64(bytes_.size()),
                                SQLITE_DESERIALIZE_READONLY);
        if (rc != SQLITE_OK) return Status::failure(sqlite3_errmsg(db_));
        // A damaged file shows at the first read.
        return exec("select count(*) from sqlite_master");
    }
    Status exec(const char* sql) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK)
            return Status::failure(sqlite3_errmsg(db_));
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) return Status::failure(sqlite3_errmsg(db_));
        return Status::success();
    }
    bool hasTable(const char* name) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, "select 1 from sqlite_master where type='table' and name=?", -1,
                               &stmt, nullptr) != SQLITE_OK)
            return false;
        sqlite3_bind_text(stmt, 1, name, -1, SQLITE_STATIC);
        const bool found = sqlite3_step(stmt) == SQLITE_ROW;
        sqlite3_finalize(stmt);
        return found;
    }
    // Runs a query, calling `row` for each row. Fails with SQLite's message.
    template <class F> Status query(const char* sql, F&& row) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK)
            return Status::failure(sqlite3_errmsg(db_));
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
            row(stmt);
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) return Status::failure(sqlite3_errmsg(db_));
        return Status::success();
    }

private:
    sqlite3* db_ = nullptr;
    std::string bytes_;
};

std::string text(sqlite3_stmt* stmt, int column) {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_blob(stmt, column));
    return p ? std::string(p, std::size_t(sqlite3_column_bytes(stmt, column))) : std::string();
}

// ---- Note types ----

enum class Kind { Basic, Reversed, OptionalReversed, Cloze, Occlusion, Other };

struct NoteType {
    std::string name;
    Kind kind = Kind::Other;
    std::vector<std::string> fields;
};

Kind kindOf(const std::string& name, bool cloze) {
    const std::string n = lower(name);
    if (n.find("image occlusion") != std::string::npos) return Kind::Occlusion;
    if (cloze) return Kind::Cloze;
    if (n.starts_with("basic (and reversed card")) return Kind::Reversed;
    if (n.starts_with("basic (optional reversed card")) return Kind::OptionalReversed;
    if (n.starts_with("basic")) return Kind::Basic;
    return Kind::Other;
}

using NoteTypes = std::unordered_map<long long, NoteType>;
using Decks = std::unordered_map<long long, std::string>;

struct Collection {
    NoteTypes types;
    Decks decks;
};

Status readLegacyCol(Database& db, Collection& col) {
    std::string models, decks;
    const Status read = db.query("select models, decks from col", [&](sqlite3_stmt* s) {
        models = text(s, 0);
        decks = text(s, 1);
    });
    if (!read) return read;
    QJsonParseError error;
    const QJsonDocument m = QJsonDocument::fromJson(QByteArray::fromStdString(models), &error);
    if (!m.isObject()) return Status::failure("its note types cannot be read");
    const QJsonObject mo = m.object();
    for (auto it = mo.begin(); it != mo.end(); ++it) {
        const QJsonObject o = it.value().toObject();
        NoteType type;
        type.name = o.value(QStringLiteral("name")).toString().toStdString();
        std::vector<std::pair<int, std::string>> fields;
        for (const QJsonValue& f : o.value(QStringLiteral("flds")).toArray())
            fields.emplace_back(
                f.toObject().value(QStringLiteral("ord")).toInt(),
                f.toObject().value(QStringLiteral("name")).toString().toStdString());
        std::stable_sort(fields.begin(), fields.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& f : fields)
            type.fields.push_back(std::move(f.second));
        type.kind = kindOf(type.name, o.value(QStringLiteral("type")).toInt() == 1);
        col.types[it.key().toLongLong()] = std::move(type);
    }
    const QJsonDocument d = QJsonDocument::fromJson(QByteArray::fromStdString(decks), &error);
    if (!d.isObject()) return Status::failure("its decks cannot be read");
    const QJsonObject dobj = d.object();
    for (auto it = dobj.begin(); it != dobj.end(); ++it)
        col.decks[it.key().toLongLong()] =
            it.value().toObject().value(QStringLiteral("name")).toString().toStdString();
    return Status::success();
}

Status readNewerTables(Database& db, Collection& col) {
    Status s = db.query("select id, name, config from notetypes", [&](sqlite3_stmt* st) {
        NoteType type;
        type.name = text(st, 1);
        // Notetype.Config: field 1 is the kind, 1 for Cloze.
        bool cloze = false;
        const std::string configBytes = text(st, 2); // the reader only views it
        Proto config(configBytes);
        while (config.next())
            if (config.field == 1 && config.wire == 0) cloze = config.number == 1;
        type.kind = kindOf(type.name, cloze);
        col.types[sqlite3_column_int64(st, 0)] = std::move(type);
    });
    if (!s) return s;
    s = db.query("select ntid, name from fields order by ntid, ord", [&](sqlite3_stmt* st) {
        auto it = col.types.find(sqlite3_column_int64(st, 0));
        if (it != col.types.end()) it->second.fields.push_back(text(st, 1));
    });
    if (!s) return s;
    return db.query("select id, name from decks", [&](sqlite3_stmt* st) {
        // The newer collection separates deck names by 0x1F instead of "::".
        std::string name;
        for (const std::string& part : splitOn(text(st, 1), '\x1f'))
            name += (name.empty() ? "" : "::") + part;
        col.decks[sqlite3_column_int64(st, 0)] = std::move(name);
    });
}

// ---- Fields ----

// Takes every <img src="..."> out of a field's pictures list (the tag stays; FieldLines
// drops it) and every [sound:NAME] out of the field.
void takeMedia(std::string& field, std::vector<std::string>& pictures,
               std::vector<std::string>& sounds) {
    const std::string low = lower(field);
    for (std::size_t at = low.find("<img"); at != std::string::npos;
         at = low.find("<img", at + 4)) {
        const std::size_t end = low.find('>', at);
        if (end == std::string::npos) break;
        std::size_t src = low.find("src", at);
        if (src == std::string::npos || src > end) continue;
        src += 3;
        while (src < end && (low[src] == ' ' || low[src] == '='))
            ++src;
        std::string name;
        if (low[src] == '"' || low[src] == '\'') {
            const char quote = low[src];
            const std::size_t close = low.find(quote, src + 1);
            if (close == std::string::npos || close > end) continue;
            name = field.substr(src + 1, close - src - 1);
        } else {
            std::size_t stop = src;
            while (stop < end && low[stop] != ' ' && low[stop] != '/')
                ++stop;
            name = field.substr(src, stop - src);
        }
        name = DecodeEntities(name);
        if (!name.empty() && std::find(pictures.begin(), pictures.end(), name) == pictures.end())
            pictures.push_back(std::move(name));
    }
    std::string out;
    std::size_t pos = 0;
    for (std::size_t at = field.find("[sound:"); at != std::string::npos;
         at = field.find("[sound:", pos)) {
        const std::size_t close = field.find(']', at);
        if (close == std::string::npos) break;
        out += field.substr(pos, at - pos);
        std::string name = DecodeEntities(field.substr(at + 7, close - at - 7));
        if (!name.empty()) sounds.push_back(std::move(name));
        pos = close + 1;
    }
    out += field.substr(pos);
    field = std::move(out);
}

} // namespace

// ---- Cloze ----

std::vector<ClozeCard> ClozeCards(std::string_view field) {
    struct Deletion {
        std::size_t begin, end; // the whole {{cN::...}}
        int number;
        std::string text, hint;
    };
    std::vector<Deletion> deletions;
    for (std::size_t at = field.find("{{c"); at != std::string_view::npos;
         at = field.find("{{c", at + 1)) {
        std::size_t p = at + 3;
        int number = 0;
        while (p < field.size() && field[p] >= '0' && field[p] <= '9' && number < 100000)
            number = number * 10 + (field[p++] - '0');
        if (p == at + 3 || field.substr(p, 2) != "::") continue;
        const std::size_t close = field.find("}}", p + 2);
        if (close == std::string_view::npos) break;
        std::string_view body = field.substr(p + 2, close - p - 2);
        Deletion d{at, close + 2, number, {}, {}};
        const std::size_t hint = body.find("::");
        d.text = std::string(body.substr(0, hint));
        if (hint != std::string_view::npos) d.hint = std::string(body.substr(hint + 2));
        deletions.push_back(std::move(d));
        at = close + 1;
    }
    std::set<int> numbers;
    for (const Deletion& d : deletions)
        numbers.insert(d.number);
    std::vector<ClozeCard> cards;
    for (int n : numbers) {
        ClozeCard card;
        card.number = n;
        std::size_t pos = 0;
        for (const Deletion& d : deletions) {
            card.question += field.substr(pos, d.begin - pos);
            if (d.number == n) {
                card.question += "[" + (d.hint.empty() ? std::string("...") : d.hint) + "]";
                if (!card.answer.empty()) card.answer += " / ";
                card.answer += d.text;
            } else {
                card.question += d.text;
            }
            pos = d.end;
        }
        card.question += field.substr(pos);
        cards.push_back(std::move(card));
    }
    return cards;
}

bool LooksLikeZip(std::string_view head) {
    return head.starts_with("PK\x03\x04") || head.starts_with("PK\x05\x06");
}

// ---- zstd ----

Result<std::string> ZstdDecompress(std::string_view data, std::uint64_t limit) {
    using R = Result<std::string>;
    ZSTD_DStream* stream = ZSTD_createDStream();
    if (!stream) return R::failure("zstd cannot start");
    std::string out;
    ZSTD_inBuffer in{data.data(), data.size(), 0};
    std::vector<char> chunk(ZSTD_DStreamOutSize());
    std::size_t rc = 1;
    while (in.pos < in.size) {
        ZSTD_outBuffer o{chunk.data(), chunk.size(), 0};
        rc = ZSTD_decompressStream(stream, &o, &in);
        if (ZSTD_isError(rc)) {
            ZSTD_freeDStream(stream);
            return R::failure(std::string("it is no zstd data: ") + ZSTD_getErrorName(rc));
        }
        if (out.size() + o.pos > limit) {
            ZSTD_freeDStream(stream);
            return R::failure("it would unpack to more than " + std::to_string(limit) + " bytes");
        }
        out.append(chunk.data(), o.pos);
        if (o.pos == 0 && in.pos < in.size && rc == 0) break;
    }
    // Flush what the decoder still holds.
    while (rc != 0) {
        ZSTD_outBuffer o{chunk.data(), chunk.size(), 0};
        rc = ZSTD_decompressStream(stream, &o, &in);
        if (ZSTD_isError(rc) || o.pos == 0) break;
        if (out.size() + o.pos > limit) {
            ZSTD_freeDStream(stream);
            return R::failure("it would unpack to more than " + std::to_string(limit) + " bytes");
        }
        out.append(chunk.data(), o.pos);
    }
    ZSTD_freeDStream(stream);
    if (rc != 0) return R::failure("its zstd data are cut short");
    return out;
}

// ---- The zip ----

PackageFile::~PackageFile() {
    if (zip_) zip_discard(zip_);
}

namespace {

// The reason libzip gives for a zip it cannot open, or for one that ends before its
// directory (`head`: the first bytes).
std::string zipOpenFailure(int error, std::string_view head) {
    if (error == ZIP_ER_NOZIP) {
        // A zip cut short has its start but not the directory at its end.
        if (LooksLikeZip(head))
            return "it is a damaged zip file (its directory is missing: the file may be cut "
                   "short)";
        return "it is no zip file";
    }
    zip_error_t e;
    zip_error_init_with_code(&e, error);
    std::string why = zip_error_strerror(&e);
    zip_error_fini(&e);
    if (error == ZIP_ER_NOENT || error == ZIP_ER_OPEN || error == ZIP_ER_READ) return why;
    return "it is a damaged zip file (" + why + ")";
}

} // namespace

Result<std::unique_ptr<PackageFile>> PackageFile::open(const QString& path,
                                                       const PackageLimits& limits) {
    int error = 0;
    const QByteArray local = path.toLocal8Bit();
    zip_t* z = zip_open(local.constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!z) {
        QFile head(path);
        const QByteArray start = head.open(QIODevice::ReadOnly) ? head.read(4) : QByteArray();
        return Result<std::unique_ptr<PackageFile>>::failure(
            zipOpenFailure(error, std::string_view(start.constData(), std::size_t(start.size()))));
    }
    return checked(z, limits, nullptr);
}

Result<std::unique_ptr<PackageFile>> PackageFile::openBytes(std::string data,
                                                            const PackageLimits& limits) {
    using R = Result<std::unique_ptr<PackageFile>>;
    auto bytes = std::make_unique<std::string>(std::move(data));
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* source = zip_source_buffer_create(bytes->data(), bytes->size(), 0, &e);
    if (!source) {
        zip_error_fini(&e);
        return R::failure("libzip cannot read from memory");
    }
    zip_t* z = zip_open_from_source(source, ZIP_RDONLY | ZIP_CHECKCONS, &e);
    if (!z) {
        const int error = zip_error_code_zip(&e);
        zip_error_fini(&e);
        zip_source_free(source);
        return R::failure(zipOpenFailure(error, *bytes));
    }
    zip_error_fini(&e);
    return checked(z, limits, std::move(bytes));
}

Result<std::unique_ptr<PackageFile>> PackageFile::checked(::zip* z, const PackageLimits& limits,
                                                          std::unique_ptr<std::string> bytes) {
    using R = Result<std::unique_ptr<PackageFile>>;
    std::unique_ptr<PackageFile> file(new PackageFile);
    file->bytes_ = std::move(bytes);
    file->zip_ = z;
    file->limits_ = limits;
    const zip_int64_t count = zip_get_num_entries(z, 0);
    std::uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(z, zip_uint64_t(i), 0, &st) != 0)
            return R::failure(std::string("it is a damaged zip file (") + zip_strerror(z) + ")");
        const std::string name = st.name ? st.name : "";
        total += st.size;
        if (total > limits.maxUnpacked)
            return R::failure("its entries would unpack to more than " +
                              (limits.maxUnpacked % (std::uint64_t(1) << 30) == 0
                                   ? std::to_string(limits.maxUnpacked >> 30) + " GB"
                                   : std::to_string(limits.maxUnpacked) + " bytes"));
        if (st.size >= limits.ratioFloor &&
            double(st.size) > limits.maxRatio * double(std::max<zip_uint64_t>(st.comp_size, 1)))
            return R::failure("its entry \"" + name + "\" would unpack to more than " +
                              std::to_string(int(limits.maxRatio)) + " times its packed size");
    }
    return file;
}

bool PackageFile::has(const std::string& entry) const {
    return zip_name_locate(zip_, entry.c_str(), 0) >= 0;
}

Result<std::string> PackageFile::read(const std::string& entry) const {
    using R = Result<std::string>;
    const zip_int64_t index = zip_name_locate(zip_, entry.c_str(), 0);
    if (index < 0) return R::failure("it holds no \"" + entry + "\"");
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(zip_, zip_uint64_t(index), 0, &st) != 0)
        return R::failure("its entry \"" + entry + "\" is damaged");
    zip_file_t* f = zip_fopen_index(zip_, zip_uint64_t(index), 0);
    if (!f)
        return R::failure("its entry \"" + entry + "\" is damaged (" + zip_strerror(zip_) + ")");
    std::string bytes(std::size_t(st.size), '\0');
    std::size_t got = 0;
    while (got < bytes.size()) {
        const zip_int64_t n = zip_fread(f, bytes.data() + got, bytes.size() - got);
        if (n <= 0) break;
        got += std::size_t(n);
    }
    // libzip checks the CRC when the entry is read to its end.
    char extra;
    const zip_int64_t more = got == bytes.size() ? zip_fread(f, &extra, 1) : -1;
    std::string why = more < 0 ? zip_file_strerror(f) : std::string();
    zip_fclose(f);
    if (got != bytes.size() || more != 0)
        return R::failure("its entry \"" + entry + "\" is damaged" +
                          (why.empty() ? std::string() : " (" + why + ")"));
    return bytes;
}

std::uint64_t PackageFile::unpackLimit(std::size_t packed) const {
    const double byRatio = limits_.maxRatio * double(packed);
    return std::min<std::uint64_t>(
        limits_.maxUnpacked, std::max<std::uint64_t>(limits_.ratioFloor, std::uint64_t(byRatio)));
}

Result<std::string> PackageFile::readMedia(const std::string& entry, bool zstd) const {
    Result<std::string> bytes = read(entry);
    if (!bytes || !zstd || !bytes.value().starts_with("\x28\xb5\x2f\xfd")) return bytes;
    Result<std::string> plain = ZstdDecompress(bytes.value(), unpackLimit(bytes.value().size()));
    if (!plain)
        return Result<std::string>::failure("its entry \"" + entry + "\": " + plain.error());
    return plain;
}

// ---- The package ----

namespace {

Status readMediaList(const PackageFile& package, AnkiPackage& out) {
    if (!package.has("media")) return Status::success();
    Result<std::string> list = package.read("media");
    if (!list) return Status::failure(list.error());
    std::string bytes = std::move(list.value());
    if (bytes.starts_with("\x28\xb5\x2f\xfd")) {
        // MediaEntries { repeated MediaEntry entries = 1; } with MediaEntry { string name =
        // 1; uint32 size = 2; bytes sha1 = 3; optional uint32 legacy_zip_filename = 255; }:
        // the file of entry i is the zip entry "i", or the legacy number when given.
        Result<std::string> plain = ZstdDecompress(bytes, std::uint64_t(64) << 20);
        if (!plain) return Status::failure("its media list cannot be read: " + plain.error());
        Proto entries(plain.value());
        int index = 0;
        while (entries.next()) {
            if (entries.field != 1 || entries.wire != 2) continue;
            Proto entry(entries.bytes);
            std::string name;
            long long legacy = -1;
            while (entry.next()) {
                if (entry.field == 1 && entry.wire == 2) name = std::string(entry.bytes);
                if (entry.field == 255 && entry.wire == 0) legacy = (long long)entry.number;
            }
            out.media.emplace(name, std::to_string(legacy >= 0 ? legacy : index));
            ++index;
        }
        out.zstdMedia = true;
        return Status::success();
    }
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(bytes));
    if (!doc.isObject()) return Status::failure("its media list cannot be read");
    const QJsonObject o = doc.object();
    for (auto it = o.begin(); it != o.end(); ++it)
        out.media.emplace(it.value().toString().toStdString(), it.key().toStdString());
    return Status::success();
}

bool isPlaceholder(Database& db) {
    int notes = 0;
    bool placeholder = false;
    db.query("select flds from notes limit 2", [&](sqlite3_stmt* s) {
        ++notes;
        placeholder = lower(text(s, 0)).find(PlaceholderText) != std::string::npos;
    });
    return notes == 1 && placeholder;
}

} // namespace

Result<AnkiPackage> ReadAnkiPackage(const PackageFile& package) {
    using R = Result<AnkiPackage>;
    AnkiPackage out;
    out.notes.markup = FieldMarkup::Html;
    out.notes.format = "Anki package";

    const char* const names[] = {"collection.anki21b", "collection.anki21", "collection.anki2"};
    const char* chosen = nullptr;
    for (const char* name : names)
        if (package.has(name)) {
            chosen = name;
            break;
        }
    if (!chosen) return R::failure("it holds no Anki collection (the package is empty)");
    out.collection = chosen;
    const bool newer = std::strcmp(chosen, "collection.anki21b") == 0;

    Result<std::string> bytes = package.read(chosen);
    if (!bytes) return R::failure(bytes.error());
    if (newer) {
        Result<std::string> plain =
            ZstdDecompress(bytes.value(), package.unpackLimit(bytes.value().size()));
        if (!plain) return R::failure("its collection cannot be unpacked: " + plain.error());
        bytes = std::move(plain);
    }
    Database db;
    if (Status s = db.open(std::move(bytes.value())); !s)
        return R::failure("its collection is damaged (" + s.error + ")");
    if (!newer && isPlaceholder(db))
        return R::failure(
            "it holds only the placeholder collection that newer versions of Anki write for "
            "older ones; export the deck again in Anki with \"Support older Anki versions\" "
            "ticked, then import that file");

    Collection col;
    Status read = db.hasTable("notetypes") ? readNewerTables(db, col) : readLegacyCol(db, col);
    if (!read) return R::failure("its collection is damaged (" + read.error + ")");

    std::unordered_map<long long, long long> deckOf; // note -> deck of its first card
    // A card in a filtered deck keeps its own deck in odid.
    read = db.query("select nid, case when odid != 0 then odid else did end from cards "
                    "order by nid, ord, id",
                    [&](sqlite3_stmt* s) {
                        deckOf.try_emplace(sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1));
                    });
    if (!read) return R::failure("its collection is damaged (" + read.error + ")");

    std::map<std::string, int> skipped, byFields; // note type name -> notes
    int line = 0;
    read =
        db.query("select id, guid, mid, tags, flds from notes order by id", [&](sqlite3_stmt* s) {
            ++line;
            ImportNote note;
            note.line = line;
            note.guid = text(s, 1);
            const auto type = col.types.find(sqlite3_column_int64(s, 2));
            const NoteType unknown{"(unknown)", Kind::Other, {}};
            const NoteType& nt = type == col.types.end() ? unknown : type->second;
            note.notetype = nt.name;
            if (nt.kind == Kind::Occlusion) {
                ++skipped[nt.name];
                return;
            }
            if (nt.kind == Kind::Other) ++byFields[nt.name];
            for (std::string& tag : splitOn(text(s, 3), ' '))
                if (!tag.empty()) note.tags.push_back(std::move(tag));
            if (auto d = deckOf.find(sqlite3_column_int64(s, 0)); d != deckOf.end())
                if (auto name = col.decks.find(d->second); name != col.decks.end())
                    note.deck = name->second;
            std::vector<std::string> fields = splitOn(text(s, 4), '\x1f');
            std::vector<std::string> names = nt.fields;
            names.resize(std::max(names.size(), fields.size()));

            if (nt.kind == Kind::Cloze) {
                const std::vector<ClozeCard> cards = ClozeCards(fields.empty() ? "" : fields[0]);
                if (cards.empty()) {
                    // No deletion: nothing to ask; the builder counts it without a question.
                    note.fields = {std::string(), std::string()};
                    out.notes.notes.push_back(std::move(note));
                    return;
                }
                for (const ClozeCard& card : cards) {
                    ImportNote c = note;
                    c.fields = {card.question, card.answer};
                    c.fieldNames = {names.empty() ? "Text" : names[0], "Answer"};
                    for (std::size_t f = 1; f < fields.size(); ++f) {
                        c.fields.push_back(fields[f]);
                        c.fieldNames.push_back(names[f]);
                    }
                    takeMedia(c.fields[0], c.questionPictures, c.questionSounds);
                    takeMedia(c.fields[1], c.answerPictures, c.answerSounds);
                    for (std::size_t f = 2; f < c.fields.size(); ++f)
                        takeMedia(c.fields[f], c.otherPictures, c.answerSounds);
                    out.notes.notes.push_back(std::move(c));
                }
                return;
            }
            if (nt.kind == Kind::Reversed) note.reversed = true;
            if (nt.kind == Kind::OptionalReversed)
                note.reversed =
                    fields.size() > 2 && !FieldLines(fields[2], FieldMarkup::Html).empty();
            for (std::size_t f = 0; f < fields.size(); ++f) {
                if (f == 0)
                    takeMedia(fields[f], note.questionPictures, note.questionSounds);
                else if (f == 1)
                    takeMedia(fields[f], note.answerPictures, note.answerSounds);
                else
                    takeMedia(fields[f], note.otherPictures, note.answerSounds);
            }
            note.fields = std::move(fields);
            note.fieldNames = std::move(names);
            out.notes.notes.push_back(std::move(note));
        });
    if (!read) return R::failure("its collection is damaged (" + read.error + ")");
    for (const auto& [name, n] : skipped)
        out.notices.push_back(std::to_string(n) + (n == 1 ? " note" : " notes") + " of type " +
                              name + " skipped (only pictures and masks)");
    for (const auto& [name, n] : byFields)
        out.notices.push_back(std::to_string(n) + (n == 1 ? " note" : " notes") + " of type " +
                              name + " read by " + (n == 1 ? "its" : "their") +
                              " fields (first the question, second the answer)");
    if (Status media = readMediaList(package, out); !media) return R::failure(media.error);
    return out;
}

} // namespace brenvik
