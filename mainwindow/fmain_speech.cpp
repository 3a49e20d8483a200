// The window's speech commands, routed to its voice.
#include "mainwindow/fmain.h"
#include "mainwindow/mainvoice.h"
#include "mainwindow/voicedialog.h"

#include <QToolButton>

namespace brenvik {

void TFormMain::createVoice() {
    voice_ = new MainVoice(
        *deps_.speech, *CBDisaVoice, *CBModes, deps_.speechWaitMs,
        [this](const QString& text) { showError(text); }, this);
    connect(BVoice, &QToolButton::clicked, this, [this] {
        if (!voiceDialog_) voiceDialog_ = new VoiceDialog(*voice_, this);
        voiceDialog_->show();
        voiceDialog_->raise();
        voiceDialog_->activateWindow();
    });
}

bool TFormMain::muted() const {
    return voice_->muted();
}

bool TFormMain::speaking() const {
    return voice_->speaking();
}

void TFormMain::Speak(const QString& text) {
    voice_->speak(text);
}

void TFormMain::SpeakSide(const QString& text, SpeechSide side, const QString& voice) {
    voice_->speakSide(text, side, voice);
}

void TFormMain::StopVoice() {
    voice_->stop();
}

void TFormMain::FillVoiceModes() {
    voice_->fillVoices();
}

} // namespace brenvik
