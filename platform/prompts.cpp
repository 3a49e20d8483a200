#include "platform/prompts.h"

#include "platform/fontchoice.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <algorithm>

namespace brenvik {

QString FilterSuffix(const QString& entry) {
    const qsizetype open = entry.lastIndexOf(QLatin1Char('('));
    const qsizetype close = entry.lastIndexOf(QLatin1Char(')'));
    const QString patterns =
        open >= 0 && close > open ? entry.mid(open + 1, close - open - 1) : entry;
    const QString first = patterns.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(0);
    if (!first.startsWith(QLatin1String("*."))) return {};
    const QString suffix = first.mid(2);
    return suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?')) ? QString()
                                                                                  : suffix;
}

QString ToQtFilter(const QString& filter) {
    // Already in Qt form (or a single plain pattern): nothing to convert.
    if (!filter.contains(QLatin1Char('|'))) return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        const QString joined = patterns.join(QLatin1Char(' '));
        // Qt reads the patterns from the last parentheses, so a description that already
        // shows them is kept as it is; otherwise they are appended.
        // Qt splits them on blanks only: "(*.htm;*.html)" would be one pattern matching nothing.
        if (desc.contains(QLatin1Char('(')) && desc.endsWith(QLatin1Char(')'))) {
            const qsizetype open = desc.lastIndexOf(QLatin1Char('('));
            out << desc.left(open) + desc.mid(open).replace(QLatin1Char(';'), QLatin1Char(' '));
        } else if (desc.isEmpty())
            out << joined;
        else
            out << desc + QStringLiteral(" (") + joined + QLatin1Char(')');
    }
    if (parts.size() % 2 == 1 && !parts.last().trimmed().isEmpty()) out << parts.last().trimmed();
    return out.join(QStringLiteral(";;"));
}

namespace {

QMessageBox::Icon toBoxIcon(Prompts::Icon icon) {
    switch (icon) {
    case Prompts::Icon::Information:
        return QMessageBox::Information;
    case Prompts::Icon::Question:
        return QMessageBox::Question;
    case Prompts::Icon::Warning:
        return QMessageBox::Warning;
    case Prompts::Icon::Error:
        return QMessageBox::Critical;
    case Prompts::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton toStandard(int button) {
    switch (button) {
    case Prompts::Ok:
        return QMessageBox::Ok;
    case Prompts::Cancel:
        return QMessageBox::Cancel;
    case Prompts::Yes:
        return QMessageBox::Yes;
    case Prompts::No:
        return QMessageBox::No;
    default:
        return QMessageBox::NoButton;
    }
}

} // namespace

int DialogPrompts::message(QWidget* parent, const QString& caption, const QString& text, Icon icon,
                           int buttons, int defaultButton) {
    if (buttons == 0) buttons = Ok;
    QMessageBox box(toBoxIcon(icon), caption, text, QMessageBox::NoButton, parent);
    // Buttons in the order Windows-style boxes show them: Yes/No, then Ok/Cancel.
    const int order[] = {Yes, No, Ok, Cancel};
    for (int b : order)
        if (buttons & b) box.addButton(toStandard(b));
    if (defaultButton != 0 && (buttons & defaultButton))
        box.setDefaultButton(toStandard(defaultButton));
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    const QMessageBox::StandardButton pressed =
        clicked ? box.standardButton(clicked) : QMessageBox::NoButton;
    for (int b : order)
        if ((buttons & b) && toStandard(b) == pressed) return b;
    // Closed without a button: the box's "escape" answer.
    if (buttons & Cancel) return Cancel;
    if (buttons & No) return No;
    return Ok;
}

namespace {

// No folder means the system's default. Left empty, the toolkit would start in the folder
// of the last file any of its dialogs chose, moving every dialog of the program at once.
QString StartFolder(const QString& folder) {
    return folder.isEmpty() ? QDir::currentPath() : folder;
}

} // namespace

QString DialogPrompts::openFile(QWidget* parent, const QString& title, const QString& folder,
                                const QString& filter) {
    // The desktop's own dialog (the portal's or the platform theme's) where there is one.
    QFileDialog dialog(parent, title, StartFolder(folder), ToQtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString DialogPrompts::saveFile(QWidget* parent, const QString& title, const QString& folder,
                                const QString& filter, const QString& defaultSuffix) {
    QFileDialog dialog(parent, title, StartFolder(folder), ToQtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The dialog itself asks before an existing file is replaced (no DontConfirmOverwrite).
    QString suffix = defaultSuffix;
    while (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    // A name typed without an extension takes the chosen type's, not the first type's.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& entry) {
                         if (const QString s = FilterSuffix(entry); !s.isEmpty())
                             dialog.setDefaultSuffix(s);
                     });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

bool DialogPrompts::chooseColor(QWidget* parent, QColor& color, const QList<QColor>& custom) {
    const int count = std::min<int>(custom.size(), QColorDialog::customCount());
    for (int i = 0; i < count; ++i)
        QColorDialog::setCustomColor(i, custom[i]);
    const QColor chosen =
        QColorDialog::getColor(color, parent, QString(), QColorDialog::DontUseNativeDialog);
    if (!chosen.isValid()) return false;
    color = chosen;
    return true;
}

bool DialogPrompts::chooseFontAndColor(QWidget* parent, const QString& title, QFont& font,
                                       QColor& color) {
    FontChoiceDialog dialog(title, font, color, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    font = dialog.chosenFont();
    color = dialog.chosenColor();
    return true;
}

} // namespace brenvik
