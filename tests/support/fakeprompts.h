#pragma once

#include "platform/prompts.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QStringList>

namespace brenvik {

// Scripted answers for tests: records every box and returns queued answers.
class FakePrompts : public Prompts {
public:
    struct Shown {
        QString caption, text;
        Icon icon;
        int buttons;
    };
    QList<Shown> shown;
    QList<int> answers;             // consumed in order; default: Yes if offered, else Ok
    QStringList files;              // answers for openFile/saveFile, empty string = cancel
    QList<QFont> fonts;             // answers for chooseFontAndColor (empty list = cancel)
    QList<QColor> colors;           // answers for chooseColor (empty list = cancel)
    QStringList fileTitles;         // titles of the file dialogs asked for, in order
    QList<QColor> lastCustomColors; // the custom list handed to the last chooseColor
    QList<QColor> fontColors;       // colours for chooseFontAndColor (empty: kept as it was)
    QStringList fontTitles;         // titles of the font dialogs asked for, in order

    int message(QWidget* parent, const QString& caption, const QString& text, Icon icon,
                int buttons, int defaultButton) override;
    QString openFile(QWidget* parent, const QString& title, const QString& folder,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& folder,
                     const QString& filter, const QString& defaultSuffix) override;
    bool chooseColor(QWidget* parent, QColor& color, const QList<QColor>& custom) override;
    // Answers from `fonts` (empty: cancelled) and `fontColors`.
    bool chooseFontAndColor(QWidget* parent, const QString& title, QFont& font,
                            QColor& color) override;
};

} // namespace brenvik
