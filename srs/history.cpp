#include "srs/history.h"

#include "library/nodekind.h"
#include "study/core/collect.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <QtEndian>

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace brenvik::srs {

namespace {

// "BvHs" in the database header: a history file is told from any other SQLite file.
constexpr int ApplicationId = 0x42764873;
constexpr int SchemaVersion = 1;

const char* const SchemaStatements[] = {
    "CREATE TABLE questions ("
    " id INTEGER PRIMARY KEY, path BLOB NOT NULL, text BLOB NOT NULL,"
    " path_hash INTEGER NOT NULL, text_hash INTEGER NOT NULL,"
    " gone INTEGER NOT NULL DEFAULT 0, card BLOB NOT NULL)",
    // One row per visit: the grade (0 seen), the phase before it, the schedule after it.
    "CREATE TABLE grades ("
    " id INTEGER PRIMARY KEY, question INTEGER NOT NULL, time INTEGER NOT NULL,"
    " grade INTEGER NOT NULL, before INTEGER NOT NULL, phase INTEGER NOT NULL,"
    " stability REAL NOT NULL, difficulty REAL NOT NULL, due INTEGER NOT NULL)",
    "CREATE INDEX grades_time ON grades(time)",
    "PRAGMA application_id = 1115048051",
    "PRAGMA user_version = 1",
};
static_assert(ApplicationId == 1115048051);

QString SqlReason(const QSqlError& error) {
    const QString db = error.databaseText().trimmed();
    return db.isEmpty() ? error.text().trimmed() : db;
}

QByteArray Blob(const std::string& s) {
    return QByteArray(s.data(), qsizetype(s.size()));
}

// The names from the library down, joined by " > ", as node bytes, handed to `add` part by
// part.
template <class Add> void PathParts(const LibraryTree& tree, NodeId question, Add&& add) {
    NodeId chain[64];
    int n = 0;
    for (NodeId m = question; m != NoNode && tree.parent(m) != NoNode && n < 64; m = tree.parent(m))
        chain[n++] = m;
    for (int i = n - 1; i >= 0; --i) {
        add(tree.text(chain[i]));
        if (i) add(std::string_view(" > "));
    }
}

// The lines of the question's text panes and its answer line, without its name: a
// question renamed or moved outside the program is found by them.
template <class Add> void TextParts(const LibraryTree& tree, NodeId question, Add&& add) {
    for (NodeId settings = tree.firstChild(question); settings != NoNode;
         settings = tree.nextSibling(settings)) {
        if (tree.kind(settings) != SettingsNode) continue;
        for (NodeId c = tree.firstChild(settings); c != NoNode; c = tree.nextSibling(c)) {
            if (tree.kind(c) == AnswerLine) {
                add(tree.text(c));
                break;
            }
            if (tree.kind(c) != PaneNode) continue;
            for (NodeId choice = tree.firstChild(c); choice != NoNode;
                 choice = tree.nextSibling(choice)) {
                if (tree.kind(choice) != TextChoiceLine) continue;
                for (NodeId lines = tree.firstChild(choice); lines != NoNode;
                     lines = tree.nextSibling(lines))
                    if (tree.kind(lines) == NotesNode)
                        for (NodeId line = tree.firstChild(lines); line != NoNode;
                             line = tree.nextSibling(line)) {
                            add(tree.text(line));
                            add(std::string_view("\n"));
                        }
                break;
            }
        }
        break;
    }
}

// 64-bit FNV-1a. Opening matches questions by the hashes of their paths and texts, so it
// builds and compares no strings; the hashes are stored with each question, so the
// function must never change.
struct Hash {
    std::uint64_t value = 14695981039346656037ull;
    void operator()(std::string_view bytes) {
        for (unsigned char c : bytes) {
            value ^= c;
            value *= 1099511628211ull;
        }
    }
};

std::string PathOf(const LibraryTree& tree, NodeId question) {
    std::string path;
    PathParts(tree, question, [&](std::string_view part) { path += part; });
    return path;
}

std::string TextOf(const LibraryTree& tree, NodeId question) {
    std::string text;
    TextParts(tree, question, [&](std::string_view part) { text += part; });
    return text;
}

std::uint64_t PathHash(const LibraryTree& tree, NodeId question) {
    Hash h;
    PathParts(tree, question, h);
    return h.value;
}

// PathHash for questions in tree order: siblings share their parent's part of the hash.
class PathHasher {
public:
    explicit PathHasher(const LibraryTree& tree) : tree_(tree) {}
    std::uint64_t operator()(NodeId question) {
        const NodeId parent = tree_.parent(question);
        if (parent != parent_ || parent == NoNode) {
            parent_ = parent;
            prefix_ = Hash();
            bool any = false;
            if (parent != NoNode)
                PathParts(tree_, parent, [&](std::string_view part) {
                    prefix_(part);
                    any = true;
                });
            if (any) prefix_(std::string_view(" > "));
        }
        Hash h = prefix_;
        if (parent != NoNode) h(tree_.text(question));
        return h.value;
    }

private:
    const LibraryTree& tree_;
    NodeId parent_ = NoNode;
    Hash prefix_;
};

std::uint64_t TextHash(const LibraryTree& tree, NodeId question) {
    Hash h;
    TextParts(tree, question, h);
    return h.value;
}

// A question's schedule in the database: one blob of little-endian fields (phase and step,
// S and D as IEEE doubles, the last grade, due and first-grade times, reps and lapses), so
// opening reads one value per question instead of nine.
constexpr int PackedCardSize = 1 + 4 + 8 * 5 + 4 + 4;

QByteArray PackCard(const Card& c) {
    QByteArray bytes(PackedCardSize, '\0');
    char* p = bytes.data();
    auto put = [&](auto value) {
        qToLittleEndian(value, p);
        p += sizeof value;
    };
    put(std::uint8_t(c.phase));
    put(std::int32_t(c.step));
    put(c.stability);
    put(c.difficulty);
    put(std::int64_t(c.graded));
    put(std::int64_t(c.due));
    put(std::int64_t(c.introduced));
    put(std::int32_t(c.reps));
    put(std::int32_t(c.lapses));
    return bytes;
}

// A blob of another size, or a phase out of range, reads as a new question.
Card UnpackCard(const QByteArray& bytes) {
    Card c;
    if (bytes.size() != PackedCardSize) return c;
    const char* p = bytes.constData();
    auto get = [&](auto& value) {
        value = qFromLittleEndian<std::remove_reference_t<decltype(value)>>(p);
        p += sizeof value;
    };
    std::uint8_t phase = 0;
    std::int32_t step = 0, reps = 0, lapses = 0;
    std::int64_t graded = 0, due = 0, introduced = 0;
    get(phase);
    get(step);
    get(c.stability);
    get(c.difficulty);
    get(graded);
    get(due);
    get(introduced);
    get(reps);
    get(lapses);
    if (phase > std::uint8_t(Phase::Relearning)) return Card();
    c.phase = Phase(phase);
    c.step = step;
    c.graded = graded;
    c.due = due;
    c.introduced = introduced;
    c.reps = reps;
    c.lapses = lapses;
    return c;
}

bool IsQuestion(const LibraryTree& tree, NodeId n) {
    return n != NoNode && tree.isValid(n) && tree.isAttached(n) && tree.kind(n) == Question;
}

Status SyncPath(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Status::failure(QString::fromLocal8Bit(std::strerror(errno)));
    const bool ok = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
    const int err = errno;
    ::close(fd);
    if (!ok) return Status::failure(QString::fromLocal8Bit(std::strerror(err)));
    return Status::success();
}

// The local calendar day of a zone, by arithmetic on the offsets it has over a span of
// time: QDateTime in a time zone costs microseconds a call, and the statistics ask for the
// day of every row of a year. Outside the span, or for a zone that cannot list its
// transitions, QDateTime answers.
class LocalDays {
public:
    LocalDays(const QTimeZone& zone, UnixSeconds from, UnixSeconds to)
        : zone_(zone), from_(from), to_(to) {
        const QDateTime start = QDateTime::fromSecsSinceEpoch(from, QTimeZone::utc());
        const QDateTime end = QDateTime::fromSecsSinceEpoch(to, QTimeZone::utc());
        exact_ = zone.isValid() && (zone.hasTransitions() || !zone.hasDaylightTime());
        if (!exact_) return;
        segments_.push_back({from, zone.offsetFromUtc(start)});
        if (zone.hasTransitions())
            for (const QTimeZone::OffsetData& d : zone.transitions(start, end))
                segments_.push_back({d.atUtc.toSecsSinceEpoch(), d.offsetFromUtc});
    }

    // Days from 1970-01-01 to the local date of `t`.
    qint64 number(UnixSeconds t) const {
        if (!exact_ || t < from_ || t > to_)
            return QDate(1970, 1, 1).daysTo(QDateTime::fromSecsSinceEpoch(t, zone_).date());
        int offset = segments_.front().offset;
        for (const Segment& s : segments_) {
            if (t < s.start) break;
            offset = s.offset;
        }
        const qint64 local = t + offset;
        return local >= 0 ? local / SecondsPerDay : -((-local + SecondsPerDay - 1) / SecondsPerDay);
    }

private:
    struct Segment {
        UnixSeconds start;
        int offset;
    };
    QTimeZone zone_;
    UnixSeconds from_, to_;
    bool exact_ = false;
    std::vector<Segment> segments_;
};

// Where the rows of a scan go: SQLite calls the history's function brenvik_visit for every
// row from within the statement, with the sink as its data.
struct VisitSink {
    void* context = nullptr;
    void (*row)(void* context, qint64 question, UnixSeconds time, int grade, int before) = nullptr;
};

void VisitStep(sqlite3_context* call, int, sqlite3_value** v) {
    const auto* sink = static_cast<const VisitSink*>(sqlite3_user_data(call));
    if (sink->row)
        sink->row(sink->context, sqlite3_value_int64(v[0]), sqlite3_value_int64(v[1]),
                  sqlite3_value_int(v[2]), sqlite3_value_int(v[3]));
}

void VisitFinal(sqlite3_context* call) {
    sqlite3_result_null(call);
}

} // namespace

// One SQLite connection through Qt SQL with the few statements the history runs. A file or
// an in-memory database; every error comes back as the reason alone.
class StudyHistory::Store {
public:
    ~Store() {
        insertQuestion_.reset();
        updateQuestion_.reset();
        updateNames_.reset();
        updateGone_.reset();
        insertGrade_.reset();
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }

    static QString driverMissing() {
        return QStringLiteral("the SQLite driver of Qt SQL (QSQLITE, package "
                              "libqt6sql6-sqlite) is not installed");
    }

    static std::unique_ptr<Store> memory() {
        auto store = std::unique_ptr<Store>(new Store(QString()));
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) return store;
        store->db_.setDatabaseName(QStringLiteral(":memory:"));
        if (store->db_.open() && store->schema().ok()) store->prepare();
        return store;
    }

    // An existing file: checked to be a history this program can write.
    static Result<std::unique_ptr<Store>> file(const QString& path) {
        using R = Result<std::unique_ptr<Store>>;
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
            return R::failure(driverMissing().toStdString());
        const QFileInfo info(path);
        if (!info.isFile()) return R::failure("not a file");
        if (!info.isWritable()) return R::failure("the file is read-only");
        // WAL keeps two files beside the database.
        if (!QFileInfo(info.absolutePath()).isWritable())
            return R::failure("its folder is read-only");
        auto store = std::unique_ptr<Store>(new Store(path));
        QSqlDatabase& db = store->db_;
        db.setDatabaseName(path);
        // A locked database is waited for briefly, never for long: a grade must not hang.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=1000"));
        if (!db.open()) return R::failure(SqlReason(db.lastError()).toStdString());
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !q.next())
            return R::failure(SqlReason(q.lastError()).toStdString());
        if (!q.exec(QStringLiteral("PRAGMA synchronous = FULL")))
            return R::failure(SqlReason(q.lastError()).toStdString());
        if (!q.exec(QStringLiteral("PRAGMA application_id")) || !q.next())
            return R::failure(SqlReason(q.lastError()).toStdString());
        const int app = q.value(0).toInt();
        if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
            return R::failure(SqlReason(q.lastError()).toStdString());
        const int version = q.value(0).toInt();
        if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_schema")) || !q.next())
            return R::failure(SqlReason(q.lastError()).toStdString());
        const int tables = q.value(0).toInt();
        q.finish();
        if (app == 0 && version == 0 && tables == 0) {
            // An empty file of that name: made ours.
            if (const Status made = store->schema(); !made) return R::failure(made.error);
        } else if (app != ApplicationId) {
            return R::failure("not a Brenvik study history");
        } else if (version > SchemaVersion) {
            return R::failure("written by a newer version of Brenvik");
        }
        if (const Status ready = store->prepare(); !ready) return R::failure(ready.error);
        return R(std::move(store));
    }

    bool inMemory() const { return path_.isEmpty(); }
    const QString& path() const { return path_; }
    QSqlDatabase& db() { return db_; }
    bool usable() const { return db_.isOpen() && insertGrade_; }

    Status fromQuery(const QSqlQuery& q) const { return Status::failure(SqlReason(q.lastError())); }
    Status begin() {
        if (!usable()) return Status::failure(driverMissing());
        if (!db_.transaction()) return Status::failure(SqlReason(db_.lastError()));
        return Status::success();
    }
    Status commit() {
        if (db_.commit()) return Status::success();
        const Status failed = Status::failure(SqlReason(db_.lastError()));
        db_.rollback();
        return failed;
    }
    // Ends a failed transaction, handing its error on.
    Status abandon(Status failed) {
        db_.rollback();
        return failed;
    }

    Status insertQuestion(const Entry& e, const std::string& path, const std::string& text) {
        QSqlQuery& q = *insertQuestion_;
        q.bindValue(0, e.id);
        q.bindValue(1, Blob(path));
        q.bindValue(2, Blob(text));
        q.bindValue(3, qint64(e.pathHash));
        q.bindValue(4, qint64(e.textHash));
        q.bindValue(5, int(e.gone));
        q.bindValue(6, PackCard(e.card));
        return q.exec() ? Status::success() : fromQuery(q);
    }
    Status updateQuestion(const Entry& e) {
        QSqlQuery& q = *updateQuestion_;
        q.bindValue(0, PackCard(e.card));
        q.bindValue(1, e.id);
        return q.exec() ? Status::success() : fromQuery(q);
    }
    // The gone flag alone when `path` is null.
    Status updateNames(const Entry& e, const std::string* path, const std::string* text) {
        QSqlQuery& q = path ? *updateNames_ : *updateGone_;
        int at = 0;
        if (path) {
            q.bindValue(at++, Blob(*path));
            q.bindValue(at++, Blob(*text));
            q.bindValue(at++, qint64(e.pathHash));
            q.bindValue(at++, qint64(e.textHash));
        }
        q.bindValue(at++, int(e.gone));
        q.bindValue(at, e.id);
        return q.exec() ? Status::success() : fromQuery(q);
    }
    Status insertGrade(qint64 question, UnixSeconds time, Grade grade, Phase before,
                       const Card& after) {
        QSqlQuery& q = *insertGrade_;
        q.bindValue(0, question);
        q.bindValue(1, qint64(time));
        q.bindValue(2, int(grade));
        q.bindValue(3, int(before));
        q.bindValue(4, int(after.phase));
        q.bindValue(5, after.stability);
        q.bindValue(6, after.difficulty);
        q.bindValue(7, qint64(after.due));
        return q.exec() ? Status::success() : fromQuery(q);
    }

    // A copy of the whole database as the file `target`, replacing any there: written
    // beside it under another name, synced, then renamed over it, so `target` is the old
    // file or the whole new one.
    Status copyTo(const QString& target) {
        if (!usable()) return Status::failure(driverMissing());
        const QFileInfo info(target);
        const QString temporary =
            info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".new");
        QFile::remove(temporary);
        QSqlQuery q(db_);
        q.prepare(QStringLiteral("VACUUM INTO ?"));
        q.addBindValue(temporary);
        if (!q.exec()) {
            const Status failed = fromQuery(q);
            QFile::remove(temporary);
            return failed;
        }
        q.finish();
        if (const Status synced = SyncPath(temporary); !synced) {
            QFile::remove(temporary);
            return synced;
        }
        // A log left by an older database of that name must not be replayed into this one.
        for (const char* suffix : {"-wal", "-shm"})
            QFile::remove(target + QLatin1String(suffix));
        if (std::rename(QFile::encodeName(temporary).constData(),
                        QFile::encodeName(target).constData()) != 0) {
            const Status failed = Status::failure(QString::fromLocal8Bit(std::strerror(errno)));
            QFile::remove(temporary);
            return failed;
        }
        SyncPath(info.absolutePath()); // the rename itself; a folder that cannot sync is no loss
        return Status::success();
    }

    // Calls `row(question, time, grade, before)` for every visit from `from` to before `to`.
    // Read through SQLite itself, on the driver's own connection (QSqlDriver::handle(); the
    // QSQLITE driver links the system's libsqlite3, as brenvik_core does), by an aggregate
    // function of ours over the rows: a year of a big library is a million rows, and
    // stepping them out one by one (let alone as QSqlQuery's values) costs more than
    // reading them. A whole scan of the table beats the time index here: the rows of a year
    // are most of the table, and the index would visit them in an order far from the
    // file's.
    template <class Row> Status scanGrades(UnixSeconds from, UnixSeconds to, Row& row) {
        const QVariant handle = db_.driver()->handle();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
            return Status::failure("the database driver is not SQLite's");
        sqlite3* sql = *static_cast<sqlite3* const*>(handle.constData());
        if (!sql) return Status::failure("the database is not open");
        // Made once per connection: a function may not be replaced while a statement runs.
        if (!visitFunction_) {
            if (sqlite3_create_function_v2(sql, "brenvik_visit", 4, SQLITE_UTF8 | SQLITE_DIRECTONLY,
                                           &sink_, nullptr, VisitStep, VisitFinal,
                                           nullptr) != SQLITE_OK)
                return Status::failure(sqlite3_errmsg(sql));
            visitFunction_ = true;
        }
        sqlite3_stmt* statement = nullptr;
        const char* const text = "SELECT brenvik_visit(question, time, grade, before) FROM grades "
                                 "NOT INDEXED WHERE time >= ? AND time < ?";
        if (sqlite3_prepare_v2(sql, text, -1, &statement, nullptr) != SQLITE_OK)
            return Status::failure(sqlite3_errmsg(sql));
        sqlite3_bind_int64(statement, 1, from);
        sqlite3_bind_int64(statement, 2, to);
        sink_.context = &row;
        sink_.row = [](void* context, qint64 question, UnixSeconds time, int grade, int before) {
            (*static_cast<Row*>(context))(question, time, grade, before);
        };
        const int step = sqlite3_step(statement);
        sink_ = VisitSink();
        const Status done =
            step == SQLITE_ROW ? Status::success() : Status::failure(sqlite3_errmsg(sql));
        sqlite3_finalize(statement);
        return done;
    }

private:
    explicit Store(QString path) : path_(std::move(path)) {
        static std::atomic<int> counter{0};
        name_ = QStringLiteral("brenvik-history-%1").arg(++counter);
        if (QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
            db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
    }

    Status schema() {
        if (!db_.transaction()) return Status::failure(SqlReason(db_.lastError()));
        QSqlQuery q(db_);
        for (const char* statement : SchemaStatements)
            if (!q.exec(QString::fromLatin1(statement))) return abandon(fromQuery(q));
        return commit();
    }

    Status prepare() {
        auto make = [&](std::unique_ptr<QSqlQuery>& q, const char* sql) {
            q = std::make_unique<QSqlQuery>(db_);
            return q->prepare(QString::fromLatin1(sql));
        };
        const bool ok =
            make(insertQuestion_,
                 "INSERT INTO questions (id, path, text, path_hash, text_hash, gone, card) "
                 "VALUES (?, ?, ?, ?, ?, ?, ?)") &&
            make(updateQuestion_, "UPDATE questions SET card = ? WHERE id = ?") &&
            make(updateNames_, "UPDATE questions SET path = ?, text = ?, path_hash = ?, "
                               "text_hash = ?, gone = ? WHERE id = ?") &&
            make(updateGone_, "UPDATE questions SET gone = ? WHERE id = ?") &&
            make(insertGrade_,
                 "INSERT INTO grades (question, time, grade, before, phase, stability, "
                 "difficulty, due) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        if (ok) return Status::success();
        Status failed = Status::failure(SqlReason(db_.lastError()));
        insertGrade_.reset();
        return failed;
    }

    QString path_, name_;
    QSqlDatabase db_;
    std::unique_ptr<QSqlQuery> insertQuestion_, updateQuestion_, updateNames_, updateGone_,
        insertGrade_;
    VisitSink sink_;
    bool visitFunction_ = false;
};

StudyHistory::StudyHistory(LibraryTree& tree, Scheduler scheduler)
    : tree_(tree), scheduler_(std::move(scheduler)), zone_(QTimeZone::systemTimeZone()) {
    tree_.setReleaseListener(this);
    openUnsaved();
}

StudyHistory::~StudyHistory() {
    if (tree_.releaseListener() == this) tree_.setReleaseListener(nullptr);
}

QString StudyHistory::FileFor(const QString& libraryFile) {
    return libraryFile + QStringLiteral(".history");
}

void StudyHistory::reset() {
    store_.reset();
    entries_.clear();
    byNode_.clear();
    nextId_ = 1;
    pendingFile_.clear();
    failure_ = Status::success();
    failedFile_.clear();
    recent_.clear();
    recentLoaded_ = false;
    generation_ = tree_.generation();
}

void StudyHistory::openUnsaved() {
    reset();
    store_ = Store::memory();
}

Result<OpenReport> StudyHistory::open(const QString& libraryFile) {
    reset();
    const QString path = FileFor(QFileInfo(libraryFile).absoluteFilePath());
    OpenReport report;
    if (!QFileInfo::exists(path)) {
        store_ = Store::memory();
        pendingFile_ = path;
        return report;
    }
    Result<std::unique_ptr<Store>> opened = Store::file(path);
    if (!opened) {
        store_ = Store::memory();
        return Result<OpenReport>::failure(
            fail(path, QString::fromStdString(opened.error())).error);
    }
    store_ = std::move(opened.value());
    QSqlQuery q(store_->db());
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral(
            "SELECT id, path_hash, text_hash, gone, card FROM questions ORDER BY id"))) {
        const QString reason = SqlReason(q.lastError());
        q = QSqlQuery();
        store_ = Store::memory();
        return Result<OpenReport>::failure(fail(path, reason).error);
    }
    while (q.next()) {
        Entry e;
        e.id = q.value(0).toLongLong();
        e.pathHash = std::uint64_t(q.value(1).toLongLong());
        e.textHash = std::uint64_t(q.value(2).toLongLong());
        e.gone = q.value(3).toInt() != 0;
        e.card = UnpackCard(q.value(4).toByteArray());
        entries_.push_back(std::move(e));
    }
    if (q.lastError().isValid()) {
        const QString reason = SqlReason(q.lastError());
        q = QSqlQuery();
        entries_.clear();
        store_ = Store::memory();
        return Result<OpenReport>::failure(fail(path, reason).error);
    }
    q = QSqlQuery();
    if (!entries_.empty()) nextId_ = entries_.back().id + 1;
    match(report);
    return report;
}

void StudyHistory::match(OpenReport& report) {
    const std::vector<NodeId> questions = CollectAllQuestions(tree_);
    const std::size_t n = questions.size();
    std::vector<std::uint64_t> paths(n), texts(n);
    std::vector<char> questionBound(n, 0);
    byNode_.reserve(entries_.size());
    auto bind = [&](std::size_t question, std::uint32_t entry) {
        questionBound[question] = 1;
        entries_[entry].node = questions[question];
        byNode_[questions[question]] = entry;
    };
    // Pairs of (hash, index) sorted by hash, so that equal hashes are runs: the library's
    // questions and the stored ones are paired by merging, without hash tables.
    using Keyed = std::vector<std::pair<std::uint64_t, std::uint32_t>>;
    auto sorted = [](Keyed keyed) {
        std::sort(keyed.begin(), keyed.end());
        return keyed;
    };
    // Calls pair(question, entry) for every hash that one unbound question and one unbound
    // stored question (not gone) have, and no other of either.
    auto pairUnique = [&](const std::vector<std::uint64_t>& field, bool byText) {
        Keyed inTree, inStore;
        for (std::uint32_t i = 0; i < n; ++i)
            if (!questionBound[i]) inTree.emplace_back(field[i], i);
        for (std::uint32_t e = 0; e < entries_.size(); ++e)
            if (!entries_[e].gone && entries_[e].node == NoNode)
                inStore.emplace_back(byText ? entries_[e].textHash : entries_[e].pathHash, e);
        inTree = sorted(std::move(inTree));
        inStore = sorted(std::move(inStore));
        auto runEnd = [](const Keyed& k, std::size_t at) {
            std::size_t end = at + 1;
            while (end < k.size() && k[end].first == k[at].first)
                ++end;
            return end;
        };
        for (std::size_t t = 0, s = 0; t < inTree.size() && s < inStore.size();) {
            if (inTree[t].first < inStore[s].first) {
                t = runEnd(inTree, t);
            } else if (inStore[s].first < inTree[t].first) {
                s = runEnd(inStore, s);
            } else {
                const std::size_t tEnd = runEnd(inTree, t), sEnd = runEnd(inStore, s);
                if (tEnd - t == 1 && sEnd - s == 1) bind(inTree[t].second, inStore[s].second);
                t = tEnd;
                s = sEnd;
            }
        }
    };

    // A path that one question has and one stored question had is that question, whatever
    // its text now: the common case, decided without reading any question's panes.
    PathHasher pathHash(tree_);
    for (std::size_t i = 0; i < n; ++i)
        paths[i] = pathHash(questions[i]);
    pairUnique(paths, false);

    // Where paths repeat or moved: path and text together, the stored questions in the
    // library before gone ones (a question deleted and saved that comes back with an older
    // copy of the file); then path alone among what is left (the text edited outside), then
    // text alone (renamed or moved outside).
    bool left = false;
    for (std::size_t i = 0; i < n; ++i)
        if (!questionBound[i]) {
            texts[i] = TextHash(tree_, questions[i]);
            left = true;
        }
    if (left) {
        auto key = [](std::uint64_t path, std::uint64_t text) {
            return path ^ (text * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull);
        };
        std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> exact;
        for (int pass = 0; pass < 2; ++pass)
            for (std::uint32_t e = 0; e < entries_.size(); ++e)
                if (entries_[e].node == NoNode && entries_[e].gone == (pass == 1))
                    exact[key(entries_[e].pathHash, entries_[e].textHash)].push_back(e);
        for (auto& [k, list] : exact)
            std::reverse(list.begin(), list.end()); // taken from the back, in order
        for (std::size_t i = 0; i < n; ++i) {
            if (questionBound[i]) continue;
            auto it = exact.find(key(paths[i], texts[i]));
            if (it == exact.end() || it->second.empty()) continue;
            bind(i, it->second.back());
            it->second.pop_back();
        }
        pairUnique(paths, false);
        pairUnique(texts, true);
    }
    for (const Entry& e : entries_)
        if (!e.gone) {
            ++report.stored;
            if (e.node != NoNode) ++report.matched;
        }
    report.unmatched = report.stored - report.matched;
}

Status StudyHistory::fail(const QString& file, const QString& reason) {
    failedFile_ = file;
    failure_ = Status::failure(QDir::toNativeSeparators(file) + QStringLiteral(": ") + reason +
                               QStringLiteral(" (grades are not recorded)"));
    pendingFile_.clear();
    // What is known goes on in memory, so the session and its figures carry on.
    if (!store_ || !store_->inMemory()) {
        store_ = Store::memory();
        if (store_->begin()) {
            bool ok = true;
            for (const Entry& e : entries_) {
                const bool here = e.node != NoNode && tree_.isValid(e.node);
                ok = ok && store_
                               ->insertQuestion(e, here ? PathOf(tree_, e.node) : std::string(),
                                                here ? TextOf(tree_, e.node) : std::string())
                               .ok();
            }
            if (ok)
                store_->commit();
            else
                store_->abandon(Status::success());
        }
    }
    return failure_;
}

bool StudyHistory::recording() const {
    return failure_.ok() && store_ && (!store_->inMemory() || !pendingFile_.isEmpty());
}

const Status& StudyHistory::failure() const {
    return failure_;
}

QString StudyHistory::file() const {
    return store_ && !store_->inMemory() ? store_->path() : QString();
}

bool StudyHistory::current() const {
    return generation_ == tree_.generation();
}

void StudyHistory::released(NodeId node) {
    auto it = byNode_.find(node);
    if (it == byNode_.end()) return;
    entries_[it->second].node = NoNode;
    byNode_.erase(it);
}

const StudyHistory::Entry* StudyHistory::entryOf(NodeId question) const {
    if (!current()) return nullptr;
    auto it = byNode_.find(question);
    return it == byNode_.end() ? nullptr : &entries_[it->second];
}

std::size_t StudyHistory::entryIndexById(qint64 id) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                               [](const Entry& e, qint64 v) { return e.id < v; });
    return it != entries_.end() && it->id == id ? std::size_t(it - entries_.begin())
                                                : entries_.size();
}

std::vector<NodeId> StudyHistory::questionsOf(NodeId object) const {
    if (object == NoNode) return CollectAllQuestions(tree_);
    if (!tree_.isValid(object)) return {};
    return CollectQuestions(tree_, object, tree_.depth(object));
}

Status StudyHistory::ensureFile() {
    if (pendingFile_.isEmpty() || !failure_.ok()) return Status::success();
    const QString path = pendingFile_;
    if (const Status copied = store_->copyTo(path); !copied)
        return fail(path, QString::fromStdString(copied.error));
    Result<std::unique_ptr<Store>> opened = Store::file(path);
    if (!opened) return fail(path, QString::fromStdString(opened.error()));
    store_ = std::move(opened.value());
    pendingFile_.clear();
    return Status::success();
}

Status StudyHistory::record(NodeId question, Grade grade, UnixSeconds now) {
    if (!current()) openUnsaved(); // the tree was replaced without a new history
    if (!IsQuestion(tree_, question)) return Status::failure("not a question of the library");
    std::uint32_t index;
    bool created = false;
    if (auto it = byNode_.find(question); it != byNode_.end()) {
        index = it->second;
    } else {
        Entry e;
        e.id = nextId_++;
        e.pathHash = PathHash(tree_, question);
        e.textHash = TextHash(tree_, question);
        e.node = question;
        index = std::uint32_t(entries_.size());
        entries_.push_back(std::move(e));
        byNode_[question] = index;
        created = true;
    }
    Entry& e = entries_[index];
    const Phase before = e.card.phase;
    e.card = scheduler_.grade(e.card, grade, now);
    if (recentLoaded_ && grade != Grade::Seen && before == Phase::Review && now >= recentSince_)
        recent_.push_back({index, now, grade});

    // A database that cannot be made is reported; the visit still goes to memory.
    const Status made = ensureFile();
    // After a failure the history goes on in memory; what fails there is not the file's.
    const bool toFile = failure_.ok() && !store_->inMemory();
    Store& store = *store_;
    Status written = store.begin();
    if (written && created)
        written = store.insertQuestion(e, PathOf(tree_, question), TextOf(tree_, question));
    if (written && grade != Grade::Seen && !created) written = store.updateQuestion(e);
    if (written) written = store.insertGrade(e.id, now, grade, before, e.card);
    written = written ? store.commit() : store.abandon(written);
    if (!written && toFile) return fail(store.path(), QString::fromStdString(written.error));
    return made;
}

Card StudyHistory::card(NodeId question) const {
    const Entry* e = entryOf(question);
    return e ? e->card : Card();
}

double StudyHistory::retrievability(NodeId question, UnixSeconds now) const {
    return scheduler_.retrievability(card(question), now);
}

Status StudyHistory::syncNames(Store& store) {
    std::vector<char> attached(entries_.size(), 0);
    for (NodeId q : CollectAllQuestions(tree_))
        if (auto it = byNode_.find(q); it != byNode_.end()) attached[it->second] = 1;
    if (const Status began = store.begin(); !began) return began;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        Entry& e = entries_[i];
        const bool goneChanged = e.gone == bool(attached[i]);
        e.gone = !attached[i];
        if (attached[i]) {
            const std::uint64_t path = PathHash(tree_, e.node), text = TextHash(tree_, e.node);
            if (path != e.pathHash || text != e.textHash) {
                e.pathHash = path;
                e.textHash = text;
                const std::string pathBytes = PathOf(tree_, e.node);
                const std::string textBytes = TextOf(tree_, e.node);
                if (const Status updated = store.updateNames(e, &pathBytes, &textBytes); !updated)
                    return store.abandon(updated);
                continue;
            }
        }
        if (!goneChanged) continue;
        if (const Status updated = store.updateNames(e, nullptr, nullptr); !updated)
            return store.abandon(updated);
    }
    return store.commit();
}

Status StudyHistory::saved() {
    if (!current() || !store_) return Status::success();
    const bool toFile = failure_.ok() && !store_->inMemory();
    const Status synced = syncNames(*store_);
    if (!synced && toFile) return fail(store_->path(), QString::fromStdString(synced.error));
    return Status::success();
}

Status StudyHistory::savedAs(const QString& libraryFile) {
    if (!current()) openUnsaved();
    const QString path = FileFor(QFileInfo(libraryFile).absoluteFilePath());
    // The same file again, or the one that failed, which is never written over.
    if ((store_ && !store_->inMemory() && store_->path() == path) ||
        (!failure_.ok() && failedFile_ == path))
        return saved();
    failure_ = Status::success(); // a new place: recording starts afresh there
    pendingFile_.clear();
    if (entries_.empty() && store_->inMemory()) {
        pendingFile_ = path; // nothing to keep yet: made at the first grade
        return Status::success();
    }
    syncNames(*store_); // what is written there is the library as saved
    if (const Status copied = store_->copyTo(path); !copied)
        return fail(path, QString::fromStdString(copied.error));
    Result<std::unique_ptr<Store>> opened = Store::file(path);
    if (!opened) return fail(path, QString::fromStdString(opened.error()));
    store_ = std::move(opened.value());
    return Status::success();
}

UnixSeconds StudyHistory::startOfDay(QDate day) const {
    return day.startOfDay(zone_).toSecsSinceEpoch();
}

QDate StudyHistory::dayOf(UnixSeconds t) const {
    return QDateTime::fromSecsSinceEpoch(t, zone_).date();
}

DueList StudyHistory::dueList(NodeId object, UnixSeconds now, int newPerDay) const {
    DueList list;
    const UnixSeconds today = startOfDay(dayOf(now));
    if (current())
        for (const Entry& e : entries_)
            if (e.card.introduced >= today && e.card.introduced <= now) ++list.introducedToday;
    int room = std::max(0, newPerDay - list.introducedToday);
    std::vector<std::pair<UnixSeconds, NodeId>> due;
    for (NodeId q : questionsOf(object)) {
        const Entry* e = entryOf(q);
        if (!e || e->card.phase == Phase::New) {
            if (room > 0) {
                list.fresh.push_back(q);
                --room;
            }
        } else if (e->card.due <= now) {
            due.emplace_back(e->card.due, q);
        } else if (list.nextDue == 0 || e->card.due < list.nextDue) {
            list.nextDue = e->card.due;
        }
    }
    // Equal due times keep tree order.
    std::stable_sort(due.begin(), due.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    list.due.reserve(due.size());
    for (const auto& [time, q] : due)
        list.due.push_back(q);
    return list;
}

void StudyHistory::loadRecent(UnixSeconds since) const {
    recent_.clear();
    recentSince_ = since;
    recentLoaded_ = true;
    if (!store_ || !store_->usable()) return;
    QSqlQuery q(store_->db());
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT question, time, grade FROM grades "
                             "WHERE time >= ? AND before = 2 AND grade > 0 ORDER BY time"));
    q.addBindValue(qint64(since));
    if (!q.exec()) return;
    while (q.next()) {
        const std::size_t index = entryIndexById(q.value(0).toLongLong());
        if (index == entries_.size()) continue;
        recent_.push_back(
            {std::uint32_t(index), q.value(1).toLongLong(), Grade(q.value(2).toInt())});
    }
}

StudyCounts StudyHistory::counts(NodeId object, UnixSeconds now) const {
    StudyCounts c;
    const QDate day = dayOf(now);
    const UnixSeconds endToday = startOfDay(day.addDays(1));
    const UnixSeconds endWeek = startOfDay(day.addDays(7));
    std::vector<char> inside(entries_.size(), 0);
    const std::vector<NodeId> questions = questionsOf(object);
    c.questions = int(questions.size());
    for (NodeId q : questions) {
        const Entry* e = entryOf(q);
        if (!e || e->card.phase == Phase::New) {
            ++c.fresh;
            continue;
        }
        inside[std::size_t(e - entries_.data())] = 1;
        if (e->card.phase == Phase::Learning || e->card.phase == Phase::Relearning) ++c.learning;
        if (e->card.due < endToday) ++c.dueToday;
        if (e->card.due < endWeek) ++c.dueWeek;
    }
    const UnixSeconds since = now - 30 * SecondsPerDay;
    // Read with a day to spare, so a session's later calls need no second reading.
    if (!recentLoaded_ || since < recentSince_) loadRecent(since - SecondsPerDay);
    for (const Recent& r : recent_) {
        if (r.time < since || r.time > now || !inside[r.entry]) continue;
        ++c.reviews30;
        if (r.grade != Grade::Again) ++c.passed30;
    }
    return c;
}

Result<StudyStatistics> StudyHistory::statistics(NodeId object, UnixSeconds now) const {
    StudyStatistics s;
    const QDate today = dayOf(now);
    const QDate firstDay = today.addDays(-364);
    const QDate firstMonth = QDate(today.year(), today.month(), 1).addMonths(-11);
    // The first month can begin a day before the first day of the calendar (a leap year).
    const QDate first = std::min(firstDay, firstMonth);
    const UnixSeconds from = startOfDay(first), to = startOfDay(today.addDays(1));
    const UnixSeconds forecastEnd = startOfDay(today.addDays(qint64(s.forecast.size())));
    const LocalDays days(zone_, from, forecastEnd);
    const qint64 todayNumber = days.number(now);
    const qint64 firstNumber = todayNumber - first.daysTo(today);

    // Whether each stored question (by id) is below the object.
    std::vector<char> inside(std::size_t(nextId_), 0);
    for (NodeId q : questionsOf(object)) {
        const Entry* e = entryOf(q);
        if (!e) continue;
        inside[std::size_t(e->id)] = 1;
        if (e->card.phase == Phase::New || e->card.due >= forecastEnd) continue;
        const qint64 n = std::max<qint64>(0, days.number(e->card.due) - todayNumber);
        if (n < qint64(s.forecast.size())) ++s.forecast[std::size_t(n)];
    }

    // Grades per day since `first`, and review grades (given in review) with passes per day.
    const std::size_t span =
        std::size_t(firstNumber <= todayNumber ? todayNumber - firstNumber + 1 : 0);
    std::vector<std::array<int, 5>> perDay(span);
    std::vector<std::pair<int, int>> reviewsPerDay(span);
    if (store_ && store_->usable()) {
        auto row = [&](qint64 id, UnixSeconds time, int grade, int before) {
            if (id <= 0 || id >= qint64(inside.size()) || !inside[std::size_t(id)]) return;
            const qint64 d = days.number(time) - firstNumber;
            if (d < 0 || d >= qint64(span)) return;
            grade = std::clamp(grade, 0, 4);
            ++perDay[std::size_t(d)][std::size_t(grade)];
            if (grade == 0 || before != int(Phase::Review)) return;
            ++reviewsPerDay[std::size_t(d)].first;
            if (grade >= 2) ++reviewsPerDay[std::size_t(d)].second;
        };
        const Status scanned = store_->scanGrades(from, to, row);
        if (!scanned)
            return Result<StudyStatistics>::failure(
                QString(QDir::toNativeSeparators(store_->path()) + QStringLiteral(": ") +
                        QString::fromStdString(scanned.error))
                    .toStdString());
    }

    const qint64 calendarStart = first.daysTo(firstDay);
    s.calendar.reserve(365);
    for (QDate d = firstDay; d <= today; d = d.addDays(1))
        s.calendar.push_back({d, perDay[std::size_t(calendarStart + firstDay.daysTo(d))]});
    for (QDate m = firstMonth; s.retentionByMonth.size() < 12; m = m.addMonths(1)) {
        MonthRetention r{m.year(), m.month(), 0, 0};
        const QDate end = m.addMonths(1);
        for (QDate d = m; d < end && d <= today; d = d.addDays(1)) {
            const auto& [reviews, passed] = reviewsPerDay[std::size_t(first.daysTo(d))];
            r.reviews += reviews;
            r.passed += passed;
        }
        s.retentionByMonth.push_back(r);
    }
    return s;
}

Result<int> StudyHistory::compact(bool goneOnly) {
    if (!current()) return Result<int>::failure("the study history is not that of this library");
    auto dropped = [goneOnly](const Entry& e) { return e.node == NoNode && (!goneOnly || e.gone); };
    std::vector<qint64> drop;
    for (const Entry& e : entries_)
        if (dropped(e)) drop.push_back(e.id);
    if (drop.empty()) return 0;
    const bool toFile = failure_.ok() && !store_->inMemory();
    Store& store = *store_;
    Status done = store.begin();
    if (done) {
        QSqlQuery q(store.db());
        const bool ok = q.exec(QStringLiteral(
                            "CREATE TEMP TABLE IF NOT EXISTS dropped (id INTEGER PRIMARY KEY)")) &&
                        q.exec(QStringLiteral("DELETE FROM dropped")) &&
                        q.prepare(QStringLiteral("INSERT INTO dropped (id) VALUES (?)"));
        done = ok ? Status::success() : store.fromQuery(q);
        for (std::size_t i = 0; done && i < drop.size(); ++i) {
            q.bindValue(0, drop[i]);
            if (!q.exec()) done = store.fromQuery(q);
        }
        if (done &&
            (!q.exec(
                 QStringLiteral("DELETE FROM grades WHERE question IN (SELECT id FROM dropped)")) ||
             !q.exec(QStringLiteral("DELETE FROM questions WHERE id IN (SELECT id FROM dropped)"))))
            done = store.fromQuery(q);
        done = done ? store.commit() : store.abandon(done);
        // The space goes back to the file system too.
        if (done && !q.exec(QStringLiteral("VACUUM"))) done = store.fromQuery(q);
    }
    if (!done && toFile)
        return Result<int>::failure(fail(store.path(), QString::fromStdString(done.error)).error);
    std::erase_if(entries_, dropped);
    byNode_.clear();
    for (std::uint32_t i = 0; i < entries_.size(); ++i)
        byNode_[entries_[i].node] = i;
    recentLoaded_ = false;
    return int(drop.size());
}

} // namespace brenvik::srs
