#include "platform/shellopen.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace brenvik {

bool ShellOpen::openFile(const QString& path, QString* error) {
    return open(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()), error);
}

bool ShellOpen::openAddress(const QString& address, QString* error) {
    QUrl url = QUrl::fromUserInput(address.trimmed());
    return open(url, error);
}

bool DesktopShellOpen::open(const QUrl& url, QString* error) {
    if (!url.isValid() || url.isEmpty()) {
        if (error) *error = QStringLiteral("\"%1\" is not a valid address.").arg(url.toString());
        return false;
    }
    if (url.isLocalFile() && !QFileInfo::exists(url.toLocalFile())) {
        if (error)
            *error = QStringLiteral("The file \"%1\" does not exist.").arg(url.toLocalFile());
        return false;
    }
    if (!QDesktopServices::openUrl(url)) {
        if (error)
            *error = QStringLiteral("No program could open \"%1\".")
                         .arg(url.isLocalFile() ? url.toLocalFile() : url.toString());
        return false;
    }
    return true;
}

} // namespace brenvik
