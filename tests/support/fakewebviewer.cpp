#include "tests/support/fakewebviewer.h"

#include <QTimer>

namespace brenvik {

FakeWebViewer::FakeWebViewer(Behaviour behaviour, QWidget* parent)
    : WebViewer(parent), behaviour_(behaviour) {}

Status FakeWebViewer::navigate(const QString& address) {
    if (!refusal.isEmpty()) return Status::failure(refusal);
    navigations << address;
    pending_ = address;
    busy_ = true;
    Q_EMIT downloadBegin();
    if (behaviour_ == Behaviour::Complete) {
        QPointer<FakeWebViewer> self(this);
        QTimer::singleShot(0, this, [self] {
            if (self && self->busy_) self->finishLoad();
        });
    }
    return Status::success();
}

void FakeWebViewer::stop() {
    ++stops;
    if (!busy_) return;
    busy_ = false;
    Q_EMIT downloadComplete();
}

void FakeWebViewer::finishLoad(const QString& url) {
    location_ = url.isEmpty() ? pending_ : url;
    history_ = history_.mid(0, historyPos_ + 1);
    history_ << location_;
    historyPos_ = int(history_.size()) - 1;
    busy_ = false;
    Q_EMIT navigateComplete(location_);
    Q_EMIT commandStateChange(2, historyPos_ > 0);
    Q_EMIT commandStateChange(1, false);
    Q_EMIT progressChange(100, 100);
    Q_EMIT downloadComplete();
    Q_EMIT documentComplete();
}

void FakeWebViewer::goBack() {
    if (historyPos_ <= 0) return;
    location_ = history_[--historyPos_];
    Q_EMIT navigateComplete(location_);
    Q_EMIT commandStateChange(2, historyPos_ > 0);
    Q_EMIT commandStateChange(1, true);
    Q_EMIT downloadComplete();
}

void FakeWebViewer::goForward() {
    if (historyPos_ + 1 >= history_.size()) return;
    location_ = history_[++historyPos_];
    Q_EMIT navigateComplete(location_);
    Q_EMIT commandStateChange(2, true);
    Q_EMIT commandStateChange(1, historyPos_ + 1 < history_.size());
    Q_EMIT downloadComplete();
}

WebViewer* FakeWebViewerFactory::create(QWidget* parent) {
    auto* v = new FakeWebViewer(behaviour, parent);
    v->refusal = refusal;
    created << v;
    return v;
}

} // namespace brenvik
