// The window's side of the statistics: the Statistics window for the selection's object, and
// the summary each session ends with, in the status bar where it disturbs nothing.
#include "mainwindow/fmain.h"

#include "library/objects.h"
#include "srs/figures.h"
#include "study/fspacedselected.h"
#include "study/fstatistics.h"

#include <QAction>
#include <QStatusBar>

namespace brenvik {

void TFormMain::connectStatistics() {
    connect(MIStatistics, &QAction::triggered, this, &TFormMain::showStatistics);
    connect(MIHelpStatistics, &QAction::triggered, this, &TFormMain::showStatistics);
    if (FormSpacedSelected) {
        connect(FormSpacedSelected, &TFormSpacedSelected::statisticsRequested, this,
                &TFormMain::showStatistics);
        FormSpacedSelected->setStatisticsAvailable(true);
    }
}

TFormStatistics* TFormMain::statisticsWindow() const {
    return static_cast<TFormStatistics*>(statistics_.data());
}

void TFormMain::showStatistics() {
    if (!startupFinished()) return;
    // The deepest object on the selection's path: a question's attribute row stands for it.
    auto object = [this] {
        const int level = deepestObjectLevel();
        return level > 0 ? GetObjAtLevel(tree_, selectedNode(), level) : NoNode;
    };
    TFormStatistics* window = statisticsWindow();
    if (!window) {
        window = new TFormStatistics(*this, *this, *history_, this);
        window->setAttribute(Qt::WA_DeleteOnClose);
        statistics_ = window;
        // The window follows the selection while it is open.
        connect(selection_, &QItemSelectionModel::currentChanged, window, [this, object] {
            if (TFormStatistics* open = statisticsWindow(); open && open->isVisible())
                open->showFor(object());
        });
    }
    window->showFor(object());
    window->show();
    window->raise();
    window->activateWindow();
}

void TFormMain::showSessionSummary(const srs::SessionSummary& summary) {
    if (!sessionSummary_) {
        statusBar()->setObjectName(QStringLiteral("SessionBar"));
        sessionSummary_ = new QLabel(statusBar());
        sessionSummary_->setObjectName(QStringLiteral("LSessionSummary"));
        sessionSummary_->setTextFormat(Qt::PlainText);
        statusBar()->addWidget(sessionSummary_, 1);
    }
    sessionSummary_->setText(SummaryText(summary));
    statusBar()->show();
    // An open Statistics window shows the grades just given.
    if (TFormStatistics* open = statisticsWindow(); open && open->isVisible()) open->refresh();
}

QString TFormMain::sessionSummaryText() const {
    return sessionSummary_ ? sessionSummary_->text() : QString();
}

} // namespace brenvik
