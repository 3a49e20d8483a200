#pragma once

#include <QString>

class QWidget;

namespace brenvik {

class MainCommands;

// An editor's validation message: speaks "Problem.", focuses `control` (selecting a
// one-line edit's text), paints it in the warning colour while an information box
// captioned "Validation Error" shows `message`, then restores its colours.
void ShowValidationError(MainCommands& main, const QString& message, QWidget* control);

} // namespace brenvik
