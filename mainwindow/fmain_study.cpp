// The study road of the main window: preparing a session, running it in the study window,
// and the question editor's preview.
#include "mainwindow/fmain.h"

#include "library/questionrecord.h"
#include "study/fstudy.h"

namespace brenvik {

bool TFormMain::ChooseAnswerFont(QWidget* parent) {
    return FormStudy && FormStudy->ChooseAnswerFont(parent);
}

void TFormMain::previewQuestion(const QuestionRecord& record, const QString& title,
                                std::function<void()> closed) {
    Q_UNUSED(record);
    Q_UNUSED(title);
    F9Busy = false;
    if (closed) closed();
}

} // namespace brenvik
