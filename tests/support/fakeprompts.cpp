#include "tests/support/fakeprompts.h"

namespace brenvik {

bool FakePrompts::chooseFontAndColor(QWidget*, const QString& title, QFont& font, QColor& color) {
    fontTitles.append(title);
    if (fonts.isEmpty()) return false;
    font = fonts.takeFirst();
    if (!fontColors.isEmpty()) color = fontColors.takeFirst();
    return true;
}

int FakePrompts::message(QWidget*, const QString& caption, const QString& text, Icon icon,
                         int buttons, int) {
    if (buttons == 0) buttons = Ok;
    shown.append(Shown{caption, text, icon, buttons});
    if (!answers.isEmpty()) return answers.takeFirst();
    return (buttons & Yes) ? Yes : Ok;
}

QString FakePrompts::openFile(QWidget*, const QString& title, const QString&, const QString&) {
    fileTitles.append(title);
    return files.isEmpty() ? QString() : files.takeFirst();
}

QString FakePrompts::saveFile(QWidget*, const QString& title, const QString&, const QString&,
                              const QString&) {
    fileTitles.append(title);
    return files.isEmpty() ? QString() : files.takeFirst();
}

bool FakePrompts::chooseColor(QWidget*, QColor& color, const QList<QColor>& custom) {
    lastCustomColors = custom;
    if (colors.isEmpty()) return false;
    color = colors.takeFirst();
    return true;
}

} // namespace brenvik
