#include "import/apkgimport.h"

#include "import/apkgreader.h"
#include "library/outline.h"

#include <QFileInfo>
#include <map>
#include <set>

namespace brenvik {

namespace {

Result<PackageImport> failure(const QString& path, const std::string& reason,
                              ImportFailure* failedAt, ImportFailure stage) {
    if (failedAt) *failedAt = stage;
    return Result<PackageImport>::failure(
        FileFailure(QStringLiteral("import"), path, QString::fromStdString(reason)).toStdString());
}

bool isPicture(const std::string& name) {
    // Every name an <img src> gives is a picture; this only sorts the summary's count.
    static const char* const suffixes[] = {".png",  ".jpg", ".jpeg", ".gif",  ".bmp",
                                           ".webp", ".svg", ".tif",  ".tiff", ".ico"};
    std::string low(name);
    for (char& c : low)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    for (const char* s : suffixes)
        if (low.ends_with(s)) return true;
    return false;
}

} // namespace

Result<PackageImport> ImportAnkiPackage(LibraryTree& tree, UndoStore& undo, NodeId target,
                                        const QString& path, const QString& libraryPath,
                                        BuildOptions build, const DesktopColors& desktop,
                                        ImportFailure* failedAt, const PackageLimits* limits) {
    if (failedAt) *failedAt = ImportFailure::None;
    if (!QFileInfo::exists(path))
        return failure(path, "there is no such file", failedAt, ImportFailure::File);
    if (QFileInfo(path).isDir())
        return failure(path, "it is a folder, not a file", failedAt, ImportFailure::File);
    auto opened = PackageFile::open(path, limits ? *limits : PackageLimits{});
    if (!opened) return failure(path, opened.error(), failedAt, ImportFailure::NotText);
    const PackageFile& package = *opened.value();
    Result<AnkiPackage> read = ReadAnkiPackage(package);
    if (!read) return failure(path, read.error(), failedAt, ImportFailure::NotText);
    AnkiPackage& pkg = read.value();

    PackageImport result;
    result.media = std::make_unique<MediaStage>(libraryPath);
    std::vector<std::string> notices = pkg.notices;
    std::map<std::string, std::string> staged; // package name -> library name ("" skipped)
    std::set<std::string> pictures;
    // Each skipped file is named once, however many notes use it.
    auto stage = [&](const std::string& name) -> std::string {
        if (auto it = staged.find(name); it != staged.end()) return it->second;
        std::string& chosen = staged[name];
        if (const std::string why = UnsafeMediaName(name); !why.empty()) {
            notices.push_back("media file \"" + PrintableMediaName(name) + "\" skipped: " + why);
            return chosen;
        }
        const auto entry = pkg.media.find(name);
        if (entry == pkg.media.end()) {
            notices.push_back("media file \"" + PrintableMediaName(name) +
                              "\" skipped: it is not in the package");
            return chosen;
        }
        Result<std::string> bytes = package.readMedia(entry->second, pkg.zstdMedia);
        if (!bytes) {
            notices.push_back(
                "media file \"" + name + "\" skipped: " +
                (package.has(entry->second) ? bytes.error() : "it is missing from the package"));
            return chosen;
        }
        Result<std::string> added = result.media->add(name, bytes.value());
        if (!added) {
            notices.push_back(added.error());
            return chosen;
        }
        chosen = added.value();
        return chosen;
    };
    auto rename = [&](std::vector<std::string>& names, bool picture) {
        std::vector<std::string> kept;
        for (const std::string& name : names) {
            std::string renamed = stage(name);
            if (renamed.empty()) continue;
            if (picture && isPicture(renamed)) pictures.insert(renamed);
            kept.push_back(picture ? renamed : "[sound:" + renamed + "]");
        }
        names = std::move(kept);
    };
    for (ImportNote& note : pkg.notes.notes) {
        rename(note.questionPictures, true);
        rename(note.answerPictures, true);
        rename(note.otherPictures, true);
        rename(note.questionSounds, false);
        rename(note.answerSounds, false);
    }

    if (build.sourceName.empty())
        build.sourceName = QFileInfo(path).completeBaseName().toStdString();
    build.questionField = 0;
    build.answerField = 1;
    Result<ImportSummary> built = BuildImport(tree, undo, target, pkg.notes, build, desktop);
    if (!built) {
        if (!pkg.notices.empty())
            return failure(path, built.error() + " (" + pkg.notices.front() + ")", failedAt,
                           ImportFailure::Content);
        return failure(path, built.error(), failedAt, ImportFailure::Content);
    }
    result.summary = std::move(built.value());
    result.summary.countsPictures = true;
    result.summary.pictures = int(pictures.size());
    result.summary.notices = std::move(notices);
    return result;
}

} // namespace brenvik
