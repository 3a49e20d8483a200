// brenvik-tool: inspects and converts library files from the command line, without the GUI.
//
//   brenvik-tool dump FILE        one line per node: depth, TAB, kind, TAB, text
//   brenvik-tool record FILE      one JSON object per question, as the question record reads
//   brenvik-tool demo OUT         the demo library as start-up writes it
//   brenvik-tool write FILE OUT   load and write back
//   brenvik-tool check FILE [PATH]
//                                 the study preparation's check of every question of FILE,
//                                 or of those below the object PATH ("Library > Set > ...")
//   brenvik-tool import IN OUT [--under PATH] [OPTIONS]
//                                 the notes of the text file or Anki package IN as
//                                 questions in OUT
//   brenvik-tool export FILE [PATH] OUT [--format apkg|txt|csv]
//                                 the questions of FILE, or of those below the object
//                                 PATH, as an Anki package, Anki text or CSV file
//   brenvik-tool due FILE [PATH] [--at TIME]
//                                 each question's schedule from the study history
//   brenvik-tool grade FILE PATH GRADE [--at TIME]
//                                 records a grade in the study history
//
// Exit codes, one meaning each: 0 success; 1 the library is damaged (a loader error) or a
// check failed; 2 bad usage (an unknown command or PATH, wrong arguments) or a file that
// cannot be read or written.

#include "import/apkgimport.h"
#include "import/exporter.h"
#include "import/textimport.h"
#include "library/colors.h"
#include "library/demodata.h"
#include "library/fonttext.h"
#include "library/librarytree.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "library/textcodec.h"
#include "library/undostore.h"
#include "srs/history.h"
#include "study/core/collect.h"

#include <brenvik/version.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QStandardPaths>
#include <QString>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>

using namespace brenvik;

namespace {

constexpr int ExitError = 1;  // the library is damaged or a check failed
constexpr int ExitNoFile = 2; // usage, or a file that cannot be read or written

// Buffered stdout: a dump of a large library is millions of lines.
class Output {
public:
    ~Output() { flush(); }
    Output& operator<<(std::string_view s) {
        buf_.append(s);
        if (buf_.size() > (1 << 20)) flush();
        return *this;
    }
    Output& operator<<(char c) {
        buf_ += c;
        return *this;
    }
    Output& operator<<(long long v) { return *this << std::string_view(std::to_string(v)); }
    void flush() {
        if (!buf_.empty()) std::fwrite(buf_.data(), 1, buf_.size(), stdout);
        buf_.clear();
        std::fflush(stdout);
    }

private:
    std::string buf_;
};

void fail(const std::string& message) {
    std::fprintf(stderr, "brenvik-tool: %s\n", message.c_str());
}

void fail(const QString& message) {
    fail(message.toStdString());
}

// The desktop the tool converts colours against: the standard light scheme.
FixedDesktopColors toolDesktop() {
    return FixedDesktopColors(); // the standard light scheme
}

// Reads the whole file; on failure prints why and returns false.
bool readFile(const QString& path, std::string& bytes) {
    QFileInfo info(path);
    if (!info.exists()) {
        fail(path + QStringLiteral(": no such file"));
        return false;
    }
    if (info.isDir()) {
        fail(path + QStringLiteral(": is a folder, not a library file"));
        return false;
    }
    // Devices and pipes are refused as the program refuses them: /dev/zero never ends and a
    // FIFO may never deliver.
    if (!info.isFile()) {
        fail(QStringLiteral("File not found: ") + QDir::toNativeSeparators(path));
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(path + QStringLiteral(": ") + file.errorString());
        return false;
    }
    bytes.clear();
    if (qint64 size = file.size(); size > 0) {
        bytes.resize(std::size_t(size));
        qint64 got = file.read(bytes.data(), size);
        bytes.resize(got < 0 ? 0 : std::size_t(got));
    }
    // A file that grew while it was read is read to its end.
    for (;;) {
        char chunk[65536];
        qint64 got = file.read(chunk, sizeof chunk);
        if (got <= 0) break;
        bytes.append(chunk, std::size_t(got));
    }
    if (file.error() != QFileDevice::NoError) {
        fail(path + QStringLiteral(": ") + file.errorString());
        return false;
    }
    return true;
}

// Loads FILE into the tree. Returns 0, or the exit code after reporting; on a loader
// error the partial tree stays (kinds not derived) and `loaderError` is set. A file that is
// not all text is warned about as the program warns, and `cutShort` (when given) is set.
int loadInto(LibraryTree& tree, const QString& path, std::string& loaderError,
             bool* cutShort = nullptr) {
    std::string bytes;
    if (!readFile(path, bytes)) return ExitNoFile;
    const QString warning = CutShortWarning(path, bytes);
    if (!warning.isEmpty()) fail(warning);
    if (cutShort) *cutShort = !warning.isEmpty();
    Status status = OutlineLoader(tree, std::move(bytes));
    if (!status.ok()) {
        // Every line before the bad one became a node: the count gives its line number.
        loaderError =
            path.toStdString() + ':' + std::to_string(tree.nodeCount() + 1) + ": " + status.error;
        return ExitError;
    }
    DeriveNodeKinds(tree);
    return 0;
}

int dump(const QString& path) {
    LibraryTree tree;
    std::string error;
    int code = loadInto(tree, path, error);
    if (code == ExitNoFile) return code;
    Output out;
    ForEachPreorder(tree, [&](NodeId n, int depth) {
        out << (long long)depth << '\t' << (long long)tree.kind(n) << '\t' << tree.text(n) << '\n';
    });
    out.flush();
    if (code != 0) fail(error);
    return code;
}

// Node bytes as JSON text: bytes that are not UTF-8 are read as Windows-1252, as the program
// shows them.
QJsonValue jsonText(std::string_view bytes) {
    return BytesToDisplay(bytes);
}

QJsonArray jsonLines(const std::vector<std::string>& lines) {
    QJsonArray out;
    for (const std::string& line : lines)
        out.append(jsonText(line));
    return out;
}

QJsonObject jsonPane(const PaneRecord& p, const DesktopColors& desktop) {
    return {{"content", p.content},
            {"font", jsonText(FontToText(p.font, true, desktop))},
            {"textShallowBorder", p.textShallowBorder},
            {"textDeepBorder", p.textDeepBorder},
            {"textBackground", p.textBackground},
            {"centredText", p.centredText},
            {"textLines", jsonLines(p.textLines)},
            {"imageShallowBorder", p.imageShallowBorder},
            {"imageDeepBorder", p.imageDeepBorder},
            {"stretchToFit", p.stretchToFit},
            {"imageBackground", p.imageBackground},
            {"imageFile", jsonText(p.imageFile)},
            {"webShallowBorder", p.webShallowBorder},
            {"webDeepBorder", p.webDeepBorder},
            {"webAddress", jsonText(p.webAddress)}};
}

// The order scripts have always read a record's keys in. QJsonObject keeps its keys sorted and
// QJsonDocument writes non-ASCII as UTF-8, so a record is written here: keys in this order,
// everything outside printable ASCII escaped, one line an object.
const QStringList kRecordKeys =
    QStringLiteral("name layout proportions panes notes spokenQuestion answer spokenAnswer error "
                   "content font textShallowBorder textDeepBorder textBackground centredText "
                   "textLines imageShallowBorder imageDeepBorder stretchToFit imageBackground "
                   "imageFile webShallowBorder webDeepBorder webAddress")
        .split(u' ');

void writeJsonString(std::string& out, const QString& text) {
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else {
            out += "\\u";
            out += hex[(c >> 12) & 15];
            out += hex[(c >> 8) & 15];
            out += hex[(c >> 4) & 15];
            out += hex[c & 15];
        }
    }
    out += '"';
}

void writeJson(std::string& out, const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Bool:
        out += value.toBool() ? "true" : "false";
        break;
    case QJsonValue::Double:
        out += std::to_string(value.toInteger()); // a record holds whole numbers only
        break;
    case QJsonValue::String:
        writeJsonString(out, value.toString());
        break;
    case QJsonValue::Array: {
        out += '[';
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            if (i) out += ',';
            writeJson(out, array[i]);
        }
        out += ']';
        break;
    }
    case QJsonValue::Object: {
        const QJsonObject object = value.toObject();
        out += '{';
        qsizetype written = 0;
        for (const QString& key : kRecordKeys) {
            const auto at = object.constFind(key);
            if (at == object.constEnd()) continue;
            if (written++) out += ',';
            writeJsonString(out, key);
            out += ':';
            writeJson(out, *at);
        }
        Q_ASSERT(written == object.size()); // a key missing from kRecordKeys would be lost
        out += '}';
        break;
    }
    default:
        out += "null";
        break;
    }
}

int record(const QString& path) {
    LibraryTree tree;
    std::string error;
    int code = loadInto(tree, path, error);
    if (code != 0) {
        if (code == ExitError) fail(error);
        return code;
    }
    FixedDesktopColors desktop = toolDesktop();
    Output out;
    ForEachPreorder(tree, [&](NodeId n, int) {
        if (tree.kind(n) != Question) return;
        QuestionRecord r = QuestionRecord::newRecord(desktop);
        const Status read = ReadQuestionRecord(tree, n, r, desktop);
        QJsonArray proportions, panes;
        for (const std::string& p : r.proportions)
            proportions.append(jsonText(p));
        for (const PaneRecord& p : r.panes)
            panes.append(jsonPane(p, desktop));
        QJsonObject o{
            {"name", jsonText(tree.text(n))}, {"layout", r.layout},
            {"proportions", proportions},     {"panes", panes},
            {"notes", jsonLines(r.notes)},    {"spokenQuestion", jsonLines(r.spokenQuestion)},
            {"answer", jsonText(r.answer)},   {"spokenAnswer", jsonLines(r.spokenAnswer)}};
        if (!read) o.insert("error", jsonText(read.error));
        std::string line;
        writeJson(line, o);
        line += '\n';
        out << std::string_view(line);
    });
    return 0;
}

int demo(const QString& out) {
    if (const Status written = WriteDemoFile(out); !written) {
        fail(written.error); // names the file and the system's reason
        return ExitNoFile;
    }
    return 0;
}

int write(const QString& in, const QString& out) {
    LibraryTree tree;
    std::string error;
    bool cutShort = false;
    int code = loadInto(tree, in, error, &cutShort);
    if (code != 0) {
        if (code == ExitError) fail(error);
        return code;
    }
    // What was not read would be gone: the program, too, never saves such a library over
    // its file.
    std::error_code ec;
    if (cutShort && std::filesystem::equivalent(QFile::encodeName(in).toStdString(),
                                                QFile::encodeName(out).toStdString(), ec)) {
        fail(out + QStringLiteral(": not written over the file it was read from"));
        return ExitError;
    }
    if (const Status saved = SaveLibraryFile(tree, out); !saved) {
        fail(saved.error);
        return ExitNoFile;
    }
    return 0;
}

void printLine(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

// The folder the program beside this tool keeps its files in, found as the program finds
// it (platform/programfolder.cpp) but without creating or seeding anything: the
// executable's folder when it can be written, else the user's data folder; always the
// latter for an installed copy.
QString programFolder() {
    const QString exe = QCoreApplication::applicationDirPath();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString user = data.isEmpty() ? QString() : data + QStringLiteral("/Brenvik");
    const QString installed = QDir::cleanPath(exe + QStringLiteral("/../share/brenvik"));
    const QString guide = QStringLiteral("Brenvik.htm");
    const bool installedCopy = QFileInfo::exists(QDir(installed).filePath(guide)) &&
                               !QFileInfo::exists(QDir(exe).filePath(guide));
    if (!installedCopy && QFileInfo(exe).isWritable()) return exe;
    return user;
}

// The check a session runs before it starts, on the questions of FILE or below PATH.
// Relative image names are looked for as the program looks for them: beside FILE, so a
// library moved with its pictures checks the same wherever the tool runs from, then in the
// program folder.
int check(const QString& path, const QString* objectPath) {
    LibraryTree tree;
    std::string error;
    int code = loadInto(tree, path, error);
    if (code != 0) {
        if (code == ExitError) fail(error);
        return code;
    }
    std::vector<NodeId> questions;
    if (objectPath) {
        const NodeId object = FindObjectByPath(tree, *objectPath);
        if (object == NoNode) {
            fail(*objectPath + QStringLiteral(": no such object in ") + path);
            return ExitNoFile;
        }
        questions = CollectQuestions(tree, object, tree.depth(object));
    } else {
        questions = CollectAllQuestions(tree);
    }
    if (questions.empty()) {
        printLine(NoQuestionsMessage());
        return ExitError;
    }
    const StudyCheck result =
        CheckStudyQuestions(tree, questions, toolDesktop(),
                            StudyFolders{QFileInfo(path).absolutePath(), programFolder()});
    if (!result.ok()) {
        printLine(result.message);
        printLine(ObjectPath(tree, result.problemQuestion));
        return ExitError;
    }
    printLine(QString::number(result.checked) + (result.checked == 1
                                                     ? QStringLiteral(" question checked")
                                                     : QStringLiteral(" questions checked")));
    return 0;
}

// Imports the notes of a text file into OUT (a new library file when there is none): below
// the object PATH, or as a new library named after IN. The summary line goes to stdout.
int importNotes(const QStringList& a) {
    const QString& in = a[0];
    const QString& out = a[1];
    TextImportOptions options;
    const QString* under = nullptr;
    const QString* textOption = nullptr; // one that only a text file can use
    for (qsizetype i = 2; i < a.size(); ++i) {
        const QString& option = a[i];
        const bool flag = option == QLatin1String("--reverse");
        if (!flag && option != QLatin1String("--under")) textOption = &option;
        if (!flag && i + 1 >= a.size()) {
            fail(QStringLiteral("import: %1 needs a value").arg(option));
            return ExitNoFile;
        }
        const QString& value = flag ? option : a[++i];
        auto choice = [&](Choice& c) {
            if (value == QLatin1String("yes"))
                c = Choice::Yes;
            else if (value == QLatin1String("no"))
                c = Choice::No;
            else if (value == QLatin1String("auto"))
                c = Choice::Auto;
            else
                return false;
            return true;
        };
        auto field = [&](int& f) {
            bool ok = false;
            f = value.toInt(&ok) - 1;
            return ok && f >= 0;
        };
        bool ok = true;
        if (flag)
            options.build.reversed = true;
        else if (option == QLatin1String("--under"))
            under = &value;
        else if (option == QLatin1String("--format")) {
            TextFormat format = TextFormat::Auto;
            ok = TextFormatFromName(value.toStdString(), format);
            options.read.format = format;
        } else if (option == QLatin1String("--separator"))
            options.read.separator = value.toStdString();
        else if (option == QLatin1String("--row-separator"))
            options.read.rowSeparator = value.toStdString();
        else if (option == QLatin1String("--quoting"))
            ok = QuotingFromName(value.toStdString(), options.read.quoting);
        else if (option == QLatin1String("--html"))
            ok = choice(options.read.html);
        else if (option == QLatin1String("--header"))
            ok = choice(options.read.headerRow);
        else if (option == QLatin1String("--question"))
            ok = field(options.build.questionField);
        else if (option == QLatin1String("--answer"))
            ok = field(options.build.answerField);
        else {
            fail(QStringLiteral("import: unknown option '%1'").arg(option));
            return ExitNoFile;
        }
        if (!ok) {
            fail(QStringLiteral("import: %1 cannot be '%2'").arg(option, value));
            return ExitNoFile;
        }
    }
    std::string bytes;
    if (!readFile(in, bytes)) return ExitNoFile;
    const QString suffix = QFileInfo(in).suffix().toLower();
    const bool package =
        LooksLikeZip(bytes) || suffix == QLatin1String("apkg") || suffix == QLatin1String("colpkg");
    if (package && textOption) {
        fail(QStringLiteral("import: %1 is for text files, and %2 is an Anki package")
                 .arg(*textOption, in));
        return ExitNoFile;
    }

    LibraryTree tree;
    if (QFileInfo::exists(out)) {
        std::string error;
        bool cutShort = false;
        if (const int code = loadInto(tree, out, error, &cutShort); code != 0) {
            if (code == ExitError) fail(error);
            return code;
        }
        // Saving it would drop what was not read, as write refuses to.
        if (cutShort) {
            fail(out + QStringLiteral(": not written over the file it was read from"));
            return ExitError;
        }
    }
    if (tree.empty()) NewEmptyLibrary(tree, {}, {});
    NodeId target = tree.first();
    if (under) {
        target = FindObjectByPath(tree, *under);
        if (target == NoNode) {
            fail(*under + QStringLiteral(": no such object in ") + out);
            return ExitNoFile;
        }
        if (tree.kind(target) == Question) {
            fail(*under + QStringLiteral(": a question, which holds no questions"));
            return ExitNoFile;
        }
    }
    UndoStore undo(tree);
    ImportFailure failedAt = ImportFailure::None;
    if (package) {
        Result<PackageImport> imported =
            ImportAnkiPackage(tree, undo, target, in, out, options.build, toolDesktop(), &failedAt);
        if (!imported) {
            fail(imported.error());
            return failedAt == ImportFailure::Content ? ExitError : ExitNoFile;
        }
        if (const Status saved = SaveLibraryFile(tree, out); !saved) {
            fail(saved.error);
            return ExitNoFile;
        }
        // The media folder comes only after the library is written.
        if (const Status media = imported.value().media->commit(); !media) {
            fail(QString::fromStdString(media.error));
            return ExitNoFile;
        }
        printLine(imported.value().summary.text());
        return 0;
    }
    const Result<ImportSummary> imported =
        ImportTextBytes(tree, undo, target, bytes, in, options, toolDesktop(), &failedAt);
    if (!imported) {
        fail(imported.error());
        // A file that is no text cannot be read as one; a text without questions failed.
        return failedAt == ImportFailure::Content ? ExitError : ExitNoFile;
    }
    if (const Status saved = SaveLibraryFile(tree, out); !saved) {
        fail(saved.error);
        return ExitNoFile;
    }
    printLine(imported.value().text());
    return 0;
}

// Writes the questions of FILE, or of the branch PATH, to OUT in the format its extension
// or --format names. The summary line goes to stdout.
int exportBranch(QStringList a) {
    QString formatWord;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i] != QLatin1String("--format")) continue;
        if (i + 1 >= a.size()) {
            fail(QStringLiteral("export: --format needs a value"));
            return ExitNoFile;
        }
        formatWord = a[i + 1];
        a.remove(i, 2);
        break;
    }
    for (const QString& arg : a)
        if (arg.startsWith(QLatin1String("--"))) {
            fail(QStringLiteral("export: unknown option '%1'").arg(arg));
            return ExitNoFile;
        }
    if (a.size() < 2 || a.size() > 3) {
        fail(QStringLiteral("export takes FILE [PATH] OUT [--format apkg|txt|csv]"));
        return ExitNoFile;
    }
    const QString& in = a.constFirst();
    const QString& out = a.constLast();
    ExportFormat format = ExportFormat::Package;
    if (!formatWord.isEmpty()) {
        if (!ExportFormatFromName(formatWord.toStdString(), format)) {
            fail(QStringLiteral("export: --format cannot be '%1'").arg(formatWord));
            return ExitNoFile;
        }
    } else if (!ExportFormatForFile(out, format)) {
        fail(QStringLiteral("export: %1 ends in no known extension (.apkg, .txt, .csv); name "
                            "the format with --format")
                 .arg(out));
        return ExitNoFile;
    }
    LibraryTree tree;
    std::string error;
    if (const int code = loadInto(tree, in, error); code != 0) {
        if (code == ExitError) fail(error);
        return code;
    }
    NodeId top = tree.first();
    if (a.size() == 3) {
        top = FindObjectByPath(tree, a[1]);
        if (top == NoNode) {
            fail(a[1] + QStringLiteral(": no such object in ") + in);
            return ExitNoFile;
        }
    }
    // Pictures named without a folder are found beside FILE, as the check finds them.
    const ExportFolders folders{QFileInfo(in).absolutePath(), programFolder()};
    const Result<ExportSummary> exported =
        ExportBranch(tree, top, out, format, folders, toolDesktop());
    if (!exported) {
        fail(exported.error());
        // Nothing to export is a failed command, not a file that cannot be written.
        return exported.error().find("there are no questions to export") != std::string::npos
                   ? ExitError
                   : ExitNoFile;
    }
    printLine(exported.value().text());
    return 0;
}

// Takes "--at TIME" out of `a` into `at` (now when absent); false after reporting a bad one.
bool takeTime(QStringList& a, const char* command, srs::UnixSeconds& at) {
    at = QDateTime::currentSecsSinceEpoch();
    const qsizetype i = a.indexOf(QStringLiteral("--at"));
    if (i < 0) return true;
    const QDateTime time =
        i + 1 < a.size() ? QDateTime::fromString(a[i + 1], Qt::ISODate) : QDateTime();
    // A time without a zone would be read as local time: TIME is UTC, and says so.
    if (!time.isValid() || time.timeSpec() == Qt::LocalTime) {
        fail(QStringLiteral("%1: --at takes a time in UTC as 2027-03-01T08:00:00Z")
                 .arg(QLatin1String(command)));
        return false;
    }
    at = time.toSecsSinceEpoch();
    a.remove(i, 2);
    return true;
}

// Reports options left over; true when there were none.
bool noOptionsLeft(const QStringList& a, const char* command) {
    for (const QString& arg : a)
        if (arg.startsWith(QLatin1String("--"))) {
            fail(QStringLiteral("%1: unknown option '%2'").arg(QLatin1String(command), arg));
            return false;
        }
    return true;
}

// Opens FILE's study history over the loaded tree; reports what could not be matched.
bool openHistory(srs::StudyHistory& history, const QString& path) {
    const Result<srs::OpenReport> opened = history.open(path);
    if (!opened) {
        fail(opened.error());
        return false;
    }
    if (const int n = opened.value().unmatched; n > 0)
        fail(QStringLiteral("%1: %2 of its questions are no longer in the library")
                 .arg(QDir::toNativeSeparators(srs::StudyHistory::FileFor(path)))
                 .arg(n));
    return true;
}

QString formatTime(srs::UnixSeconds t) {
    return QDateTime::fromSecsSinceEpoch(t, Qt::UTC).toString(Qt::ISODate);
}

// path, state, S, D, R at `at` and the due time; the figures blank for a new question.
void printSchedule(const LibraryTree& tree, const srs::StudyHistory& history, NodeId question,
                   srs::UnixSeconds at) {
    const srs::Card card = history.card(question);
    QString line = ObjectPath(tree, question) + QLatin1Char('\t') +
                   QLatin1String(srs::PhaseName(card.phase)) + QLatin1Char('\t');
    if (card.phase == srs::Phase::New) {
        line += QStringLiteral("\t\t\t");
    } else {
        line += QString::number(card.stability, 'f', 4) + QLatin1Char('\t') +
                QString::number(card.difficulty, 'f', 4) + QLatin1Char('\t') +
                QString::number(history.retrievability(question, at), 'f', 4) + QLatin1Char('\t') +
                formatTime(card.due);
    }
    printLine(line);
}

// One line per question of FILE, or below the object PATH, from its study history.
int due(QStringList a) {
    srs::UnixSeconds at = 0;
    if (!takeTime(a, "due", at) || !noOptionsLeft(a, "due")) return ExitNoFile;
    if (a.isEmpty() || a.size() > 2) {
        fail(QStringLiteral("due takes FILE [PATH] [--at TIME]"));
        return ExitNoFile;
    }
    LibraryTree tree;
    std::string error;
    if (const int code = loadInto(tree, a[0], error); code != 0) {
        if (code == ExitError) fail(error);
        return code;
    }
    std::vector<NodeId> questions;
    if (a.size() == 2) {
        const NodeId object = FindObjectByPath(tree, a[1]);
        if (object == NoNode) {
            fail(a[1] + QStringLiteral(": no such object in ") + a[0]);
            return ExitNoFile;
        }
        questions = CollectQuestions(tree, object, tree.depth(object));
    } else {
        questions = CollectAllQuestions(tree);
    }
    srs::StudyHistory history(tree);
    if (!openHistory(history, a[0])) return ExitNoFile;
    for (NodeId q : questions)
        printSchedule(tree, history, q, at);
    return 0;
}

// Records GRADE (1 Again .. 4 Easy) for the one question PATH names, as the study window
// does, and prints its new schedule.
int grade(QStringList a) {
    srs::UnixSeconds at = 0;
    if (!takeTime(a, "grade", at) || !noOptionsLeft(a, "grade")) return ExitNoFile;
    if (a.size() != 3) {
        fail(QStringLiteral("grade takes FILE PATH GRADE [--at TIME]"));
        return ExitNoFile;
    }
    bool ok = false;
    const int value = a[2].toInt(&ok);
    if (!ok || value < 1 || value > 4) {
        fail(QStringLiteral("grade: GRADE is 1 (again), 2 (hard), 3 (good) or 4 (easy), not '%1'")
                 .arg(a[2]));
        return ExitNoFile;
    }
    LibraryTree tree;
    std::string error;
    if (const int code = loadInto(tree, a[0], error); code != 0) {
        if (code == ExitError) fail(error);
        return code;
    }
    std::vector<NodeId> named;
    for (NodeId q : CollectAllQuestions(tree))
        if (ObjectPath(tree, q) == a[1]) named.push_back(q);
    if (named.size() != 1) {
        fail(named.empty()
                 ? a[1] + QStringLiteral(": no such question in ") + a[0]
                 : a[1] + QStringLiteral(": names %1 questions in ").arg(named.size()) + a[0]);
        return ExitNoFile;
    }
    srs::StudyHistory history(tree);
    if (!openHistory(history, a[0])) return ExitNoFile;
    if (const Status recorded = history.record(named.front(), srs::Grade(value), at); !recorded) {
        fail(recorded.error);
        return ExitNoFile;
    }
    printSchedule(tree, history, named.front(), at);
    return 0;
}

// Drops from the study history beside FILE the questions deleted from FILE (as the program
// saw them go at a save), with their rows: the program keeps them, in case an older copy of
// the file comes back, until this is asked. A question that is only not matched is kept.
int compact(QStringList a) {
    if (!noOptionsLeft(a, "compact")) return ExitNoFile;
    if (a.size() != 1) {
        fail(QStringLiteral("compact takes FILE"));
        return ExitNoFile;
    }
    LibraryTree tree;
    std::string error;
    bool cutShort = false;
    if (const int code = loadInto(tree, a[0], error, &cutShort); code != 0) {
        if (code == ExitError) fail(error);
        return code;
    }
    // The questions after the cut would all look deleted.
    if (cutShort) {
        fail(QStringLiteral("compact: %1 was read only in part; the study history is left as it is")
                 .arg(a[0]));
        return ExitError;
    }
    const QString file = srs::StudyHistory::FileFor(a[0]);
    if (!QFileInfo(file).isFile()) {
        printLine(QStringLiteral("%1 has no study history").arg(a[0]));
        return 0;
    }
    srs::StudyHistory history(tree);
    const Result<srs::OpenReport> opened = history.open(a[0]);
    if (!opened) {
        fail(opened.error());
        return ExitNoFile;
    }
    const Result<int> dropped = history.compact(true);
    if (!dropped) {
        fail(dropped.error());
        return ExitNoFile;
    }
    printLine(QStringLiteral("%1 question(s) deleted from the library dropped from %2")
                  .arg(dropped.value())
                  .arg(QDir::toNativeSeparators(file)));
    return 0;
}

// The commands: name, arguments, how many, and what they do (the help's lines).
struct Command {
    const char* name;
    const char* arguments;
    int minArguments, maxArguments;
    const char* what;
};

constexpr Command kCommands[] = {
    {"dump", "FILE", 1, 1, "one line per node in pre-order: depth, TAB, kind, TAB, text"},
    {"record", "FILE", 1, 1, "one JSON object per question with its whole record"},
    {"demo", "OUT", 1, 1, "writes the demo library as start-up installs it"},
    {"write", "FILE OUT", 2, 2, "loads FILE and writes it back to OUT"},
    {"check", "FILE [PATH]", 1, 2,
     "checks the questions of FILE, or those below the object PATH (names from\n"
     "the library down joined by \" > \"), as a study session does before it\n"
     "starts; pictures named without a folder are looked for beside FILE,\n"
     "then in the program's folder.\n"
     "Prints the first problem and the question's path, or the number of\n"
     "questions checked"},
    {"import", "IN OUT [--under PATH] [OPTIONS]", 2, 18,
     "\n"
     "imports the notes of the text file IN (Anki's notes in plain text, CSV,\n"
     "Quizlet or Mnemosyne) or of the Anki package IN (.apkg, .colpkg) as\n"
     "questions into the library OUT, made new when it does not exist: below\n"
     "the object PATH, else as a new library named after IN. A package's\n"
     "pictures and sounds are copied into the folder \"NAME media\" beside\n"
     "OUT, NAME being OUT's name without its extension. Prints how many\n"
     "questions, objects and pictures came in and what was skipped. Exit\n"
     "status 2 also when IN is empty, not text or a damaged package, 1 when\n"
     "no note in it gives a question. OPTIONS (a package takes only --under\n"
     "and --reverse):\n"
     "  --format auto|anki|csv|quizlet|mnemosyne\n"
     "  --separator SEP      tab, comma, semicolon, pipe, colon, space or the\n"
     "                       character (Quizlet: any text between term and\n"
     "                       definition)\n"
     "  --row-separator SEP  Quizlet: the text between rows (new line)\n"
     "  --quoting auto|quotes|none\n"
     "                       fields in double quotes (RFC 4180), or quotes\n"
     "                       as ordinary characters; auto: the format's own\n"
     "                       (quotes for anki and csv)\n"
     "  --html yes|no|auto   the fields are HTML\n"
     "  --header yes|no|auto CSV: the first row names the columns\n"
     "  --question N, --answer N\n"
     "                       the fields of question and answer (1 and 2)\n"
     "  --reverse            also adds every note reversed"},
    {"export", "FILE [PATH] OUT [--format apkg|txt|csv]", 2, 5,
     "\n"
     "writes the questions of FILE, or those below the object PATH, to\n"
     "OUT as an Anki package (.apkg: pictures and sounds inside), Anki's\n"
     "notes in plain text (.txt) or CSV (.csv), chosen by OUT's extension\n"
     "or --format. The objects from the set down to the concept become\n"
     "the deck names (\"Set::Book::...::Concept\"). Prints how many\n"
     "questions and pictures were written and what was left out (missing\n"
     "files, metafiles, web pages; sounds in the text formats). Exit\n"
     "status 1 when there is no question to export"},
    {"due", "FILE [PATH] [--at TIME]", 1, 4,
     "\n"
     "prints one line per question of FILE, or below the object PATH, from\n"
     "the study history beside FILE (FILE.history), tab-separated: its\n"
     "path, its state (new, learning, review, relearning), its stability S\n"
     "in days, its difficulty D (1 to 10), its retrievability R at TIME\n"
     "and its due time; the last four are blank for a new question.\n"
     "TIME is ISO 8601 in UTC (2027-03-01T08:00:00Z), now when left out"},
    {"grade", "FILE PATH GRADE [--at TIME]", 3, 5,
     "\n"
     "records GRADE, 1 (again), 2 (hard), 3 (good) or 4 (easy), for the\n"
     "question PATH at TIME in the study history beside FILE, as the study\n"
     "window does, and prints its line as due does. Exit status 2 when\n"
     "PATH names no question or more than one, or when the history cannot\n"
     "be read or written"},
    {"compact", "FILE", 1, 1,
     "drops from the study history beside FILE the questions deleted from\n"
     "FILE in the program and saved without them, with all their grades.\n"
     "A file read only in part ends with status 1 and changes nothing"},
};

const Command* findCommand(const QString& name) {
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

QString helpText(const QCommandLineParser& parser) {
    QString commands = QStringLiteral("Commands:\n");
    for (const Command& c : kCommands) {
        const QString head =
            QStringLiteral("  %1 %2").arg(QLatin1String(c.name), QLatin1String(c.arguments));
        QStringList lines = QString::fromUtf8(c.what).split(QLatin1Char('\n'));
        commands += head.leftJustified(22) + lines.takeFirst() + QLatin1Char('\n');
        for (const QString& line : lines)
            commands += QString(22, QLatin1Char(' ')) + line + QLatin1Char('\n');
    }
    QString text = parser.helpText();
    // Qt names the program by the path it was started with.
    const qsizetype options = text.indexOf(QStringLiteral(" [options]"));
    if (text.startsWith(QStringLiteral("Usage: ")) && options > 0)
        text.replace(7, options - 7, QStringLiteral("brenvik-tool"));
    text.insert(text.indexOf(QStringLiteral("Options:\n")), commands + QLatin1Char('\n'));
    return text + QStringLiteral("\nExit status:\n"
                                 "  0  success\n"
                                 "  1  the library is damaged (a loader error names the file and "
                                 "line) or a check failed\n"
                                 "  2  bad usage, or a file that cannot be read or written\n");
}

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

// A usage error: the reason, then the usage, on stderr.
int usageError(const QCommandLineParser& parser, const QString& reason) {
    fail(reason);
    print(stderr, helpText(parser));
    return ExitNoFile;
}

int run(const Command& command, const QStringList& a) {
    const std::string_view name = command.name;
    if (name == "dump") return dump(a[0]);
    if (name == "record") return record(a[0]);
    if (name == "demo") return demo(a[0]);
    if (name == "write") return write(a[0], a[1]);
    if (name == "import") return importNotes(a);
    if (name == "export") return exportBranch(a);
    if (name == "due") return due(a);
    if (name == "grade") return grade(a);
    if (name == "compact") return compact(a);
    if (a.size() == 2) return check(a[0], &a[1]);
    return check(a[0], nullptr);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("brenvik-tool"));
    QCoreApplication::setApplicationVersion(QStringLiteral(BRENVIK_VERSION));

    QCommandLineParser parser;
    // A file name after the command is never taken for an option.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.setApplicationDescription(
        QStringLiteral("Inspects, checks and converts Brenvik library files."));
    // Not addHelpOption(): its --help-all would promise Qt's options, which the tool has not.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Prints this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("One of the commands above, with its arguments."),
                                 QStringLiteral("COMMAND [ARGUMENTS...]"));
    if (!parser.parse(QCoreApplication::arguments())) return usageError(parser, parser.errorText());
    if (parser.isSet(help)) {
        print(stdout, helpText(parser));
        return 0;
    }
    if (parser.isSet(version)) {
        print(stdout, QStringLiteral("brenvik-tool " BRENVIK_VERSION "\n"));
        return 0;
    }

    QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty()) return usageError(parser, QStringLiteral("no command given"));
    const QString name = arguments.takeFirst();
    const Command* command = findCommand(name);
    if (!command) return usageError(parser, QStringLiteral("unknown command '%1'").arg(name));
    if (arguments.size() < command->minArguments || arguments.size() > command->maxArguments)
        return usageError(
            parser, QStringLiteral("%1 takes %2").arg(name, QLatin1String(command->arguments)));
    try {
        return run(*command, arguments);
    } catch (const std::exception& e) {
        // Failures are values; what arrives here is running out of memory on a huge file.
        fail(arguments.constFirst() + QStringLiteral(": ") + QString::fromLocal8Bit(e.what()));
        return ExitError;
    }
}
