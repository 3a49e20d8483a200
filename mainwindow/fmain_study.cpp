// The window's side of the study road (the road itself is StudyLauncher): the guards before a
// session, F9's busy flag, and a question that failed the check opened in the editor.
#include "mainwindow/fmain.h"
#include "mainwindow/mainvoice.h"
#include "mainwindow/studylauncher.h"

#include "panels/faboutbox.h"
#include "panels/levelpanel.h"
#include "panels/levelrows.h"
#include "study/fspacedselected.h"
#include "study/fstudy.h"

#include <QAction>
#include <QCheckBox>

namespace brenvik {

bool TFormMain::ChooseAnswerFont(QWidget* parent) {
    return FormStudy && FormStudy->ChooseAnswerFont(parent);
}

void TFormMain::createStudyLauncher() {
    StudyLauncher::Services services{
        *this, *this, *FormStudy, random_, deps_.screenSaver, deps_.studyWebWaitMs, [this] {
            return muted();
        }};
    services.sound = deps_.sound;
    services.media = deps_.media;
    services.setMuted = [this](bool muted) { CBDisaVoice->setChecked(muted); };
    services.history = history_.get();
    study_ = std::make_unique<StudyLauncher>(std::move(services));
    connect(study_.get(), &StudyLauncher::problemFound, this, &TFormMain::openProblemQuestion);
    connect(study_.get(), &StudyLauncher::ended, this, [this] {
        F9Busy = false;
        // What the session graded shows in the spaced panel's figures.
        if (FormSpacedSelected) FormSpacedSelected->refreshFigures();
    });
    connect(study_.get(), &StudyLauncher::sessionSummary, this, &TFormMain::showSessionSummary);
    connect(voice_, &MainVoice::done, study_.get(), &StudyLauncher::speechDone);
}

bool TFormMain::studyBusy() const {
    return study_->busy();
}

bool TFormMain::studyWindowShowing() const {
    return study_->windowShowing();
}

void TFormMain::startStudy(Session s, int level) {
    // The splash (the About box) still showing, or a session already on its way: nothing.
    if (splashShowing() || studyBusy() || level < 1 || level > 8) {
        if (!studyBusy()) F9Busy = false;
        return;
    }
    study_->start(s, level, [this](std::function<void(bool)> then) {
        files_->saveBeforeStudy(std::move(then));
    });
}

void TFormMain::PMISessionClick(Session s) {
    if (isEditMode() && !setMode(Mode::Study, true)) return;
    showSession(s);
    LevelPanel* panel = sessionPanel(s);
    const int level = panel ? panel->rows()->deepestEnabled() : 0;
    if (level > 0) sessionLevelClick(s, level);
}

void TFormMain::openProblemQuestion(NodeId question) {
    if (!isEditMode()) setMode(Mode::Edit, false);
    if (!panels_.operationVisible(Operation::EditSelected)) showOperation(Operation::EditSelected);
    selectNode(question);
    RefreshSelectionViews();
    Library2Click(8);
}

void TFormMain::previewQuestion(const QuestionRecord& record, const QString& title,
                                std::function<void()> closed) {
    study_->preview(record, title, std::move(closed));
}

} // namespace brenvik
