#pragma once

#include <QDialog>

class QLabel;

namespace brenvik {

// The small progress window shown while the questions of a session are checked: the
// program's icon and one bold line. It stays on top, has no system buttons, and blocks the
// other windows while it is up.
class TFormValidate : public QDialog {
    Q_OBJECT
public:
    explicit TFormValidate(const QString& programFolder, QWidget* parent = nullptr);

    // Caption, text, shown centred on the screen of `over`, painted at once.
    void showProgress(const QString& caption, const QString& text, QWidget* over);
    void setComments(const QString& text);

    QLabel* ProgramIcon = nullptr;
    QLabel* Comments = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override; // Esc does not close it
};

} // namespace brenvik
