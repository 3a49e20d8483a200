#include "mainwindow/mainvoice.h"

#include "library/settingskeys.h"
#include "platform/speechengine.h"
#include "study/core/speechtext.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QTimer>
#include <QtDebug>
#include <algorithm>

namespace brenvik {

namespace {

// What an utterance is given per character beyond the time to begin: a slow voice at its
// slowest rate says about seven characters a second.
constexpr int PerCharMs = 150;

} // namespace

MainVoice::MainVoice(SpeechEngine& engine, QCheckBox& mute, QComboBox& voices, int waitMs,
                     std::function<void(const QString&)> showError, QObject* parent)
    : QObject(parent), engine_(engine), mute_(mute), voices_(voices), waitMs_(waitMs),
      showError_(std::move(showError)) {
    bound_ = new QTimer(this);
    bound_->setSingleShot(true);
    connect(bound_, &QTimer::timeout, this, [this] {
        qWarning("speech: %s did not finish \"%s\" in time; it is given up",
                 qUtf8Printable(engine_.engineName().isEmpty() ? QStringLiteral("the engine")
                                                               : engine_.engineName()),
                 qUtf8Printable(lastSpoken_.left(40)));
        stop();
    });
    // The engine reports its utterances in order, each started then done; the oldest owed
    // ones may be those stop() has already ended, whose events are not passed on again.
    connect(&engine_, &SpeechEngine::started, this, [this] {
        if (stale_ > 0) return;
        speaking_ = true;
        openStarted_ = true;
        Q_EMIT started();
    });
    connect(&engine_, &SpeechEngine::done, this, [this] {
        if (owed_ > 0) --owed_;
        if (stale_ > 0) {
            --stale_;
            return;
        }
        speaking_ = false;
        openStarted_ = false;
        bound_->stop();
        Q_EMIT done();
        ended();
    });
    connect(&voices_, &QComboBox::activated, this, &MainVoice::voiceChosen);
    // An engine added later moves the numbers; the list is made anew around the same choice.
    connect(&engine_, &SpeechEngine::modesChanged, this, &MainVoice::fillVoices);
}

bool MainVoice::muted() const {
    return mute_.isChecked() || !engine_.available();
}

void MainVoice::unavailableNotice() {
    if (noticeShown_) return;
    noticeShown_ = true;
    QString why = engine_.failureText();
    if (why.isEmpty()) why = QStringLiteral("The speech engine could not be started.");
    showError_(why);
}

void MainVoice::speak(const QString& text) {
    speakIn(questionMode(), text);
}

void MainVoice::speakSide(const QString& text, SpeechSide side, const QString& directive) {
    const int own = side == SpeechSide::Answer ? answerMode() : questionMode();
    int mode = own;
    if (!directive.isEmpty() && !mute_.isChecked()) {
        if (const int named = ModeOfDirective(engine_, directive, own))
            mode = named;
        else
            qWarning("speech: no voice fits \"[voice:%s]\"; the side's own voice speaks",
                     qUtf8Printable(directive));
    }
    speakIn(mode, text);
}

void MainVoice::speakIn(int mode, const QString& text) {
    if (mute_.isChecked()) return;
    const QString filtered = SpeakableText(text);
    if (!HasSpeakableText(filtered)) return;
    if (!engine_.available()) {
        unavailableNotice();
        return;
    }
    try {
        stop();
        lastSpoken_ = filtered;
        engine_.setCurrentMode(mode);
        engine_.speak(lastSpoken_);
        ++owed_;
        bound_->start(boundMs(filtered.size()));
    } catch (const std::exception& e) {
        showError_(QString::fromUtf8(e.what()));
    }
}

int MainVoice::boundMs(qsizetype chars) const {
    const qint64 perChar = PerCharMs + PerCharMs * std::max(0, -rate_) / 10;
    return int(std::min<qint64>(waitMs_ + qint64(chars) * perChar, 24LL * 3600 * 1000));
}

void MainVoice::whenSpoken(QObject* context, std::function<void()> then) {
    if (!then) return;
    if (open()) {
        afterSpoken_.emplace_back(context, std::move(then));
        return;
    }
    QTimer::singleShot(0, context, std::move(then));
}

void MainVoice::ended() {
    if (open()) return;
    // Queued, not run here: `done` may come from inside another caller's speak() or stop().
    auto waiting = std::move(afterSpoken_);
    afterSpoken_.clear();
    for (auto& [context, then] : waiting)
        if (context) QTimer::singleShot(0, context.data(), std::move(then));
}

void MainVoice::stop() {
    // An utterance still being synthesised has not started yet, but it is stopped all the same;
    // so is one the mute box was ticked during.
    const bool wasOpen = open();
    if (!speaking_ && !wasOpen) return;
    bound_->stop();
    if (engine_.available()) {
        try {
            engine_.stopSpeaking();
        } catch (const std::exception&) {
            // Stopping is best effort: the next utterance cuts the old one off anyway.
        }
    }
    speaking_ = false;
    if (!wasOpen) return;
    // Ended here and now, without waiting for the engine's own events (they come later and
    // are dropped), so that no handler runs the event loop and nothing is re-entered; the
    // next utterance's events are then its own.
    stale_ = owed_;
    const bool hadStarted = openStarted_;
    openStarted_ = false;
    if (!hadStarted) Q_EMIT started();
    Q_EMIT done();
    ended();
}

int MainVoice::activeVoice() const {
    const int mode = ModeOfKey(engine_, questionKey_);
    return mode > 0 ? mode : activeVoice_;
}

void MainVoice::setActiveVoice(int mode) {
    activeVoice_ = mode;
    if (const VoiceKey key = KeyOfMode(engine_, mode); !key.empty()) questionKey_ = key;
    if (engine_.available()) engine_.setCurrentMode(activeVoice());
}

int MainVoice::questionMode() const {
    return activeVoice();
}

int MainVoice::answerMode() const {
    const int mode = ModeOfKey(engine_, answerKey_);
    return mode > 0 ? mode : questionMode();
}

void MainVoice::setProsody(int rate, int pitch) {
    rate_ = std::clamp(rate, -10, 10);
    pitch_ = std::clamp(pitch, -10, 10);
    engine_.setProsody(rate_ / 10.0, pitch_ / 10.0);
}

void MainVoice::readSettings(const SettingsStore& store) {
    // Files of old hold the number alone; it is the question's voice until one is chosen.
    activeVoice_ = store.read(settings::MainActiveVoice);
    const VoiceKey question{store.read(settings::VoiceEngine), store.read(settings::VoiceName)};
    if (question.empty())
        setActiveVoice(activeVoice_);
    else
        questionKey_ = question;
    answerKey_ = {store.read(settings::AnswerVoiceEngine), store.read(settings::AnswerVoiceName)};
    setProsody(store.read(settings::VoiceRate), store.read(settings::VoicePitch));
    if (engine_.available()) engine_.setCurrentMode(activeVoice());
}

void MainVoice::writeSettings(SettingsStore& store) const {
    store.write(settings::VoiceEngine, questionKey_.engine);
    store.write(settings::VoiceName, questionKey_.name);
    store.write(settings::AnswerVoiceEngine, answerKey_.engine);
    store.write(settings::AnswerVoiceName, answerKey_.name);
    store.write(settings::VoiceRate, rate_);
    store.write(settings::VoicePitch, pitch_);
}

void MainVoice::fillVoices() {
    if (filling_) return;
    filling_ = true;
    voices_.clear();
    if (engine_.available()) {
        int misses = 25;
        for (int mode = 1; mode < 100000; ++mode) {
            const QString name = engine_.modeName(mode);
            if (!name.isEmpty()) {
                voices_.addItem(QStringLiteral(" ") + name, mode);
                misses = 25;
            } else if (--misses < 1) {
                break;
            }
        }
    }
    if (voices_.count() > 0) {
        engine_.setCurrentMode(activeVoice());
        voices_.setCurrentIndex(voices_.findData(activeVoice()));
    }
    fitDropDown();
    filling_ = false;
    Q_EMIT voicesListed();
}

void MainVoice::voiceChosen(int index) {
    if (index < 0 || filling_) return;
    stop();
    setActiveVoice(voices_.itemData(index).toInt());
    speak(QStringLiteral("Testing, 1, 2, 3, 4. Testing."));
}

void MainVoice::fitDropDown() {
    const QFontMetrics metrics(voices_.view()->font());
    int widest = 0;
    for (int i = 0; i < voices_.count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(voices_.itemText(i)));
    voices_.view()->setMinimumWidth(std::max(10, widest + 10 + 24));
}

} // namespace brenvik
