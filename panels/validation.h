#pragma once

#include <QString>

class QWidget;

namespace brenvik {

class Prompts;
class Voice;

// An editor's validation message: speaks "Problem.", focuses `control` (selecting a
// one-line edit's text), paints it in the warning colour while an information box
// captioned "Validation Error" shows `message`, then restores its colours.
void ShowValidationError(Voice& voice, Prompts& prompts, const QString& message, QWidget* control);

} // namespace brenvik
