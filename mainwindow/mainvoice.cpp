#include "mainwindow/mainvoice.h"

#include "platform/speechengine.h"
#include "study/core/speechtext.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFontMetrics>

namespace brenvik {

bool WaitWithEvents(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

MainVoice::MainVoice(SpeechEngine& engine, QCheckBox& mute, QComboBox& voices, int waitMs,
                     std::function<void(const QString&)> showError, QObject* parent)
    : QObject(parent), engine_(engine), mute_(mute), voices_(voices), waitMs_(waitMs),
      showError_(std::move(showError)) {
    connect(&engine_, &SpeechEngine::started, this, [this] {
        speaking_ = true;
        Q_EMIT started();
    });
    connect(&engine_, &SpeechEngine::done, this, [this] {
        speaking_ = false;
        if (owed_ > 0) --owed_;
        Q_EMIT done();
    });
    connect(&voices_, &QComboBox::activated, this, &MainVoice::voiceChosen);
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

void MainVoice::speak(const QString& text, bool waitDone) {
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
        engine_.speak(lastSpoken_);
        ++owed_;
        if (waitDone) {
            WaitWithEvents([this] { return speaking_; }, waitMs_);
            // A long answer takes its time; the bound grows with the text.
            const int bound = std::max(waitMs_, 2000 + 200 * int(filtered.size()));
            WaitWithEvents([this] { return !speaking_; }, bound);
        }
    } catch (const std::exception& e) {
        showError_(QString::fromUtf8(e.what()));
    }
}

void MainVoice::waitUntilSpoken() {
    if (muted()) return;
    WaitWithEvents([this] { return speaking_; }, waitMs_);
    WaitWithEvents([this] { return !speaking_; }, waitMs_);
}

void MainVoice::stop() {
    if (muted()) {
        speaking_ = false;
        return;
    }
    // An utterance still being synthesised has not started yet, but it is stopped all the same.
    if (!speaking_ && owed_ == 0) return;
    try {
        engine_.stopSpeaking();
    } catch (const std::exception&) {
        // Stopping is best effort: the next utterance cuts the old one off anyway.
    }
    WaitWithEvents([this] { return owed_ == 0; }, waitMs_);
    speaking_ = false;
    QCoreApplication::processEvents();
}

void MainVoice::setActiveVoice(int mode) {
    activeVoice_ = mode;
    if (engine_.available()) engine_.setCurrentMode(activeVoice_);
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
        engine_.setCurrentMode(activeVoice_);
        voices_.setCurrentIndex(voices_.findData(activeVoice_));
    }
    fitDropDown();
    filling_ = false;
}

void MainVoice::voiceChosen(int index) {
    if (index < 0 || filling_) return;
    stop();
    setActiveVoice(voices_.itemData(index).toInt());
    speak(QStringLiteral("Testing, 1, 2, 3, 4. Testing."), false);
}

void MainVoice::fitDropDown() {
    const QFontMetrics metrics(voices_.view()->font());
    int widest = 0;
    for (int i = 0; i < voices_.count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(voices_.itemText(i)));
    voices_.view()->setMinimumWidth(std::max(10, widest + 10 + 24));
}

} // namespace brenvik
