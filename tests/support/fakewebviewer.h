#pragma once

#include "platform/webviewer.h"

#include <QList>
#include <QPointer>
#include <QStringList>

namespace brenvik {

// A web viewer without a browser, for tests: it records what it is asked and ends each load
// as its factory says.
class FakeWebViewer : public WebViewer {
    Q_OBJECT
public:
    enum class Behaviour {
        Complete, // the load ends on the next turn of the event loop
        Never,    // the load never ends (a page that hangs)
        Manual,   // the test calls finishLoad()
    };
    FakeWebViewer(Behaviour behaviour, QWidget* parent);

    Status navigate(const QString& address) override;
    void stop() override;
    void goBack() override;
    void goForward() override;
    bool busy() const override { return busy_; }
    QString locationUrl() const override { return location_; }

    // Ends the load in progress: navigate complete with `url` (the address when empty),
    // then download complete and document complete.
    void finishLoad(const QString& url = QString());

    QStringList navigations; // every address navigate() was given
    int stops = 0;
    QString refusal; // when set, navigate() refuses with this text

private:
    Behaviour behaviour_;
    bool busy_ = false;
    QString location_;
    QString pending_;
    QStringList history_;
    int historyPos_ = -1;
};

class FakeWebViewerFactory : public WebViewerFactory {
public:
    FakeWebViewer::Behaviour behaviour = FakeWebViewer::Behaviour::Complete;
    QString refusal;
    QList<QPointer<FakeWebViewer>> created;
    WebViewer* create(QWidget* parent) override;
};

} // namespace brenvik
