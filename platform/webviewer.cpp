#include "platform/webviewer.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QStackedLayout>
#include <QTimer>
#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>

namespace brenvik {

namespace {

// The one browser profile of a factory. Pages must die before their profile, and viewers may
// outlive the factory (deleteLater), so the last of them frees it.
struct ProfileHolder {
    QString programFolder;
    QWebEngineProfile* profile = nullptr;
    int liveViewers = 0;
    bool factoryGone = false;

    void releaseIfUnused() {
        if (!factoryGone || liveViewers > 0) return;
        delete profile;
        delete this;
    }
};

} // namespace

struct EngineWebViewerFactory::Shared {
    ProfileHolder* holder = nullptr;
};

namespace {

bool isLocal(const QUrl& url) {
    return url.isLocalFile() ||
           url.scheme().compare(QLatin1String("file"), Qt::CaseInsensitive) == 0;
}

// A local name that is there but is no regular file: a pipe, a device, a socket or a folder.
// The engine would open it in its own threads, and a pipe without a writer blocks them (and
// with them the program's exit) for good.
// The name a file address gives on this machine: "localhost" is this machine too, though
// QUrl::toLocalFile makes "//localhost/..." of it. Empty for a file of another machine.
QString localPath(const QUrl& url) {
    const QString host = url.host();
    if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
        return {};
    return url.path();
}

bool isUnreadableLocal(const QUrl& url) {
    if (!isLocal(url)) return false;
    const QString path = localPath(url);
    // Another machine's file is none of ours to open, whatever the engine would make of it.
    if (path.isEmpty()) return true;
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

// Keeps pages from opening such names themselves: links, frames, pictures, scripts.
class LocalFileGuard : public QWebEngineUrlRequestInterceptor {
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        if (isUnreadableLocal(info.requestUrl())) info.block(true);
    }
};

// A page that never asks the user anything and never leaves its pane.
class SilentPage : public QWebEnginePage {
public:
    SilentPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl& origin, QWebEnginePage::Feature feature) {
                    setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
                });
        connect(this, &QWebEnginePage::fullScreenRequested, this,
                [](QWebEngineFullScreenRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
                [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
                [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
    }

protected:
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
        return false;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override {}
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override {
        return {};
    }
    // A document from the network never leads into the local files, whatever the engine's
    // own rules allow; our own loads (typed) and local documents may.
    bool acceptNavigationRequest(const QUrl& target, NavigationType type,
                                 bool isMainFrame) override {
        if (isLocal(target) && type != NavigationTypeTyped && !url().isEmpty() && !isLocal(url()))
            return false;
        if (isUnreadableLocal(target)) return false;
        return QWebEnginePage::acceptNavigationRequest(target, type, isMainFrame);
    }
};

class EngineWebViewer : public WebViewer {
public:
    EngineWebViewer(ProfileHolder* shared, QWidget* parent) : WebViewer(parent), shared_(shared) {
        ++shared_->liveViewers;
        setFocusPolicy(Qt::NoFocus);
        stack_ = new QStackedLayout(this);
        stack_->setContentsMargins(0, 0, 0, 0);
        view_ = new QWebEngineView(this);
        view_->setFocusPolicy(Qt::ClickFocus); // clicks reach the page; Tab passes it by
        view_->setContextMenuPolicy(Qt::NoContextMenu);
        page_ = new SilentPage(shared_->profile, view_);
        view_->setPage(page_);
        stack_->addWidget(view_);
        // The page shown for a local name that cannot be read, in place of the engine's.
        notShown_ = new QLabel(this);
        notShown_->setAlignment(Qt::AlignCenter);
        notShown_->setWordWrap(true);
        notShown_->setTextFormat(Qt::RichText);
        notShown_->setAutoFillBackground(true);
        notShown_->setContentsMargins(24, 24, 24, 24);
        QPalette pal = notShown_->palette();
        pal.setColor(QPalette::Window, Qt::white);
        pal.setColor(QPalette::WindowText, QColor(32, 33, 36));
        notShown_->setPalette(pal);
        stack_->addWidget(notShown_);
        stack_->setCurrentWidget(view_);

        connect(page_, &QWebEnginePage::loadStarted, this, &EngineWebViewer::onLoadStarted);
        connect(page_, &QWebEnginePage::loadProgress, this,
                [this](int percent) { Q_EMIT progressChange(percent, 100); });
        connect(page_, &QWebEnginePage::loadFinished, this, &EngineWebViewer::onLoadFinished);
        connect(page_, &QWebEnginePage::urlChanged, this, &EngineWebViewer::onUrlChanged);
        watchHistory(page_->action(QWebEnginePage::Forward), 1, &forward_);
        watchHistory(page_->action(QWebEnginePage::Back), 2, &back_);
    }

    ~EngineWebViewer() override {
        // The page goes first: its profile may go right after it.
        page_->disconnect(this);
        delete view_;
        --shared_->liveViewers;
        shared_->releaseIfUnused();
    }

    Status navigate(const QString& address) override {
        const Result<QUrl> url = resolve(address);
        if (!url) return Status::failure(url.error());
        leaveNotShown();
        if (isUnreadableLocal(url.value())) {
            showNotShown(url.value());
            return Status::success();
        }
        page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls,
                                        isLocal(url.value()));
        page_->load(url.value());
        return Status::success();
    }
    void stop() override {
        if (notShownUrl_.isEmpty())
            page_->triggerAction(QWebEnginePage::Stop);
        else
            endNotShown(); // ends at once, as a stopped load ends
    }
    void goBack() override {
        leaveNotShown();
        page_->triggerAction(QWebEnginePage::Back);
    }
    void goForward() override {
        leaveNotShown();
        page_->triggerAction(QWebEnginePage::Forward);
    }
    bool busy() const override { return busy_; }
    QString locationUrl() const override {
        return notShownUrl_.isEmpty() ? page_->url().toString() : notShownUrl_.toString();
    }

private:
    Result<QUrl> resolve(const QString& address) const {
        const QString trimmed = address.trimmed();
        // An address that names its scheme is taken as written, and refused when it is not a
        // valid address; only bare names are guessed at (a file of the program folder, else a
        // web address), never a broken address "repaired" into another one.
        static const QRegularExpression namedScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
        QUrl url;
        if (trimmed.startsWith(QLatin1String("file:"), Qt::CaseInsensitive) ||
            namedScheme.match(trimmed).hasMatch())
            url = QUrl(trimmed, QUrl::TolerantMode);
        else if (QDir::isAbsolutePath(trimmed))
            url = QUrl::fromLocalFile(trimmed);
        else if (!trimmed.isEmpty())
            url = QUrl::fromUserInput(trimmed, shared_->programFolder);
        const bool needsHost = url.scheme() == QLatin1String("http") ||
                               url.scheme() == QLatin1String("https") ||
                               url.scheme() == QLatin1String("ftp");
        if (!url.isValid() || url.isEmpty() || (needsHost && url.host().isEmpty())) {
            return Result<QUrl>::failure(
                QStringLiteral("The address \"%1\" is not valid.").arg(address).toStdString());
        }
        return url;
    }

    // A local name that is no regular file: the engine is not sent there. The load is
    // reported as a failed one is (begin, then on the next turn the navigation and its end)
    // and the pane says why, as the engine's page says why for a file that is missing.
    void showNotShown(const QUrl& url) {
        if (busy_) {
            // The load in progress ends here; the engine's own end of it is not waited for.
            page_->triggerAction(QWebEnginePage::Stop);
            busy_ = false;
            Q_EMIT downloadComplete();
            Q_EMIT documentComplete();
        }
        notShownUrl_ = url;
        notShownPending_ = true;
        notShown_->setText(
            QStringLiteral("<p style='font-size:large'><b>This page cannot be shown</b></p>"
                           "<p>%1 is not a file: it cannot be opened here.</p>"
                           "<p style='color:#5f6368'>ERR_NOT_A_FILE</p>")
                .arg((localPath(url).isEmpty() ? url.toString() : localPath(url)).toHtmlEscaped()));
        stack_->setCurrentWidget(notShown_);
        busy_ = true;
        Q_EMIT downloadBegin();
        const int serial = ++notShownSerial_;
        QPointer<EngineWebViewer> self(this);
        QTimer::singleShot(0, this, [self, serial] {
            if (self && serial == self->notShownSerial_) self->endNotShown();
        });
    }

    // Reports the end of the not-shown load, once.
    void endNotShown() {
        if (!notShownPending_) return;
        notShownPending_ = false;
        ++notShownSerial_;
        busy_ = false;
        lastReported_ = notShownUrl_;
        Q_EMIT navigateComplete(notShownUrl_.toString());
        Q_EMIT progressChange(100, 100);
        Q_EMIT downloadComplete();
        Q_EMIT documentComplete();
    }

    // The engine takes over again (its own history, or a load of its own).
    void leaveNotShown() {
        if (notShownUrl_.isEmpty()) return;
        endNotShown();
        notShownUrl_.clear();
        stack_->setCurrentWidget(view_);
    }

    void watchHistory(QAction* action, int command, bool* last) {
        *last = action->isEnabled();
        connect(action, &QAction::changed, this, [this, action, command, last] {
            if (action->isEnabled() == *last) return;
            *last = action->isEnabled();
            Q_EMIT commandStateChange(command, *last);
        });
    }

    void onLoadStarted() {
        leaveNotShown();
        busy_ = true;
        navigatedThisLoad_ = false;
        Q_EMIT downloadBegin();
    }

    // Fragments and script history pushes change the address without a load: reported as
    // navigations too, but only when the address really changed. Outside a load nothing
    // else will end them, so they end here.
    void onUrlChanged(const QUrl& url) {
        if (!notShownUrl_.isEmpty()) return; // the stopped page's late news
        if (url.isEmpty() || url == lastReported_) return;
        lastReported_ = url;
        navigatedThisLoad_ = busy_;
        Q_EMIT navigateComplete(url.toString());
        if (busy_) return;
        Q_EMIT progressChange(100, 100);
        Q_EMIT downloadComplete();
        Q_EMIT documentComplete();
    }

    void onLoadFinished(bool) {
        if (!notShownUrl_.isEmpty()) return; // the stopped page's late news
        if (!busy_) return; // a stop after completion, or a load we never saw start
        busy_ = false;
        if (!navigatedThisLoad_) { // a reload of the address shown: no change was signalled
            lastReported_ = page_->url();
            Q_EMIT navigateComplete(lastReported_.toString());
        }
        Q_EMIT downloadComplete();
        Q_EMIT documentComplete();
    }

    ProfileHolder* shared_;
    QStackedLayout* stack_ = nullptr;
    QLabel* notShown_ = nullptr;
    QUrl notShownUrl_; // the local name shown as not a file, while it is shown
    bool notShownPending_ = false;
    int notShownSerial_ = 0;
    QWebEngineView* view_ = nullptr;
    SilentPage* page_ = nullptr;
    bool busy_ = false;
    bool navigatedThisLoad_ = false;
    bool back_ = false, forward_ = false;
    QUrl lastReported_;
};

} // namespace

namespace {

// The browser starts with its profile: only when the first pane needs a viewer, never at
// the program's start.
QWebEngineProfile* MakeSilentProfile() {
    // Off the record: nothing of the pages is kept on disk between runs.
    auto* profile = new QWebEngineProfile();
    profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile,
                     [](QWebEngineDownloadRequest* download) { download->cancel(); });
    profile->setUrlRequestInterceptor(new LocalFileGuard(profile));
    QWebEngineSettings* s = profile->settings();
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    s->setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    s->setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
    s->setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    s->setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    s->setAttribute(QWebEngineSettings::WebRTCPublicInterfacesOnly, true);
    s->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    s->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, true);
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, true);
    s->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    return profile;
}

} // namespace

EngineWebViewerFactory::EngineWebViewerFactory(const QString& programFolder) : shared_(new Shared) {
    shared_->holder = new ProfileHolder;
    shared_->holder->programFolder = programFolder;
}

EngineWebViewerFactory::~EngineWebViewerFactory() {
    shared_->holder->factoryGone = true;
    shared_->holder->releaseIfUnused();
    delete shared_;
}

WebViewer* EngineWebViewerFactory::create(QWidget* parent) {
    if (!shared_->holder->profile) shared_->holder->profile = MakeSilentProfile();
    return new EngineWebViewer(shared_->holder, parent);
}

} // namespace brenvik
