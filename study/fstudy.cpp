#include "study/fstudy.h"

#include "library/settingskeys.h"
#include "library/settingsstore.h"
#include "platform/desktopcolors.h"
#include "platform/prompts.h"
#include "study/fflashselected.h"
#include "study/fimprintselected.h"
#include "study/freviewselected.h"
#include "study/fspacedselected.h"

#include <algorithm>

namespace brenvik {

namespace {

QFont DefaultAnswerFont(int size) {
    QFont f(QString::fromLatin1(settings::AnswerFontFace));
    f.setPointSize(std::clamp(size, 1, 72));
    f.setBold(false);
    f.setItalic(false);
    return f;
}

int StyleBits(const QFont& f) {
    return (f.bold() ? 1 : 0) | (f.italic() ? 2 : 0) | (f.underline() ? 4 : 0) |
           (f.strikeOut() ? 8 : 0);
}

void ApplyStyleBits(QFont& f, int bits) {
    f.setBold(bits & 1);
    f.setItalic(bits & 2);
    f.setUnderline(bits & 4);
    f.setStrikeOut(bits & 8);
}

} // namespace

TFormStudy::TFormStudy(PanelServices& main, QWidget* parent)
    : PanelContainer(parent), main_(main),
      answerFont_(DefaultAnswerFont(settings::AnswerFontSize.def)),
      answerColor_(static_cast<ColorValue>(settings::AnswerFontColor.def)) {
    setObjectName(QStringLiteral("FormStudy"));
}

void TFormStudy::setPanels(TFormImprintSelected* imprint, TFormFlashSelected* flash,
                           TFormReviewSelected* review, TFormSpacedSelected* spaced) {
    panels_ = {imprint, flash, review, spaced};
    for (SessionPanel* p : panels_) {
        if (!p) continue;
        addPanel(p->view());
        connect(p, &SessionPanel::answerFontClicked, this,
                [this, p] { ChooseAnswerFont(p->view()); });
        connect(p, &SessionPanel::keepGoingToggled, this, &TFormStudy::setKeepGoing);
    }
    showSession(Session::Imprint);
}

void TFormStudy::setKeepGoing(bool on) {
    keepGoing_ = on;
    for (SessionPanel* p : panels_)
        if (p) p->setKeepGoing(on);
}

SessionPanel* TFormStudy::panel(Session s) const {
    return panels_[static_cast<int>(s)];
}

void TFormStudy::showSession(Session s) {
    SessionPanel* chosen = panel(s);
    showOnly(chosen ? chosen->view() : nullptr);
    for (SessionPanel* p : panels_)
        if (p) {
            p->setEnabled(p == chosen);
            p->view()->setEnabled(p == chosen);
        }
}

TFormSpacedSelected* TFormStudy::spacedPanel() const {
    return static_cast<TFormSpacedSelected*>(panel(Session::Spaced));
}

SessionPanel* TFormStudy::visiblePanel() const {
    for (Session s : {Session::Flash, Session::Review, Session::Imprint, Session::Spaced})
        if (SessionPanel* p = panel(s); p && !p->view()->isHidden()) return p;
    return nullptr;
}

bool TFormStudy::ChooseAnswerFont(QWidget* parent) {
    QFont font = answerFont_;
    QColor color = toQColor(answerColor_);
    if (!main_.prompts().chooseFontAndColor(parent, QStringLiteral("Answer Font"), font, color))
        return false;
    int size = font.pointSize();
    if (size <= 0 && font.pixelSize() > 0) size = font.pixelSize() * 72 / 96;
    font.setPointSize(std::clamp(size, 1, 72));
    answerFont_ = font;
    if (color.isValid()) answerColor_ = fromQColor(color);
    return true;
}

void TFormStudy::loadAnswerFont(const SettingsStore& store) {
    answerFont_ = DefaultAnswerFont(store.read(settings::AnswerFontSize));
    const QString face = store.read(settings::AnswerFontName).trimmed();
    if (!face.isEmpty()) answerFont_.setFamily(face);
    ApplyStyleBits(answerFont_, store.read(settings::AnswerFontStyle));
    answerColor_ = static_cast<ColorValue>(store.read(settings::AnswerFontColor));
}

void TFormStudy::loadSessionSettings(const SettingsStore& store) {
    for (SessionPanel* p : panels_)
        if (p) p->loadSettings(store);
    setKeepGoing(store.read(settings::StudyBackground) != 0);
    for (Session s : {Session::Imprint, Session::Flash}) {
        if (SessionPanel* p = panel(s)) p->settlePauses();
    }
}

void TFormStudy::saveSettings(SettingsStore& store) const {
    store.write(settings::AnswerFontSize, answerFont_.pointSize());
    store.write(settings::AnswerFontColor, static_cast<int>(answerColor_));
    store.write(settings::AnswerFontName, answerFont_.family());
    store.write(settings::AnswerFontStyle, StyleBits(answerFont_));
    for (SessionPanel* p : panels_)
        if (p) p->saveSettings(store);
    store.write(settings::StudyBackground, keepGoing_ ? 1 : 0);
}

} // namespace brenvik
