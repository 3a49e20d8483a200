#include "import/exporter.h"

#include "import/apkgwriter.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "library/savefile.h"
#include "library/textcodec.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <map>
#include <set>

namespace brenvik {

namespace {

std::string utf8(std::string_view bytes) {
    return BytesToDisplay(bytes).toStdString();
}

QString lowerSuffix(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}

// A pane's or a sound's file as a session finds it (ResolveStudyPath); empty for a web
// address, which no package can hold.
QString resolveFile(const QString& name, const ExportFolders& folders) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (!name.startsWith(QLatin1String("file:"), Qt::CaseInsensitive) &&
        scheme.match(name).hasMatch())
        return {};
    const QString path = ResolveStudyPath(name, folders);
    return scheme.match(path).hasMatch() ? QString() : path;
}

// The name of a sound directive line "[sound:NAME]", or empty.
std::string soundName(std::string_view line) {
    while (!line.empty() && static_cast<unsigned char>(line.front()) <= ' ')
        line.remove_prefix(1);
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ')
        line.remove_suffix(1);
    if (!line.starts_with("[sound:") || !line.ends_with("]")) return {};
    return std::string(line.substr(7, line.size() - 8));
}

// The questions of the branch, in tree order, with the path of each one's objects.
class Collector {
public:
    Collector(const LibraryTree& tree, const ExportFolders& folders, const DesktopColors& desktop,
              std::vector<std::string>& leftOut, bool withSounds)
        : tree_(tree), folders_(folders), desktop_(desktop), leftOut_(leftOut),
          withSounds_(withSounds) {}

    std::vector<ExportNote> collect(NodeId top) {
        const NodeId end = tree_.preorderNextSkipping(top);
        for (NodeId n = top; n != NoNode && n != end;) {
            const int kind = tree_.kind(n);
            if (kind == Question) {
                add(n);
                n = tree_.preorderNextSkipping(n);
            } else if (isObjectKind(kind) || kind == TopLevelObject) {
                n = tree_.preorderNext(n);
            } else {
                n = tree_.preorderNextSkipping(n); // notes and settings hold no questions
            }
        }
        return std::move(notes_);
    }

private:
    std::string path(NodeId question) const {
        std::string out;
        for (NodeId n = question; n != NoNode && tree_.parent(n) != NoNode; n = tree_.parent(n))
            out = utf8(tree_.text(n)) + (out.empty() ? "" : " > ") + out;
        return out;
    }

    std::string deck(NodeId question) const {
        std::string out;
        for (NodeId n = tree_.parent(question); n != NoNode; n = tree_.parent(n))
            if (tree_.depth(n) >= Set && tree_.depth(n) <= Concept)
                out = utf8(tree_.text(n)) + (out.empty() ? "" : "::") + out;
        return out;
    }

    // The media name of a file for the note, or empty when it is left out (then named in
    // `leftOut` as "<what> "<name>" of "<question>": <why>").
    std::string media(ExportNote& note, const std::string& name, const char* what,
                      NodeId question) {
        auto leave = [&](const char* why) {
            leftOut_.push_back(std::string(what) + " \"" + name + "\" of \"" + path(question) +
                               "\": " + why);
            return std::string();
        };
        const QString file = resolveFile(QString::fromStdString(name), folders_);
        if (file.isEmpty()) return leave("a web address, not a file");
        const QString suffix = lowerSuffix(file);
        if (suffix == QLatin1String("wmf") || suffix == QLatin1String("emf"))
            return leave("Anki cannot show metafiles");
        if (!QFileInfo(file).isFile()) return leave("the file is missing");
        auto [it, fresh] = byPath_.try_emplace(file);
        if (fresh) {
            // The file's own name, numbered when another file already has it.
            const QFileInfo info(file);
            QString chosen = info.fileName();
            for (int n = 2; taken_.count(chosen.toLower()); ++n)
                chosen = info.completeBaseName() + QStringLiteral(" (%1)").arg(n) +
                         (info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix());
            taken_.insert(chosen.toLower());
            it->second = chosen.toStdString();
        }
        for (const ExportNote::Media& m : note.media)
            if (m.path == file) return it->second;
        note.media.push_back({it->second, file});
        return it->second;
    }

    void sounds(ExportNote& note, std::string& field, const std::vector<std::string>& spoken,
                NodeId question) {
        for (const std::string& line : spoken) {
            const std::string name = soundName(utf8(line));
            if (name.empty()) continue;
            if (!withSounds_) {
                leftOut_.push_back("sound \"" + name + "\" of \"" + path(question) +
                                   "\": a text file holds no sounds");
                continue;
            }
            const std::string kept = media(note, name, "sound", question);
            if (!kept.empty()) field += (field.empty() ? "[sound:" : " [sound:") + kept + "]";
        }
    }

    void add(NodeId question) {
        QuestionRecord record = QuestionRecord::newRecord(desktop_);
        if (const Status read = ReadQuestionRecord(tree_, question, record, desktop_); !read) {
            leftOut_.push_back("question \"" + path(question) + "\": " + read.error);
            return;
        }
        ExportNote note;
        note.deck = deck(question);
        const int panes = record.layout == 2 ? 2 : record.layout == 3 ? 3 : 1;
        std::vector<std::string> pictures;
        for (int i = 0; i < panes; ++i) {
            const PaneRecord& pane = record.panes[std::size_t(i)];
            // A second text pane is rare; its lines follow the first's rather than be lost.
            if (pane.content == TextContent) {
                for (const std::string& line : pane.textLines)
                    note.front += (note.front.empty() ? "" : "<br>") + EscapeHtml(utf8(line));
            } else if (pane.content == ImageContent && !pane.imageFile.empty()) {
                const std::string kept = media(note, utf8(pane.imageFile), "picture", question);
                if (!kept.empty()) pictures.push_back(kept);
            } else if (pane.content == WebsiteContent && !pane.webAddress.empty()) {
                leftOut_.push_back("website \"" + utf8(pane.webAddress) + "\" of \"" +
                                   path(question) + "\": the export holds no web pages");
            }
        }
        for (const std::string& picture : pictures)
            note.front += (note.front.empty() ? "" : "<br>") + std::string("<img src=\"") +
                          EscapeHtml(picture) + "\">";
        if (note.front.empty()) {
            leftOut_.push_back("question \"" + path(question) + "\": nothing to ask without " +
                               "its panes");
            return;
        }
        sounds(note, note.front, record.spokenQuestion, question);
        note.back = EscapeHtml(utf8(record.answer));
        sounds(note, note.back, record.spokenAnswer, question);
        for (const std::string& line : record.notes)
            note.notes += (note.notes.empty() ? "" : "<br>") + EscapeHtml(utf8(line));
        notes_.push_back(std::move(note));
    }

    const LibraryTree& tree_;
    const ExportFolders& folders_;
    const DesktopColors& desktop_;
    std::vector<std::string>& leftOut_;
    const bool withSounds_;
    std::vector<ExportNote> notes_;
    std::map<QString, std::string> byPath_; // file -> its media name
    std::set<QString> taken_;               // media names in use, lower case
};

bool isPictureName(const std::string& name) {
    static const char* const sounds[] = {".wav", ".mp3",  ".ogg", ".oga", ".flac",
                                         ".m4a", ".opus", ".spx", ".aac", ".webm"};
    std::string low(name);
    for (char& c : low)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    for (const char* s : sounds)
        if (low.ends_with(s)) return false;
    return true;
}

// A field of a separated file: quoted when it holds the separator, a quote or a line
// break, with its quotes doubled.
std::string quoted(const std::string& field, char separator) {
    if (field.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos)
        return field;
    std::string out = "\"";
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + '"';
}

std::string row(const std::vector<std::string>& fields, char separator, const char* end) {
    std::string out;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) out += separator;
        out += quoted(fields[i], separator);
    }
    return out + end;
}

Status writeAtomically(const QString& path, const std::string& bytes) {
    QFileInfo info(path);
    if (info.isDir()) return Status::failure("it is a folder");
    // A read-only file is the user's way of protecting it, as for a library.
    if (info.exists() && !(info.permissions() & QFileDevice::WriteOwner))
        return Status::failure("the file is read-only");
    return WriteFileAtomically(path, [&bytes](QIODevice& device) {
        return WriteAllBytes(device, bytes.data(), qint64(bytes.size()));
    });
}

} // namespace

bool ExportFormatForFile(const QString& path, ExportFormat& format) {
    return ExportFormatFromName(lowerSuffix(path).toStdString(), format);
}

bool ExportFormatFromName(std::string_view name, ExportFormat& format) {
    if (name == "apkg")
        format = ExportFormat::Package;
    else if (name == "txt")
        format = ExportFormat::AnkiText;
    else if (name == "csv")
        format = ExportFormat::Csv;
    else
        return false;
    return true;
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString ExportSummary::text(std::size_t shown) const {
    auto counted = [](int n, const char* one, const char* many) -> QString {
        return QString::number(n) + QLatin1Char(' ') + QLatin1String(n == 1 ? one : many);
    };
    QString s = counted(questions, "question", "questions");
    if (sounds > 0)
        s += QStringLiteral(", ") + counted(pictures, "picture", "pictures") +
             QStringLiteral(" and ") + counted(sounds, "sound", "sounds");
    else
        s += QStringLiteral(" and ") + counted(pictures, "picture", "pictures");
    s += QStringLiteral(" exported");
    if (!format.empty()) s += QStringLiteral(" (") + QString::fromStdString(format) + ')';
    if (!leftOut.empty()) {
        s += QStringLiteral("; ") + QString::number(leftOut.size()) + QStringLiteral(" left out:");
        shown = std::min(leftOut.size(), shown);
        for (std::size_t i = 0; i < shown; ++i)
            s += QLatin1Char('\n') + QString::fromStdString(leftOut[i]);
        if (leftOut.size() > shown)
            s += QStringLiteral("\nand %1 more").arg(leftOut.size() - shown);
    }
    return s;
}

std::vector<ExportNote> CollectExportNotes(const LibraryTree& tree, NodeId top,
                                           const ExportFolders& folders,
                                           const DesktopColors& desktop,
                                           std::vector<std::string>& leftOut, bool sounds) {
    if (top == NoNode || !tree.isValid(top)) return {};
    return Collector(tree, folders, desktop, leftOut, sounds).collect(top);
}

std::string AnkiTextExport(const std::vector<ExportNote>& notes) {
    std::string out = "#separator:tab\n#html:true\n#columns:Front\tBack\tNotes\tDeck\n"
                      "#deck column:4\n";
    for (const ExportNote& note : notes) {
        // A row starting with "#" would be read as a header line.
        std::string front = note.front;
        if (front.starts_with('#')) front = "&#35;" + front.substr(1);
        out += row({front, note.back, note.notes, note.deck}, '\t', "\n");
    }
    return out;
}

std::string CsvExport(const std::vector<ExportNote>& notes) {
    std::string out = row({"Front", "Back", "Notes", "Deck"}, ',', "\r\n");
    for (const ExportNote& note : notes)
        out += row({note.front, note.back, note.notes, note.deck}, ',', "\r\n");
    return out;
}

Result<ExportSummary> ExportBranch(const LibraryTree& tree, NodeId top, const QString& path,
                                   ExportFormat format, const ExportFolders& folders,
                                   const DesktopColors& desktop) {
    using R = Result<ExportSummary>;
    auto failure = [&](const std::string& reason) {
        return R::failure(
            FileFailure(QStringLiteral("export"), path, QString::fromStdString(reason))
                .toStdString());
    };
    if (top == NoNode || !tree.isValid(top) || !tree.isAttached(top))
        return failure("the branch to export is no longer in the library");
    ExportSummary summary;
    const std::vector<ExportNote> notes = CollectExportNotes(
        tree, top, folders, desktop, summary.leftOut, format == ExportFormat::Package);
    if (notes.empty())
        return failure(summary.leftOut.empty()
                           ? std::string("there are no questions to export")
                           : "there are no questions to export (" + summary.leftOut.front() + ")");
    summary.questions = int(notes.size());
    std::set<std::string> files;
    for (const ExportNote& note : notes)
        for (const ExportNote::Media& m : note.media)
            if (files.insert(m.name).second)
                ++(isPictureName(m.name) ? summary.pictures : summary.sounds);

    std::string bytes;
    switch (format) {
    case ExportFormat::AnkiText:
        summary.format = "Anki text";
        bytes = AnkiTextExport(notes);
        break;
    case ExportFormat::Csv:
        summary.format = "CSV";
        bytes = CsvExport(notes);
        break;
    case ExportFormat::Package: {
        summary.format = "Anki package";
        std::vector<PackageNote> packageNotes;
        std::vector<PackageMedia> media;
        std::set<std::string> added;
        for (const ExportNote& note : notes) {
            packageNotes.push_back({note.front, note.back, note.notes, note.deck});
            for (const ExportNote::Media& m : note.media) {
                if (!added.insert(m.name).second) continue;
                QFile file(m.path);
                if (!file.open(QIODevice::ReadOnly))
                    return failure("cannot read \"" + m.path.toStdString() +
                                   "\": " + file.errorString().toStdString());
                const QByteArray b = file.readAll();
                if (file.error() != QFileDevice::NoError)
                    return failure("cannot read \"" + m.path.toStdString() +
                                   "\": " + file.errorString().toStdString());
                media.push_back({m.name, b.toStdString()});
            }
        }
        Result<std::string> package =
            WriteAnkiPackage(packageNotes, media, QDateTime::currentMSecsSinceEpoch());
        if (!package) return failure(package.error());
        bytes = std::move(package.value());
        break;
    }
    }
    if (const Status written = writeAtomically(path, bytes); !written)
        return failure(written.error);
    return summary;
}

} // namespace brenvik
