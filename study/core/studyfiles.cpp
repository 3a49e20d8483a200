#include "study/core/studyfiles.h"

#include "study/core/shelltarget.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace brenvik {

namespace {

// An address with a scheme ("http://", "about:blank") is not a file name; one letter before
// the colon would be a drive, which is not a scheme either.
bool HasScheme(const QString& name) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(name).hasMatch();
}

QString InFolder(const QString& folder, const QString& name) {
    return QDir::cleanPath(QDir(folder).filePath(name));
}

} // namespace

QString ResolveStudyPath(const QString& name, const StudyFolders& folders) {
    if (name.isEmpty()) return name;
    if (name.startsWith(QLatin1String("file:"), Qt::CaseInsensitive))
        return ShellTarget(name).target;
    if (HasScheme(name)) return name;
    if (QDir::isAbsolutePath(name)) return QDir::cleanPath(name);
    if (!folders.libraryFolder.isEmpty()) {
        const QString beside = InFolder(folders.libraryFolder, name);
        if (QFileInfo(beside).isFile()) return beside;
    }
    return InFolder(folders.programFolder, name);
}

QString ResolveWebAddress(const QString& address, const StudyFolders& folders) {
    const QString name = address.trimmed();
    if (name.isEmpty() || name.startsWith(QLatin1String("file:"), Qt::CaseInsensitive) ||
        HasScheme(name) || QDir::isAbsolutePath(name))
        return address;
    for (const QString& folder : {folders.libraryFolder, folders.programFolder}) {
        if (folder.isEmpty()) continue;
        const QString path = InFolder(folder, name);
        if (QFileInfo::exists(path)) return path;
    }
    return address;
}

} // namespace brenvik
