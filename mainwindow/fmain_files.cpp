// The window's side of the files that arrive from outside the File menu (FileArrivals): the
// guards they wait for, the drop on the window, a later start's hand-over.
#include "mainwindow/fmain.h"

#include "mainwindow/filearrivals.h"
#include "mainwindow/studylauncher.h"
#include "platform/instanceguard.h"
#include "platform/prompts.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>

namespace brenvik {

void TFormMain::createFileArrivals() {
    FileArrivals::Hooks hooks;
    hooks.busy = [this] { return arrivalsMustWait(); };
    hooks.mayReplace = [this] {
        if (studyBusy() || !startupFinished()) return false;
        return !EditorBusy(QStringLiteral("performing another operation."));
    };
    hooks.open = [this](const QString& path) {
        files_->afterSaveChanges([this, path] { openFile(path); });
    };
    hooks.inform = [this](const QString& text) {
        deps_.prompts->message(this, QStringLiteral("Information"), text,
                               Prompts::Icon::Information);
    };
    hooks.raise = [this] { bringToFront(); };
    arrivals_ = new FileArrivals(std::move(hooks), this);
    arrivals_->atStartup(deps_.openAtStart);
    connect(this, &TFormMain::startupDone, arrivals_, &FileArrivals::retry);
    connect(study_.get(), &StudyLauncher::ended, arrivals_, &FileArrivals::retry);
    setAcceptDrops(true);
}

bool TFormMain::arrivalsMustWait() const {
    return !CloseAllowed || !startupFinished() || ending_ || fileWorkRunning() || editorOpen() ||
           panels_.wizard() || studyBusy() || importDialog() || QApplication::activeModalWidget();
}

void TFormMain::editorClosed() {
    panels_.editorClosed();
    arrivals_->retry();
}

void TFormMain::wizardClosed(TFormWizard* wizard) {
    panels_.wizardClosed(wizard);
    arrivals_->retry();
}

void TFormMain::listenForSecondStarts(InstanceGuard& guard) {
    connect(&guard, &InstanceGuard::raiseRequested, this, &TFormMain::bringToFront);
    connect(&guard, &InstanceGuard::filesHandedOver, arrivals_, &FileArrivals::handedOver);
}

void TFormMain::bringToFront() {
    // During a session the study window is in front; the main window waits minimised.
    if (studyWindowShowing()) return;
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!FileArrivals::libraryFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMain::dragMoveEvent(QDragMoveEvent* event) {
    if (!FileArrivals::libraryFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
    if (arrivals_->dropped(event->mimeData())) event->acceptProposedAction();
}

} // namespace brenvik
