#include "platform/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
    names.removeDuplicates();
    QStringList present;
    for (const QString& n : names)
        if (dir.exists(n)) present << n;
    return present;
}

ProgramFolder::Result ProgramFolder::choose(const QString& executableFolder,
                                            const QString& userFolder,
                                            const QString& installedDataFolder) {
    Result r;
    if (isWritable(executableFolder)) {
        r.path = QDir::cleanPath(QFileInfo(executableFolder).absoluteFilePath());
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
    QStringList failed;
    const QDir from(installedDataFolder), to(r.path);
    for (const QString& name : seedFiles(installedDataFolder)) {
        if (to.exists(name)) continue; // the user's own copy wins
        if (!QFile::copy(from.filePath(name), to.filePath(name)))
            failed << name;
        else
            QFile::setPermissions(to.filePath(name),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ReadGroup | QFileDevice::ReadOther);
    }
    if (!failed.isEmpty())
        r.error = QStringLiteral("Could not copy %1 into \"%2\".")
                      .arg(failed.join(QStringLiteral(", ")), QDir::toNativeSeparators(r.path));
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
    const QString installed = QDir::cleanPath(exe + QStringLiteral("/../share/brenvik"));
    // /usr/bin is writable for root: the folder's write access cannot tell an installed copy.
    if (isInstalledCopy(exe, installed)) {
        Result r = choose(QString(), user, installed);
        if (r.path.isEmpty() && !user.isEmpty())
            r.error = QStringLiteral("The folder \"%1\" cannot be written to.")
                          .arg(QDir::toNativeSeparators(user));
        return r;
    }
    return choose(exe, user, installed);
}

} // namespace brenvik
