#include "mainwindow/busywork.h"

#include <QGuiApplication>
#include <QProgressDialog>
#include <QWidget>
#include <vector>

namespace brenvik {

namespace {
int delayMs = 500;
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

bool BusyWork::bigBranch(const LibraryTree& tree, NodeId top) {
    if (top == NoNode) return false;
    std::vector<NodeId> pending{top};
    int seen = 0;
    while (!pending.empty()) {
        const NodeId n = pending.back();
        pending.pop_back();
        if (++seen >= LongBranchNodes) return true;
        for (NodeId c = tree.firstChild(n); c != NoNode; c = tree.nextSibling(c))
            pending.push_back(c);
    }
    return false;
}

BusyWork::BusyWork(QWidget* window, const QString& text) : window_(window), text_(text) {
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
    if (!dialog_ && clock_.elapsed() >= delayMs) showNow();
    // A busy range: setValue repaints a modal dialog, as the work's own progress would.
    if (dialog_) dialog_->setValue(0);
}

void BusyWork::showNow() {
    if (dialog_) return;
    timer_.stop();
    auto* dialog = new QProgressDialog(text_, QString(), 0, 0, window_);
    dialog->setObjectName(QStringLiteral("BusyWorkDialog"));
    dialog->setWindowTitle(QGuiApplication::applicationDisplayName());
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setCancelButton(nullptr);
    dialog->setMinimumDuration(0);
    dialog->setAutoClose(false);
    dialog->setAutoReset(false);
    // A window that is disabled for the work would disable its dialog too; a window may
    // be enabled on its own.
    dialog->setEnabled(true);
    dialog_ = dialog;
    dialog->show();
    dialog->setValue(0);
}

} // namespace brenvik
