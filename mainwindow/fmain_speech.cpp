// The window side of speech: speaking with and without waiting, stopping, muting and
// the voice list.
#include "mainwindow/fmain.h"

#include "platform/prompts.h"
#include "platform/speechengine.h"
#include "study/core/speechtext.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>

namespace brenvik {


bool TFormMain::muted() const {
    return CBDisaVoice->isChecked() || !deps_.speech->available();
}

void TFormMain::speechUnavailableNotice() {
    if (speechNoticeShown_) return;
    speechNoticeShown_ = true;
    QString why = deps_.speech->failureText();
    if (why.isEmpty()) why = QStringLiteral("The speech engine could not be started.");
    showError(why);
}

void TFormMain::Speak(const QString& text, bool waitDone) {
    if (CBDisaVoice->isChecked()) return;
    const QString filtered = SpeakableText(text);
    if (!HasSpeakableText(filtered)) return;
    if (!deps_.speech->available()) {
        speechUnavailableNotice();
        return;
    }
    try {
        StopVoice();
        lastSpoken_ = filtered;
        deps_.speech->speak(lastSpoken_);
        if (waitDone) {
            waitFor([this] { return Speaking; }, deps_.speechWaitMs);
            // A long answer takes its time; the bound grows with the text.
            const int bound = std::max(deps_.speechWaitMs, 2000 + 200 * int(filtered.size()));
            waitFor([this] { return !Speaking; }, bound);
        }
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
}

void TFormMain::StopVoice() {
    if (muted()) {
        Speaking = false;
        return;
    }
    if (!Speaking) return;
    try {
        deps_.speech->stopSpeaking();
    } catch (const std::exception&) {
        // Stopping is best effort: the next utterance cuts the old one off anyway.
    }
    waitFor([this] { return !Speaking; }, deps_.speechWaitMs);
    Speaking = false;
    QCoreApplication::processEvents();
}

void TFormMain::TTSSpeakingStarted() {
    Speaking = true;
    Q_EMIT speakingStarted();
}

void TFormMain::TTSSpeakingDone() {
    Speaking = false;
    Q_EMIT speakingDone();
}

void TFormMain::FillVoiceModes() {
    if (fillingVoices_) return;
    fillingVoices_ = true;
    CBModes->clear();
    if (deps_.speech->available()) {
        int misses = 25;
        for (int mode = 1; mode < 100000; ++mode) {
            const QString name = deps_.speech->modeName(mode);
            if (!name.isEmpty()) {
                CBModes->addItem(QStringLiteral(" ") + name, mode);
                misses = 25;
            } else if (--misses < 1) {
                break;
            }
        }
    }
    if (CBModes->count() > 0) {
        deps_.speech->setCurrentMode(ActiveVoice);
        CBModes->setCurrentIndex(CBModes->findData(ActiveVoice));
    }
    CBModesDropDown();
    fillingVoices_ = false;
}

void TFormMain::CBModesChange(int index) {
    if (index < 0 || fillingVoices_) return;
    StopVoice();
    ActiveVoice = CBModes->itemData(index).toInt();
    if (deps_.speech->available()) deps_.speech->setCurrentMode(ActiveVoice);
    Speak(QStringLiteral("Testing, 1, 2, 3, 4. Testing."), false);
}

void TFormMain::CBModesDropDown() {
    const QFontMetrics metrics(CBModes->view()->font());
    int widest = 0;
    for (int i = 0; i < CBModes->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(CBModes->itemText(i)));
    CBModes->view()->setMinimumWidth(std::max(10, widest + 10 + 24));
}

} // namespace brenvik
