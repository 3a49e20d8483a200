#include "mainwindow/busywork.h"

#include <QGuiApplication>
#include <QProgressDialog>
#include <QWidget>
#include <algorithm>

namespace brenvik {

namespace {
int delayMs = 500;

// QProgressDialog lets events through in setValue only once it has shown itself by its own
// timing; this one is shown when the work says so.
class WorkDialog : public QProgressDialog {
public:
    using QProgressDialog::forceShow;
    using QProgressDialog::QProgressDialog;
};
} // namespace

int BusyWork::dialogDelayMs() {
    return delayMs;
}

void BusyWork::setDialogDelayMs(int ms) {
    delayMs = ms;
}

BusyCursor::BusyCursor() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

BusyCursor::~BusyCursor() {
    QGuiApplication::restoreOverrideCursor();
}

BusyWork::BusyWork(QWidget* window, const QString& text) : window_(window), text_(text) {
    // Painted from its backing store, without events: no input is taken in here.
    if (window_ && window_->isVisible()) window_->repaint();
    clock_.start();
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { showNow(); });
    timer_.start(delayMs);
}

BusyWork::~BusyWork() {
    timer_.stop();
    // deleteLater would leave the dialog on screen until the next event loop turn.
    delete dialog_.data();
}

bool BusyWork::dialogShown() const {
    return !dialog_.isNull();
}

void BusyWork::step() {
    if (!dialog_ && clock_.elapsed() >= delayMs) show(Qt::ApplicationModal);
    // A busy range: setValue repaints a modal dialog, as the work's own progress would.
    if (dialog_) dialog_->setValue(0);
}

Progress BusyWork::progress() {
    return [this](std::size_t done, std::size_t total) { report(done, total); };
}

void BusyWork::report(std::size_t done, std::size_t total) {
    if (!dialog_) {
        if (clock_.elapsed() < delayMs) return;
        show(Qt::ApplicationModal);
    } else if (sinceShown_.elapsed() < 40) {
        return; // each setValue lets events through: often enough to paint, no more
    }
    sinceShown_.start();
    // Node counts fit an int, as node ids do.
    dialog_->setMaximum(int(total));
    dialog_->setValue(int(std::min(done, total)));
}

void BusyWork::showNow() {
    show(Qt::WindowModal);
}

void BusyWork::show(Qt::WindowModality modality) {
    if (dialog_) return;
    timer_.stop();
    auto* dialog = new WorkDialog(text_, QString(), 0, 0, window_);
    dialog->setObjectName(QStringLiteral("BusyWorkDialog"));
    dialog->setWindowTitle(QGuiApplication::applicationDisplayName());
    dialog->setWindowModality(modality);
    dialog->setCancelButton(nullptr);
    dialog->setMinimumDuration(0);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    // A window that is disabled for the work would disable its dialog too; a window may
    // be enabled on its own.
    dialog->setEnabled(true);
    dialog_ = dialog;
    dialog->forceShow();
    sinceShown_.start();
    // Work on the UI thread paints it now; otherwise the event loop does, and letting
    // events through here could end the work (and this object) under this call.
    if (modality == Qt::ApplicationModal) dialog->setValue(0);
}

} // namespace brenvik
