#pragma once

#include "library/result.h"

#include <QList>
#include <QString>
#include <QUrl>

namespace brenvik {

// The desktop's "open" action for files and web addresses. Always a QUrl handed to the
// desktop services, never a command line, so no file name is ever interpreted by a shell.
class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    // Opens `url`; fails with a text to show.
    virtual Status open(const QUrl& url) = 0;

    Status openFile(const QString& path);
    // A web address; one without a scheme ("www.example.org") is taken as http.
    Status openAddress(const QString& address);
};

// The real desktop: QDesktopServices::openUrl.
class DesktopShellOpen : public ShellOpen {
public:
    Status open(const QUrl& url) override;
};

} // namespace brenvik
