#pragma once

#include "library/result.h"

#include <QString>
#include <QWidget>

namespace brenvik {

// The embedded web viewer of website panes, in the study window and in the question editor.
// Loads in the background and reports by signals, all on the UI thread. Silent: pages never
// raise dialogs, open windows, get permissions or download files.
class WebViewer : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;
    ~WebViewer() override = default;

    // Starts loading `address` exactly as stored: a web address, an absolute file path or a
    // file path relative to the program folder. Returns at once: success when the load has
    // started, else the error text for an address that is not valid at all. A page that
    // cannot be reached is not an error: it shows the error page and still ends with
    // downloadComplete. So is a local name that is not a regular file (a pipe, a device, a
    // folder): it is never opened, an error page says so, and the load ends the same way.
    virtual Status navigate(const QString& address) = 0;
    virtual void stop() = 0;
    virtual void goBack() = 0;
    virtual void goForward() = 0;
    // True from the start of a load until its downloadComplete.
    virtual bool busy() const = 0;
    // The address actually shown (a local file as "file:///...").
    virtual QString locationUrl() const = 0;

Q_SIGNALS:
    void downloadBegin();
    void progressChange(int current, int maximum);
    void downloadComplete(); // after every load, an error page included
    void documentComplete();
    void navigateComplete(const QString& url);
    // command 1: going forward is possible; command 2: going back is possible.
    void commandStateChange(int command, bool enabled);
};

// Creates the viewers. The real one shares one browser profile between all its viewers.
class WebViewerFactory {
public:
    virtual ~WebViewerFactory() = default;
    virtual WebViewer* create(QWidget* parent) = 0;
};

// Viewers on Qt WebEngine. `programFolder` resolves relative file names.
class EngineWebViewerFactory : public WebViewerFactory {
public:
    explicit EngineWebViewerFactory(const QString& programFolder);
    ~EngineWebViewerFactory() override;
    WebViewer* create(QWidget* parent) override;

private:
    struct Shared;
    Shared* shared_;
};

} // namespace brenvik
