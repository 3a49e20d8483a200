#pragma once

class QWidget;

namespace brenvik {

// Gives `control` the keyboard focus when it is visible, selecting a one-line edit's text
// with `selectAll`; a hidden or missing control is left alone.
void FocusEdit(QWidget* control, bool selectAll);

} // namespace brenvik
