// The confirmation box the main window's commands and the editors ask through. Which panel
// shows is the PanelRouter's.
#include "mainwindow/fmain.h"

#include "platform/prompts.h"

namespace brenvik {

int TFormMain::ConfirmBox(const QString& text) {
    Speak(QStringLiteral("Please confirm."));
    const int answer =
        deps_.prompts->message(this, QStringLiteral("Confirm"), text, Prompts::Icon::Question,
                               Prompts::Yes | Prompts::No, Prompts::Yes);
    if (answer == Prompts::Yes) Speak(QStringLiteral("Thank you."));
    return answer;
}

} // namespace brenvik
