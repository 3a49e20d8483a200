#include "study/core/shelltarget.h"

#include <QByteArray>

namespace brenvik {

ShellTargetResult ShellTarget(const QString& address) {
    ShellTargetResult result;
    const QString trimmed = address.trimmed();
    if (!trimmed.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        result.target = trimmed;
        return result;
    }
    QString path = trimmed.mid(5);
    const bool urlForm = path.startsWith(QLatin1String("//"));
    int slashes = 0;
    while (slashes < path.size() && path.at(slashes) == QLatin1Char('/'))
        ++slashes;
    path = path.mid(slashes);
    // "file://localhost/x" names the same file as "file:///x".
    if (urlForm && slashes == 2 &&
        path.startsWith(QLatin1String("localhost/"), Qt::CaseInsensitive))
        path = path.mid(10);
    // The web viewer writes addresses back percent-encoded ("My%20Page.html").
    if (urlForm) path = QString::fromUtf8(QByteArray::fromPercentEncoding(path.toUtf8()));
    result.target = QLatin1Char('/') + path;
    result.localFile = true;
    return result;
}

} // namespace brenvik
