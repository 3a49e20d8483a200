#pragma once

#include "platform/shellopen.h"

#include <QList>
#include <QUrl>

namespace brenvik {

// Records the URLs instead of opening them.
class FakeShellOpen : public ShellOpen {
public:
    QList<QUrl> opened;
    bool result = true;
    QString failure = QStringLiteral("The file could not be opened.");
    Status open(const QUrl& url) override;
};

} // namespace brenvik
