#include "platform/webviewer.h"

#include <QAction>
#include <QDir>
#include <QRegularExpression>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineSettings>
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
        return QWebEnginePage::acceptNavigationRequest(target, type, isMainFrame);
    }
};

class EngineWebViewer : public WebViewer {
public:
    EngineWebViewer(ProfileHolder* shared, QWidget* parent) : WebViewer(parent), shared_(shared) {
        ++shared_->liveViewers;
        setFocusPolicy(Qt::NoFocus);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        view_ = new QWebEngineView(this);
        view_->setFocusPolicy(Qt::ClickFocus); // clicks reach the page; Tab passes it by
        view_->setContextMenuPolicy(Qt::NoContextMenu);
        page_ = new SilentPage(shared_->profile, view_);
        view_->setPage(page_);
        layout->addWidget(view_);

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
        page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls,
                                        isLocal(url.value()));
        page_->load(url.value());
        return Status::success();
    }
    void stop() override { page_->triggerAction(QWebEnginePage::Stop); }
    void goBack() override { page_->triggerAction(QWebEnginePage::Back); }
    void goForward() override { page_->triggerAction(QWebEnginePage::Forward); }
    bool busy() const override { return busy_; }
    QString locationUrl() const override { return page_->url().toString(); }

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

    void watchHistory(QAction* action, int command, bool* last) {
        *last = action->isEnabled();
        connect(action, &QAction::changed, this, [this, action, command, last] {
            if (action->isEnabled() == *last) return;
            *last = action->isEnabled();
            Q_EMIT commandStateChange(command, *last);
        });
    }

    void onLoadStarted() {
        busy_ = true;
        navigatedThisLoad_ = false;
        Q_EMIT downloadBegin();
    }

    // Fragments and script history pushes change the address without a load: reported as
    // navigations too, but only when the address really changed. Outside a load nothing
    // else will end them, so they end here.
    void onUrlChanged(const QUrl& url) {
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
