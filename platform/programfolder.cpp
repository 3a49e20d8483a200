#include "platform/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace brenvik {

bool ProgramFolder::isWritable(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
    const QString probe =
        QDir(folder).filePath(QStringLiteral(".brenvik-write-probe-") +
                              QString::number(QCoreApplication::applicationPid()));
    QFile file(probe);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    const bool wrote = file.write("probe", 5) == 5;
    file.close();
    const bool removed = QFile::remove(probe);
    return wrote && removed;
}

QStringList ProgramFolder::seedFiles(const QString& installedDataFolder) {
    QStringList names{QStringLiteral("ReadMe.txt"), QStringLiteral("Brenvik.htm")};
    const QDir dir(installedDataFolder);
    names +=
        dir.entryList({QStringLiteral("*.bmp"), QStringLiteral("*.BMP")}, QDir::Files, QDir::Name);
    // The guide's pictures.
    names += dir.entryList({QStringLiteral("guide-*.png")}, QDir::Files, QDir::Name);
    names.removeDuplicates();
    QStringList present;
    for (const QString& n : names)
        if (dir.exists(n)) present << n;
    return present;
}

namespace {

const QString kSettingsName = QStringLiteral("brenvik.ini");

QByteArray readAll(const QString& path, bool* ok) {
    QFile f(path);
    *ok = f.open(QIODevice::ReadOnly);
    return *ok ? f.readAll() : QByteArray();
}

// Writes `from`'s bytes to `to` through a save file (so a failed refresh keeps the old copy)
// and gives it `from`'s modification time.
bool copyShipped(const QString& from, const QString& to) {
    bool ok = false;
    const QByteArray data = readAll(from, &ok);
    if (!ok) return false;
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.commit())
        return false;
    QFile copy(to);
    if (copy.open(QIODevice::ReadWrite))
        copy.setFileTime(QFileInfo(from).lastModified(), QFileDevice::FileModificationTime);
    QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                  QFileDevice::ReadGroup | QFileDevice::ReadOther);
    return true;
}

} // namespace

QString ProgramFolder::moveSettings(const QString& from, const QString& to) {
    if (QFileInfo::exists(to))
        return QStringLiteral("\"%1\" exists already.").arg(QDir::toNativeSeparators(to));
    if (!QDir().mkpath(QFileInfo(to).absolutePath()))
        return QStringLiteral("The folder of \"%1\" cannot be made.")
            .arg(QDir::toNativeSeparators(to));
    if (QFile::rename(from, to)) return {};
    // Another file system: copy beside the target, compare, then put it in place.
    bool ok = false;
    const QByteArray data = readAll(from, &ok);
    const QString failed = QStringLiteral("\"%1\" could not be moved to \"%2\".")
                               .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to));
    if (!ok) return failed;
    const QString part = to + QStringLiteral(".part");
    QFile::remove(part);
    {
        QFile out(part);
        if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.flush()) {
            out.close();
            QFile::remove(part);
            return failed;
        }
    }
    bool readBack = false;
    if (readAll(part, &readBack) != data || !readBack || !QFile::rename(part, to)) {
        QFile::remove(part);
        return failed;
    }
    QFile::remove(from); // the moved copy is in place: a left-over old file is harmless
    return {};
}

ProgramFolder::Result ProgramFolder::choose(const QString& executableFolder,
                                            const QString& userFolder,
                                            const QString& installedDataFolder,
                                            const QString& configFolder) {
    Result r;
    if (isWritable(executableFolder)) {
        r.path = QDir::cleanPath(QFileInfo(executableFolder).absoluteFilePath());
        r.settingsFile = QDir(r.path).filePath(kSettingsName);
        return r;
    }
    if (userFolder.isEmpty() || !QDir().mkpath(userFolder) || !isWritable(userFolder)) {
        r.error = QStringLiteral("Neither the program's folder \"%1\" nor the folder \"%2\" "
                                 "can be written to.")
                      .arg(QDir::toNativeSeparators(executableFolder),
                           QDir::toNativeSeparators(userFolder));
        return r;
    }
    r.path = QDir::cleanPath(QFileInfo(userFolder).absoluteFilePath());
    r.fallback = true;
    QStringList problems;
    QStringList failed;
    const QDir from(installedDataFolder), to(r.path);
    for (const QString& name : seedFiles(installedDataFolder)) {
        const QFileInfo shipped(from.filePath(name)), copy(to.filePath(name));
        // The user's own copy, or one changed since it was seeded, wins.
        if (copy.exists() && copy.lastModified() >= shipped.lastModified()) continue;
        if (!copyShipped(shipped.filePath(), copy.filePath())) failed << name;
    }
    if (!failed.isEmpty())
        problems << QStringLiteral("Could not copy %1 into \"%2\".")
                        .arg(failed.join(QStringLiteral(", ")), QDir::toNativeSeparators(r.path));

    r.settingsFile = to.filePath(kSettingsName);
    if (!configFolder.isEmpty()) {
        const QString configured = QDir(configFolder).filePath(kSettingsName);
        if (QFileInfo::exists(configured) || !QFileInfo::exists(r.settingsFile)) {
            r.settingsFile = configured;
            // The settings are written at the end through a save file, which needs its folder.
            if (!QDir().mkpath(configFolder))
                problems << QStringLiteral("The folder \"%1\" cannot be made.")
                                .arg(QDir::toNativeSeparators(configFolder));
        } else if (const QString moved = moveSettings(r.settingsFile, configured);
                   moved.isEmpty()) {
            r.settingsFile = configured;
        } else {
            problems << moved; // the settings stay where they were, and are used there
        }
    }
    r.error = problems.join(QLatin1Char('\n'));
    return r;
}

bool ProgramFolder::isInstalledCopy(const QString& executableFolder,
                                    const QString& installedDataFolder) {
    const QString guide = QStringLiteral("Brenvik.htm");
    return QFileInfo::exists(QDir(installedDataFolder).filePath(guide)) &&
           !QFileInfo::exists(QDir(executableFolder).filePath(guide));
}

ProgramFolder::Result ProgramFolder::locate() {
    const QString exe = QCoreApplication::applicationDirPath();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString user = data.isEmpty() ? QString() : data + QStringLiteral("/Brenvik");
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString configFolder = config.isEmpty() ? QString() : config + QStringLiteral("/Brenvik");
    const QString installed = QDir::cleanPath(exe + QStringLiteral("/../share/brenvik"));
    // /usr/bin is writable for root: the folder's write access cannot tell an installed copy.
    if (isInstalledCopy(exe, installed)) {
        Result r = choose(QString(), user, installed, configFolder);
        if (r.path.isEmpty() && !user.isEmpty())
            r.error = QStringLiteral("The folder \"%1\" cannot be written to.")
                          .arg(QDir::toNativeSeparators(user));
        return r;
    }
    // A copy in its build folder keeps everything beside it; should that folder not be
    // writable, it behaves as an installed copy does.
    return choose(exe, user, installed, configFolder);
}

} // namespace brenvik
