#include "platform/qtspeechengine.h"

#include <QElapsedTimer>
#include <QTextToSpeech>
#include <QTimer>
#include <QtDebug>
#include <algorithm>

namespace brenvik {

namespace {

// Time an engine gets to begin, and per character of text, before it is given up.
constexpr int StartBoundMs = 8000;
constexpr int PerCharMs = 150;
// An engine already in its error state says nothing new when it fails again.
constexpr int SettleMs = 300;

} // namespace

QtSpeechEngine::QtSpeechEngine(const QString& provider, const QString& displayName, QObject* parent)
    : SpeechEngine(parent), displayName_(displayName) {
    guard_ = new QTimer(this);
    guard_->setSingleShot(true);
    connect(guard_, &QTimer::timeout, this, [this] {
        qWarning("speech: %s did not finish in time; stopping it", qUtf8Printable(displayName_));
        if (tts_) tts_->stop(QTextToSpeech::BoundaryHint::Immediate);
        finish(current_);
    });
    settle_ = new QTimer(this);
    settle_->setSingleShot(true);
    settle_->setInterval(SettleMs);
    connect(settle_, &QTimer::timeout, this, [this] {
        if (tts_ && !heard_ && tts_->state() == QTextToSpeech::Error) failed(tts_->errorString());
    });

    QElapsedTimer clock;
    clock.start();
    tts_ = new QTextToSpeech(provider, this);
    if (tts_->state() == QTextToSpeech::Error) {
        failure_ = tts_->errorString();
    } else {
        // Qt lists the voices of the current language only: every language is visited.
        const QLocale start = tts_->locale();
        for (const QLocale& locale : tts_->availableLocales()) {
            if (tts_->locale() != locale) tts_->setLocale(locale);
            for (const QVoice& v : tts_->availableVoices()) {
                const bool known =
                    std::any_of(voices_.cbegin(), voices_.cend(), [&](const QVoice& o) {
                        return o.name() == v.name() && o.locale() == v.locale();
                    });
                if (!known) voices_.append(v);
            }
        }
        if (tts_->locale() != start) tts_->setLocale(start);
        if (voices_.isEmpty()) failure_ = QStringLiteral("no voices installed");
    }
    qInfo("speech: %s: %d voices in %lld ms%s", qUtf8Printable(displayName_), int(voices_.size()),
          clock.elapsed(),
          failure_.isEmpty() ? ""
                             : qUtf8Printable(QStringLiteral(" (") + failure_ + QLatin1Char(')')));
    connect(tts_, &QTextToSpeech::stateChanged, this,
            [this](QTextToSpeech::State s) { stateChanged(int(s)); });
    connect(tts_, &QTextToSpeech::errorOccurred, this,
            [this](QTextToSpeech::ErrorReason, const QString& why) { failed(why); });
}

QtSpeechEngine::~QtSpeechEngine() {
    if (tts_) tts_->disconnect(this);
}

QStringList QtSpeechEngine::providers() {
    QStringList found = QTextToSpeech::availableEngines();
    QStringList ordered;
    for (const QString& key : {QStringLiteral("speechd"), QStringLiteral("flite")})
        if (found.removeAll(key) > 0) ordered.append(key);
    return ordered + found;
}

QString QtSpeechEngine::displayNameOf(const QString& provider) {
    if (provider == QLatin1String("speechd")) return QStringLiteral("Speech Dispatcher");
    if (provider == QLatin1String("flite")) return QStringLiteral("Flite");
    return provider;
}

bool QtSpeechEngine::available() const {
    return failure_.isEmpty();
}

QString QtSpeechEngine::modeName(int mode) const {
    if (mode < 1 || mode > voices_.size()) return {};
    return voices_[mode - 1].name();
}

QString QtSpeechEngine::modeLanguage(int mode) const {
    if (mode < 1 || mode > voices_.size()) return {};
    // The region stays even where it is the language's own ("es-ES", not bcp47Name's "es").
    return voices_[mode - 1].locale().name().replace(QLatin1Char('_'), QLatin1Char('-'));
}

void QtSpeechEngine::setProsody(double rate, double pitch) {
    rate_ = std::clamp(rate, -1.0, 1.0);
    pitch_ = std::clamp(pitch, -1.0, 1.0);
}

int QtSpeechEngine::boundMs(qsizetype chars) {
    return int(std::min<qint64>(StartBoundMs + qint64(chars) * PerCharMs, 30 * 60 * 1000));
}

void QtSpeechEngine::speak(const QString& text) {
    stopSpeaking();
    auto u = std::make_shared<Utterance>();
    current_ = u;
    speaking_ = true;
    heard_ = false;
    if (!available()) {
        queueStarted(u);
        finish(u);
        return;
    }
    if (mode_ >= 1 && mode_ <= voices_.size()) {
        const QVoice& v = voices_[mode_ - 1];
        if (tts_->locale() != v.locale()) tts_->setLocale(v.locale());
        if (tts_->voice() != v) tts_->setVoice(v);
    }
    tts_->setRate(rate_);
    tts_->setPitch(pitch_);
    guard_->start(boundMs(text.size()));
    const bool wasFailing = tts_->state() == QTextToSpeech::Error;
    tts_->say(text);
    if (wasFailing) settle_->start();
}

void QtSpeechEngine::stateChanged(int state) {
    const UtterancePtr u = current_;
    if (!u || u->finishing) return;
    switch (QTextToSpeech::State(state)) {
    case QTextToSpeech::Speaking:
        heard_ = true;
        queueStarted(u);
        break;
    case QTextToSpeech::Ready:
        if (heard_) finish(u);
        break;
    case QTextToSpeech::Error:
        failed(tts_->errorString());
        break;
    case QTextToSpeech::Paused:
        break;
    }
}

void QtSpeechEngine::failed(const QString& why) {
    const UtterancePtr u = current_;
    if (!u || u->finishing) return;
    qWarning("speech: %s: %s", qUtf8Printable(displayName_), qUtf8Printable(why));
    finish(u);
}

void QtSpeechEngine::finish(const UtterancePtr& u) {
    if (!u || u->finishing) return;
    u->finishing = true;
    if (u == current_) {
        speaking_ = false;
        guard_->stop();
        settle_->stop();
    }
    queueDone(u);
}

void QtSpeechEngine::stopSpeaking() {
    if (!speaking_ || !current_) return;
    tts_->stop(QTextToSpeech::BoundaryHint::Immediate);
    finish(current_);
}

} // namespace brenvik
