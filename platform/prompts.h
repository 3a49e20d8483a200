#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace brenvik {

// Every modal box and common dialog of the program goes through one Prompts object, so
// GUI tests can answer them without a real modal loop.
class Prompts {
public:
    enum class Icon { None, Information, Question, Warning, Error };
    enum Button { Ok = 1, Cancel = 2, Yes = 4, No = 8 };

    virtual ~Prompts() = default;
    // Shows a box; returns the button pressed (Ok for a single-button box).
    virtual int message(QWidget* parent, const QString& caption, const QString& text, Icon icon,
                        int buttons = Ok, int defaultButton = 0) = 0;
    // File dialogs: return the chosen path, or empty when cancelled. `filter` in Qt form.
    virtual QString openFile(QWidget* parent, const QString& title, const QString& folder,
                             const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& title, const QString& folder,
                             const QString& filter, const QString& defaultSuffix) = 0;
    // The colour dialog: false when cancelled.
    virtual bool chooseColor(QWidget* parent, QColor& color, const QList<QColor>& custom) = 0;
    // The font dialog, with a colour, titled `title`: false when cancelled. What the user
    // leaves alone comes back as it was, also a face that is not installed.
    virtual bool chooseFontAndColor(QWidget* parent, const QString& title, QFont& font,
                                    QColor& color) = 0;
};

// Converts a "Desc (*.x)|*.x|Other|*.y;*.z" filter to Qt's "Desc (*.x);;Other (*.y *.z)".
// A filter without '|' is returned unchanged.
QString ToQtFilter(const QString& filter);
// The extension of one Qt filter entry's first pattern ("CSV (*.csv)" gives "csv"); empty
// when it names none ("All files (*)", "(*.*)"). A save dialog appends the chosen entry's.
QString FilterSuffix(const QString& entry);

// The real dialogs (QMessageBox, QFileDialog, QColorDialog, FontChoiceDialog).
class DialogPrompts : public Prompts {
public:
    int message(QWidget* parent, const QString& caption, const QString& text, Icon icon,
                int buttons, int defaultButton) override;
    QString openFile(QWidget* parent, const QString& title, const QString& folder,
                     const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& title, const QString& folder,
                     const QString& filter, const QString& defaultSuffix) override;
    bool chooseColor(QWidget* parent, QColor& color, const QList<QColor>& custom) override;
    bool chooseFontAndColor(QWidget* parent, const QString& title, QFont& font,
                            QColor& color) override;
};

} // namespace brenvik
