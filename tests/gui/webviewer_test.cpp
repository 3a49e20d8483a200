// The web viewer on the real engine, offscreen: its notifications, address rules, silence
// (no dialogs, windows or downloads) and that a page from the network cannot read local files.
#include "platform/webviewer.h"
#include "waituntil.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QLabel>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace brenvik;

namespace {

constexpr int kLoadBound = 60000; // the engine's first start is slow on a loaded machine

bool writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// Everything a viewer reports, in order.
struct Recorder {
    explicit Recorder(WebViewer* v) : viewer(v) {
        QObject::connect(v, &WebViewer::downloadBegin, v, [this] { events << "begin"; });
        QObject::connect(v, &WebViewer::downloadComplete, v, [this] {
            events << "complete";
            ++completes;
        });
        QObject::connect(v, &WebViewer::documentComplete, v, [this] { events << "document"; });
        QObject::connect(v, &WebViewer::navigateComplete, v, [this](const QString& url) {
            events << "navigate";
            urls << url;
        });
        QObject::connect(v, &WebViewer::progressChange, v, [this](int current, int maximum) {
            lastProgress = current;
            maxProgress = maximum;
        });
        QObject::connect(v, &WebViewer::commandStateChange, v,
                         [this](int command, bool on) { (command == 1 ? forward : back) = on; });
    }
    // Navigates and waits for the load's end; the error text of a refused address.
    bool load(const QString& address) {
        const int before = completes;
        const Status started = viewer->navigate(address);
        EXPECT_TRUE(started.ok()) << started.error;
        return waitUntil([&] { return completes > before && !viewer->busy(); }, kLoadBound);
    }
    WebViewer* viewer;
    QStringList events, urls;
    int completes = 0, lastProgress = -1, maxProgress = 0;
    bool back = false, forward = false;
};

QString pageTitle(WebViewer* viewer) {
    auto* view = viewer->findChild<QWebEngineView*>();
    return view ? view->page()->title() : QString();
}

bool anyDialogShown() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && qobject_cast<QDialog*>(w)) return true;
    return false;
}

// A one-page web server on the loopback address: every request gets `body`.
class LoopbackServer : public QTcpServer {
public:
    explicit LoopbackServer(QByteArray body) : body_(std::move(body)) {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    request_ += s->readAll();
                    if (!request_.contains("\r\n\r\n")) return;
                    request_.clear();
                    s->write("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                             QByteArray::number(body_.size()) + "\r\nConnection: close\r\n\r\n" +
                             body_);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        listen(QHostAddress::LocalHost, 0);
    }
    QString url() const {
        return QStringLiteral("http://127.0.0.1:%1/page.html").arg(serverPort());
    }

private:
    QByteArray body_, request_;
};

// Whether someone holds the pipe open for reading (or waits in opening it). A writer's open
// releases such a reader, which then reads the end of the pipe, so a test that finds one
// does not hang.
bool pipeHasReader(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
    if (fd < 0) return false; // ENXIO: no reader
    ::close(fd);
    return true;
}

} // namespace

TEST(WebViewer, LocalFilesRelativeNamesAndHistory) {
    QTemporaryDir dir;
    const QString first = dir.filePath("first.html"), second = dir.filePath("sub/second.html");
    ASSERT_TRUE(writeFile(first, "<html><body>first</body></html>"));
    ASSERT_TRUE(writeFile(second, "<html><body>second</body></html>"));
    EngineWebViewerFactory factory(dir.path());
    QWidget host;
    host.resize(400, 300);
    WebViewer* viewer = factory.create(&host);
    viewer->resize(400, 300);
    host.show();
    EXPECT_FALSE(viewer->focusPolicy() & Qt::TabFocus);
    Recorder rec(viewer);

    ASSERT_TRUE(rec.load(first));
    const QString firstUrl = QUrl::fromLocalFile(first).toString();
    EXPECT_EQ(rec.urls.value(0), firstUrl);
    EXPECT_TRUE(firstUrl.startsWith("file:///"));
    EXPECT_EQ(viewer->locationUrl(), firstUrl);
    EXPECT_EQ(rec.events.value(0), "begin");
    ASSERT_GE(rec.events.indexOf("complete"), 0);
    EXPECT_LT(rec.events.indexOf("navigate"), rec.events.indexOf("complete"));
    EXPECT_EQ(rec.events.indexOf("document"), rec.events.indexOf("complete") + 1);
    EXPECT_EQ(rec.lastProgress, 100);
    EXPECT_EQ(rec.maxProgress, 100);
    EXPECT_FALSE(rec.back);

    // A name relative to the program folder, as a question stores it.
    ASSERT_TRUE(rec.load("sub/second.html"));
    const QString secondUrl = QUrl::fromLocalFile(second).toString();
    EXPECT_EQ(rec.urls.last(), secondUrl);
    EXPECT_TRUE(waitUntil([&] { return rec.back; }, kLoadBound));
    EXPECT_FALSE(rec.forward);

    int before = rec.completes;
    viewer->goBack();
    ASSERT_TRUE(waitUntil([&] { return rec.completes > before && !viewer->busy(); }, kLoadBound));
    EXPECT_EQ(rec.urls.last(), firstUrl);
    EXPECT_TRUE(waitUntil([&] { return rec.forward && !rec.back; }, kLoadBound));
    before = rec.completes;
    viewer->goForward();
    ASSERT_TRUE(waitUntil([&] { return rec.completes > before && !viewer->busy(); }, kLoadBound));
    EXPECT_EQ(rec.urls.last(), secondUrl);
    EXPECT_TRUE(waitUntil([&] { return rec.back && !rec.forward; }, kLoadBound));

    // A jump within the page shown is a navigation that ends like any other.
    ASSERT_TRUE(rec.load(secondUrl + "#end"));
    EXPECT_EQ(rec.urls.last(), secondUrl + "#end");
    ASSERT_TRUE(rec.load(secondUrl + "#end")); // the same again
    EXPECT_EQ(rec.urls.last(), secondUrl + "#end");

    // Loading the same page again still reports a navigation.
    const int navigations = int(rec.urls.size());
    ASSERT_TRUE(rec.load(second));
    EXPECT_GT(rec.urls.size(), navigations);
    EXPECT_EQ(rec.urls.last(), secondUrl);
}

TEST(WebViewer, UnreachableAndInvalidAddresses) {
    EngineWebViewerFactory factory(QDir::tempPath());
    QWidget host;
    WebViewer* viewer = factory.create(&host);
    host.show();
    Recorder rec(viewer);

    // Nothing listens on the loopback discard port: the error page, then the end of the load.
    ASSERT_TRUE(rec.load("http://127.0.0.1:9/"));
    EXPECT_FALSE(viewer->busy());
    EXPECT_TRUE(rec.events.contains("document"));
    EXPECT_FALSE(anyDialogShown());

    const int begins = int(rec.events.count("begin"));
    for (const QString& bad : {QStringLiteral("http://"), QStringLiteral("http://[::1"),
                               QStringLiteral("https://exa mple.org/"), QStringLiteral("   ")}) {
        SCOPED_TRACE(qPrintable(bad));
        EXPECT_FALSE(viewer->navigate(bad).ok());
    }
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(rec.events.count("begin"), begins);
    EXPECT_FALSE(viewer->busy());
}

TEST(WebViewer, PagesRaiseNoDialogsWindowsOrDownloads) {
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("noisy.html"),
                          "<html><head><script>"
                          "alert('a'); confirm('b'); prompt('c');"
                          "var w = window.open('noisy.html', '_blank');"
                          "document.title = 'ran ' + (w === null);"
                          "console.error('quiet');"
                          "</script></head><body><a id=x target=_blank href=noisy.html>x</a>"
                          "</body></html>"));
    ASSERT_TRUE(writeFile(dir.filePath("archive.bin"), QByteArray(4096, '\x01')));
    EngineWebViewerFactory factory(dir.path());
    QWidget host;
    WebViewer* viewer = factory.create(&host);
    host.show();
    Recorder rec(viewer);
    const int windows = int(QApplication::topLevelWidgets().size());

    ASSERT_TRUE(rec.load("noisy.html"));
    EXPECT_TRUE(waitUntil([&] { return pageTitle(viewer) == "ran true"; }, kLoadBound))
        << qPrintable(pageTitle(viewer));
    waitUntil([] { return false; }, 500);
    EXPECT_FALSE(anyDialogShown());
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windows);

    // A file the engine would save instead of showing: refused, and the wait still ends.
    const QString downloads = QDir::homePath() + "/Downloads/archive.bin";
    const bool existedBefore = QFile::exists(downloads);
    const int before = rec.completes;
    EXPECT_TRUE(viewer->navigate("archive.bin").ok());
    EXPECT_TRUE(waitUntil([&] { return rec.completes > before && !viewer->busy(); }, kLoadBound));
    waitUntil([] { return false; }, 500);
    if (!existedBefore) {
        EXPECT_FALSE(QFile::exists(downloads));
    }
}

TEST(WebViewer, NetworkPagesCannotReachLocalFiles) {
    QTemporaryDir dir;
    const QString secret = dir.filePath("secret.txt");
    ASSERT_TRUE(writeFile(secret, "the answer"));
    const QString secretUrl = QUrl::fromLocalFile(secret).toString();
    LoopbackServer server("<html><head><title>start</title><script>"
                          "var x = new XMLHttpRequest();"
                          "try { x.open('GET', '" +
                          secretUrl.toUtf8() +
                          "', false); x.send(); document.title = 'read:' + x.responseText; }"
                          "catch (e) { document.title = 'blocked'; }"
                          "setTimeout(function () { location.href = '" +
                          secretUrl.toUtf8() +
                          "'; }, 50);"
                          "</script></head><body>remote</body></html>");
    ASSERT_TRUE(server.isListening());
    EngineWebViewerFactory factory(dir.path());
    QWidget host;
    WebViewer* viewer = factory.create(&host);
    host.show();
    Recorder rec(viewer);

    ASSERT_TRUE(rec.load(server.url()));
    EXPECT_TRUE(waitUntil([&] { return pageTitle(viewer) != "start"; }, kLoadBound));
    EXPECT_EQ(pageTitle(viewer), "blocked");
    waitUntil([] { return false; }, 1500); // the page's attempt to go to the file itself
    EXPECT_EQ(viewer->locationUrl(), server.url());
    EXPECT_FALSE(rec.urls.contains(secretUrl));
}

TEST(WebViewer, ViewersMayOutliveTheirFactory) {
    QTemporaryDir dir;
    ASSERT_TRUE(writeFile(dir.filePath("p.html"), "<html><body>p</body></html>"));
    auto factory = std::make_unique<EngineWebViewerFactory>(dir.path());
    auto host = std::make_unique<QWidget>();
    WebViewer* a = factory->create(host.get());
    WebViewer* b = factory->create(host.get());
    Recorder rec(a);
    ASSERT_TRUE(rec.load("p.html"));
    EXPECT_TRUE(b->navigate("p.html").ok()); // still loading when it goes
    factory.reset();
    QPointer<WebViewer> gone = b;
    b->deleteLater();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gone.isNull());
    host.reset(); // the last viewer frees the shared profile
    waitUntil([] { return false; }, 200);
}

TEST(WebViewer, LocalNamesThatAreNoRegularFilesAreNeverOpened) {
    QTemporaryDir dir;
    const QString pipe = dir.filePath("pipe");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0) << errno;
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    ASSERT_TRUE(writeFile(dir.filePath("page.html"), "<html><body>page</body></html>"));
    // A page that tries the pipe itself, as a picture, a frame, a script and a link target.
    ASSERT_TRUE(writeFile(dir.filePath("embeds.html"),
                          "<html><head><script src='pipe'></script></head><body>"
                          "<img src='pipe'><iframe src='pipe'></iframe>"
                          "<a id=go href='pipe'>go</a>"
                          "<script>document.getElementById('go').click();"
                          "document.title = 'embeds';</script></body></html>"));
    EngineWebViewerFactory factory(dir.path());
    QWidget host;
    host.resize(400, 300);
    WebViewer* viewer = factory.create(&host);
    viewer->resize(400, 300);
    host.show();
    Recorder rec(viewer);
    bool opened = false;
    // Waits for the end of the load, or for the engine to have opened the pipe after all.
    const auto loadEnds = [&](const QString& address) {
        const int before = rec.completes;
        const Status started = viewer->navigate(address);
        EXPECT_TRUE(started.ok()) << started.error;
        const bool ended = waitUntil(
            [&] {
                opened = opened || pipeHasReader(pipe);
                return opened || (rec.completes > before && !viewer->busy());
            },
            kLoadBound);
        return ended && !opened;
    };

    const QString pipeUrl = QUrl::fromLocalFile(pipe).toString();
    // "localhost" is this machine, in any case; another machine's file is not opened either.
    const QString onLocalhost = "file://localhost" + pipe;
    const QString onLocalhostUpper = "FILE://LOCALHOST" + pipe;
    const QString elsewhere = "file://elsewhere.invalid" + pipe;
    for (const QString& address :
         {pipe, QStringLiteral("pipe"), pipeUrl, onLocalhost, onLocalhostUpper, elsewhere}) {
        SCOPED_TRACE(qPrintable(address));
        const QString shownUrl = address.contains("://") ? QUrl(address).toString() : pipeUrl;
        rec.events.clear();
        ASSERT_TRUE(loadEnds(address));
        // Reported as a load that ended with an error page, in the usual order.
        EXPECT_EQ(rec.events, QStringList({"begin", "navigate", "complete", "document"}));
        EXPECT_EQ(rec.urls.last(), shownUrl);
        EXPECT_EQ(viewer->locationUrl(), shownUrl);
        auto* page = viewer->findChild<QLabel*>();
        ASSERT_NE(page, nullptr);
        EXPECT_TRUE(page->isVisible());
        EXPECT_TRUE(page->text().contains(pipe)) << qPrintable(page->text());
        EXPECT_FALSE(viewer->findChild<QWebEngineView*>()->isVisible());
        waitUntil([&] { return (opened = opened || pipeHasReader(pipe)); }, 300);
        EXPECT_FALSE(opened);
    }

    // A folder is no file either.
    const QString folderUrl = QUrl::fromLocalFile(dir.filePath("folder")).toString();
    ASSERT_TRUE(loadEnds(dir.filePath("folder")));
    EXPECT_EQ(viewer->locationUrl(), folderUrl);

    // A regular file afterwards is the engine's again.
    ASSERT_TRUE(loadEnds("page.html"));
    EXPECT_EQ(viewer->locationUrl(), QUrl::fromLocalFile(dir.filePath("page.html")).toString());
    EXPECT_TRUE(viewer->findChild<QWebEngineView*>()->isVisible());
    EXPECT_FALSE(viewer->findChild<QLabel*>()->isVisible());

    ASSERT_TRUE(loadEnds("embeds.html"));
    EXPECT_TRUE(waitUntil([&] { return pageTitle(viewer) == "embeds"; }, kLoadBound));
    waitUntil([&] { return (opened = opened || pipeHasReader(pipe)); }, 1500);
    EXPECT_FALSE(opened);
    EXPECT_EQ(viewer->locationUrl(), QUrl::fromLocalFile(dir.filePath("embeds.html")).toString());
}
