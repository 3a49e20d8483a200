#include "import/mediafolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

namespace brenvik {

QString MediaFolderName(const QString& libraryPath) {
    return QFileInfo(libraryPath).completeBaseName() + QStringLiteral(" media");
}

std::string UnsafeMediaName(std::string_view name) {
    if (name.empty()) return "its name is empty";
    if (name.find('\0') != std::string_view::npos) return "its name contains a NUL character";
    if (name.front() == '/') return "its name starts with \"/\"";
    if (name.find('\\') != std::string_view::npos) return "its name contains a backslash";
    if (name.find('/') != std::string_view::npos) {
        // Any folder part: "..", or a folder the media folder does not have.
        if (name == ".." || name.starts_with("../") || name.ends_with("/..") ||
            name.find("/../") != std::string_view::npos)
            return "its name contains \"..\"";
        return "its name contains a folder (\"/\")";
    }
    if (name == "." || name == "..") return "its name contains \"..\"";
    for (unsigned char c : name)
        if (c < 0x20) return "its name contains a control character";
    return {};
}

std::string PrintableMediaName(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20) {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[(c >> 4) & 15];
            out += hex[c & 15];
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

bool sameBytes(const QString& path, std::string_view bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() != qint64(bytes.size())) return false;
    const QByteArray have = file.readAll();
    return std::string_view(have.constData(), std::size_t(have.size())) == bytes;
}

// "flag.png" -> "flag (2).png"
QString numbered(const QString& name, int n) {
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = QStringLiteral(" (%1)").arg(n);
    if (dot <= 0) return name + suffix;
    return name.left(dot) + suffix + name.mid(dot);
}

} // namespace

MediaStage::MediaStage(const QString& libraryPath) {
    const QFileInfo library(libraryPath);
    libraryDir_ = library.absolutePath();
    folderName_ = MediaFolderName(libraryPath);
}

MediaStage::~MediaStage() {
    if (!committed_ && !stagingPath_.isEmpty()) QDir(stagingPath_).removeRecursively();
}

Result<std::string> MediaStage::add(const std::string& name, std::string_view bytes) {
    using R = Result<std::string>;
    if (auto it = names_.find(name); it != names_.end()) return it->second;
    if (const std::string why = UnsafeMediaName(name); !why.empty())
        return R::failure("media file \"" + PrintableMediaName(name) + "\" skipped: " + why);
    const QDir folder(QDir(libraryDir_).filePath(folderName_));
    const QString wanted = QString::fromStdString(name);
    QString chosen;
    bool write = true;
    for (int n = 1;; ++n) {
        const QString candidate = n == 1 ? wanted : numbered(wanted, n);
        const std::string key = candidate.toStdString();
        if (fresh_.count(key)) continue; // staged by this import under another package name
        const QString existing = folder.filePath(candidate);
        if (QFileInfo::exists(existing)) {
            if (QFileInfo(existing).isFile() && sameBytes(existing, bytes)) {
                chosen = candidate;
                write = false;
                break;
            }
            continue;
        }
        chosen = candidate;
        break;
    }
    if (write) {
        if (stagingPath_.isEmpty()) {
            // Hidden and unique, beside the library so that commit() is a rename.
            stagingPath_ =
                QDir(libraryDir_)
                    .filePath(QLatin1Char('.') + folderName_ + QStringLiteral(".import-") +
                              QUuid::createUuid().toString(QUuid::Id128).left(12));
            if (!QDir().mkpath(stagingPath_)) {
                const QString path = stagingPath_;
                stagingPath_.clear();
                return R::failure("could not make the folder \"" + path.toStdString() + "\"");
            }
        }
        QSaveFile file(QDir(stagingPath_).filePath(chosen));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) ||
            !file.commit())
            return R::failure("could not write the media file \"" + name +
                              "\": " + file.errorString().toStdString());
        fresh_[chosen.toStdString()] = true;
    }
    std::string relative = QString(folderName_ + QLatin1Char('/') + chosen).toStdString();
    names_[name] = relative;
    return relative;
}

Status MediaStage::commit() {
    if (committed_) return Status::success();
    committed_ = true;
    if (stagingPath_.isEmpty()) return Status::success(); // every file was there already
    const QString target = QDir(libraryDir_).filePath(folderName_);
    if (!QFileInfo::exists(target)) {
        if (QDir().rename(stagingPath_, target)) return Status::success();
        committed_ = false;
        return Status::failure("could not make the media folder \"" + target.toStdString() + "\"");
    }
    QDir staging(stagingPath_);
    for (const auto& [name, _] : fresh_) {
        const QString from = staging.filePath(QString::fromStdString(name));
        const QString to = QDir(target).filePath(QString::fromStdString(name));
        // The names were chosen free; a file that appeared since is kept all the same.
        if (QFileInfo::exists(to) || !QFile::rename(from, to)) {
            committed_ = false;
            return Status::failure("could not move the media file \"" + name + "\" into \"" +
                                   target.toStdString() + "\"");
        }
    }
    staging.removeRecursively();
    return Status::success();
}

} // namespace brenvik
