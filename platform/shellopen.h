#pragma once

#include <QList>
#include <QString>
#include <QUrl>

namespace brenvik {

// The desktop's "open" action for files and web addresses. Always a QUrl handed to the
// desktop services, never a command line, so no file name is ever interpreted by a shell.
class ShellOpen {
public:
    virtual ~ShellOpen() = default;
    // Opens `url`; on failure returns false and sets *error (when given) to a text to show.
    virtual bool open(const QUrl& url, QString* error = nullptr) = 0;

    bool openFile(const QString& path, QString* error = nullptr);
    // A web address; one without a scheme ("www.example.org") is taken as http.
    bool openAddress(const QString& address, QString* error = nullptr);
};

// The real desktop: QDesktopServices::openUrl.
class DesktopShellOpen : public ShellOpen {
public:
    bool open(const QUrl& url, QString* error = nullptr) override;
};

} // namespace brenvik
