// The helpers the embedded panels call on the main window: the confirmation box, focus on an
// edit, and the Save / Cancel buttons of a changed or unchanged panel. Which panel shows is
// the PanelRouter's.
#include "mainwindow/fmain.h"

#include "platform/prompts.h"

#include <QAbstractButton>
#include <QLineEdit>

namespace brenvik {

int TFormMain::ConfirmBox(const QString& text) {
    Speak(QStringLiteral("Please confirm."));
    const int answer =
        deps_.prompts->message(this, QStringLiteral("Confirm"), text, Prompts::Icon::Question,
                               Prompts::Yes | Prompts::No, Prompts::Yes);
    if (answer == Prompts::Yes) Speak(QStringLiteral("Thank you."));
    return answer;
}

void TFormMain::FocusEdit(QWidget* control, bool selectAll) {
    if (!control || !control->isVisible()) return;
    control->setFocus(Qt::OtherFocusReason);
    if (selectAll)
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
}

void TFormMain::MarkChanged(QAbstractButton* save, QAbstractButton* cancel) {
    if (save) save->setEnabled(true);
    if (cancel) {
        cancel->setText(QStringLiteral("Cancel"));
        cancel->setToolTip(QStringLiteral("Cancel changes"));
    }
}

void TFormMain::MarkUnchanged(QAbstractButton* save, QAbstractButton* cancel) {
    if (save) save->setEnabled(false);
    if (cancel) {
        cancel->setText(QStringLiteral("Close"));
        cancel->setToolTip(QString());
    }
}

} // namespace brenvik
