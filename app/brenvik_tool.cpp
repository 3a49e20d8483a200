// brenvik-tool: inspects and converts library files from the command line, without the GUI.
//
//   brenvik-tool dump FILE        one line per node: depth, TAB, kind, TAB, text
//   brenvik-tool record FILE      one JSON object per question, as the question record reads
//   brenvik-tool demo OUT         the demo library as start-up writes it
//   brenvik-tool write FILE OUT   load and write back
//   brenvik-tool check FILE [PATH]
//                                 the study preparation's check of every question of FILE,
//                                 or of those below the object PATH ("Library > Set > ...")
//
// Exit codes: 0 success, 1 a loader or write error or a question that fails the check,
// 2 a missing file, an unknown PATH or bad arguments.

#include "library/colors.h"
#include "library/demodata.h"
#include "library/fonttext.h"
#include "library/librarytree.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "library/textcodec.h"
#include "study/core/collect.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

using namespace brenvik;

namespace {

constexpr int ExitError = 1;
constexpr int ExitNoFile = 2;

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
    DesktopColorScheme s;
    s.buttonFace = 15790320;
    s.buttonText = 0;
    s.window = 16777215;
    s.windowText = 0;
    return FixedDesktopColors(s);
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
    // Devices that report no size (pipes) are read to their end.
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
// error the partial tree stays (kinds not derived) and `loaderError` is set.
int loadInto(LibraryTree& tree, const QString& path, std::string& loaderError) {
    std::string bytes;
    if (!readFile(path, bytes)) return ExitNoFile;
    Status status = OutlineLoader(tree, std::move(bytes));
    if (!status.ok()) {
        loaderError = status.error;
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

// JSON string of node bytes: texts that are not UTF-8 are read as Windows-1252, as the
// program shows them; everything outside printable ASCII is escaped.
std::string jsonString(std::string_view bytes) {
    static const char hex[] = "0123456789abcdef";
    const QString text = BytesToDisplay(bytes);
    std::string out;
    out.reserve(std::size_t(text.size()) + 2);
    out += '"';
    for (QChar qc : text) {
        char16_t c = qc.unicode();
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
    return out;
}

std::string jsonLines(const std::vector<std::string>& lines) {
    std::string out = "[";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) out += ',';
        out += jsonString(lines[i]);
    }
    return out + "]";
}

std::string jsonBool(bool b) {
    return b ? "true" : "false";
}

std::string jsonPane(const PaneRecord& p, const DesktopColors& desktop) {
    std::string o = "{";
    o += "\"content\":" + std::to_string(p.content);
    o += ",\"font\":" + jsonString(FontToText(p.font, true, desktop));
    o += ",\"textShallowBorder\":" + jsonBool(p.textShallowBorder);
    o += ",\"textDeepBorder\":" + jsonBool(p.textDeepBorder);
    o += ",\"textBackground\":" + std::to_string(p.textBackground);
    o += ",\"centredText\":" + jsonBool(p.centredText);
    o += ",\"textLines\":" + jsonLines(p.textLines);
    o += ",\"imageShallowBorder\":" + jsonBool(p.imageShallowBorder);
    o += ",\"imageDeepBorder\":" + jsonBool(p.imageDeepBorder);
    o += ",\"stretchToFit\":" + jsonBool(p.stretchToFit);
    o += ",\"imageBackground\":" + std::to_string(p.imageBackground);
    o += ",\"imageFile\":" + jsonString(p.imageFile);
    o += ",\"webShallowBorder\":" + jsonBool(p.webShallowBorder);
    o += ",\"webDeepBorder\":" + jsonBool(p.webDeepBorder);
    o += ",\"webAddress\":" + jsonString(p.webAddress);
    return o + "}";
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
        std::string readError = ReadQuestionRecord(tree, n, r, desktop);
        std::string o = "{\"name\":" + jsonString(tree.text(n));
        o += ",\"layout\":" + std::to_string(r.layout);
        o += ",\"proportions\":[";
        for (std::size_t i = 0; i < r.proportions.size(); ++i)
            o += (i ? "," : "") + jsonString(r.proportions[i]);
        o += "],\"panes\":[";
        for (std::size_t i = 0; i < r.panes.size(); ++i)
            o += (i ? "," : "") + jsonPane(r.panes[i], desktop);
        o += "],\"notes\":" + jsonLines(r.notes);
        o += ",\"spokenQuestion\":" + jsonLines(r.spokenQuestion);
        o += ",\"answer\":" + jsonString(r.answer);
        o += ",\"spokenAnswer\":" + jsonLines(r.spokenAnswer);
        if (!readError.empty()) o += ",\"error\":" + jsonString(readError);
        o += "}\n";
        out << std::string_view(o);
    });
    return 0;
}

int demo(const QString& out) {
    QString error = WriteDemoFile(out);
    if (!error.isEmpty()) {
        fail(error); // names the file and the system's reason
        return ExitError;
    }
    return 0;
}

int write(const QString& in, const QString& out) {
    LibraryTree tree;
    std::string error;
    int code = loadInto(tree, in, error);
    if (code != 0) {
        if (code == ExitError) fail(error);
        return code;
    }
    QString saveError = SaveLibraryFile(tree, out);
    if (!saveError.isEmpty()) {
        fail(saveError);
        return ExitError;
    }
    return 0;
}

void printLine(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.data(), 1, std::size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

// The check a session runs before it starts, on the questions of FILE or below PATH.
// Relative image names are found next to FILE: a library moved with its pictures checks the
// same wherever the tool runs from.
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
        CheckStudyQuestions(tree, questions, toolDesktop(), QFileInfo(path).absoluteDir().path());
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

int usage() {
    std::fputs("usage: brenvik-tool dump FILE\n"
               "       brenvik-tool record FILE\n"
               "       brenvik-tool demo OUT\n"
               "       brenvik-tool write FILE OUT\n"
               "       brenvik-tool check FILE [PATH]\n"
               "           checks the questions of FILE, or those below the object PATH\n"
               "           (names from the library down joined by \" > \"), as a study session\n"
               "           does before it starts; relative image names are taken relative to\n"
               "           the folder of FILE. Prints the first problem and the question's\n"
               "           path (exit 1), or the number of questions checked (exit 0).\n",
               stderr);
    return ExitNoFile;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string_view command = argv[1];
    auto arg = [&](int i) { return QString::fromLocal8Bit(argv[i]); };
    try {
        if (command == "dump" && argc == 3) return dump(arg(2));
        if (command == "record" && argc == 3) return record(arg(2));
        if (command == "demo" && argc == 3) return demo(arg(2));
        if (command == "write" && argc == 4) return write(arg(2), arg(3));
        if (command == "check" && argc == 3) return check(arg(2), nullptr);
        if (command == "check" && argc == 4) {
            const QString objectPath = arg(3);
            return check(arg(2), &objectPath);
        }
    } catch (const std::exception& e) {
        fail(std::string(e.what()));
        return ExitError;
    }
    return usage();
}
