#include "platform/shellopen.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace brenvik {

Status ShellOpen::openFile(const QString& path) {
    return open(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
}

Status ShellOpen::openAddress(const QString& address) {
    return open(QUrl::fromUserInput(address.trimmed()));
}

Status DesktopShellOpen::open(const QUrl& url) {
    if (!url.isValid() || url.isEmpty())
        return Status::failure(
            QStringLiteral("\"%1\" is not a valid address.").arg(url.toString()));
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile()))
        return Status::failure(
            QStringLiteral("The file \"%1\" does not exist.").arg(url.toLocalFile()));
    if (!QDesktopServices::openUrl(url))
        return Status::failure(QStringLiteral("No program could open \"%1\".")
                                   .arg(url.isLocalFile() ? url.toLocalFile() : url.toString()));
    return Status::success();
}

} // namespace brenvik
