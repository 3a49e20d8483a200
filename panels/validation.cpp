#include "panels/validation.h"

#include "platform/prompts.h"
#include "seams/voice.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace brenvik {

namespace {

// Puts a control's own colours back when the box is gone, however it ends.
class ColourRestorer {
public:
    explicit ColourRestorer(QWidget* w)
        : widget_(w), palette_(w->palette()), hadOwn_(w->testAttribute(Qt::WA_SetPalette)) {}
    ~ColourRestorer() {
        if (!widget_) return;
        if (hadOwn_)
            widget_->setPalette(palette_);
        else
            widget_->setPalette(QPalette());
    }
    ColourRestorer(const ColourRestorer&) = delete;
    ColourRestorer& operator=(const ColourRestorer&) = delete;

private:
    QWidget* widget_;
    QPalette palette_;
    bool hadOwn_;
};

} // namespace

void ShowValidationError(Voice& voice, Prompts& prompts, const QString& message, QWidget* control) {
    voice.Speak(QStringLiteral("Problem."));
    if (!control) {
        prompts.message(nullptr, QStringLiteral("Validation Error"), message,
                        Prompts::Icon::Information, Prompts::Ok);
        return;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    } else if (qobject_cast<QPlainTextEdit*>(control) || qobject_cast<QTextEdit*>(control)) {
        control->setFocus(Qt::OtherFocusReason);
    }
    ColourRestorer restore(control);
    QPalette warn = control->palette();
    warn.setColor(QPalette::Base, QColor(255, 220, 0));
    warn.setColor(QPalette::Text, Qt::black);
    control->setPalette(warn);
    prompts.message(control->window(), QStringLiteral("Validation Error"), message,
                    Prompts::Icon::Information, Prompts::Ok);
}

} // namespace brenvik
