#include "tests/support/mocktts.h"

#include <QPointer>
#include <QTextToSpeechPlugin>

namespace brenvik {

namespace {
QPointer<MockTtsEngine> lastEngine;
} // namespace

MockTtsEngine::MockTtsEngine(QObject* parent) : QTextToSpeechEngine(parent) {
    all_ = {createVoice(QStringLiteral("alpha"), QLocale(QLocale::English, QLocale::UnitedStates),
                        QVoice::Female, QVoice::Adult, 1),
            createVoice(QStringLiteral("bravo"), QLocale(QLocale::English, QLocale::UnitedKingdom),
                        QVoice::Male, QVoice::Adult, 2),
            createVoice(QStringLiteral("carmen"), QLocale(QLocale::Spanish, QLocale::Spain),
                        QVoice::Female, QVoice::Adult, 3)};
    voice_ = all_.first();
    lastEngine = this;
}

MockTtsEngine::~MockTtsEngine() = default;

MockTtsEngine* MockTtsEngine::last() {
    return lastEngine.data();
}

void MockTtsEngine::report(QTextToSpeech::State s) {
    state_ = s;
    if (s == QTextToSpeech::Error) {
        error_ = QTextToSpeech::ErrorReason::Playback;
        errorText_ = QStringLiteral("no audio device");
    }
    Q_EMIT stateChanged(s);
}

QList<QLocale> MockTtsEngine::availableLocales() const {
    QList<QLocale> out;
    for (const QVoice& v : all_)
        if (!out.contains(v.locale())) out.append(v.locale());
    return out;
}

QList<QVoice> MockTtsEngine::availableVoices() const {
    QList<QVoice> out;
    for (const QVoice& v : all_)
        if (v.locale() == locale_) out.append(v);
    return out;
}

void MockTtsEngine::say(const QString& text) {
    said.append(text);
    saidWith.append(voice_.name());
}

void MockTtsEngine::stop(QTextToSpeech::BoundaryHint) {
    ++stops;
    // Like Qt's engines, a stop of speech in progress reports Ready.
    if (state_ == QTextToSpeech::Speaking) report(QTextToSpeech::Ready);
}

bool MockTtsEngine::setRate(double rate) {
    rate_ = rate;
    return true;
}

bool MockTtsEngine::setPitch(double pitch) {
    pitch_ = pitch;
    return true;
}

bool MockTtsEngine::setLocale(const QLocale& locale) {
    locale_ = locale;
    return true;
}

bool MockTtsEngine::setVoice(const QVoice& voice) {
    voice_ = voice;
    return true;
}

// The plugin Qt finds it through.
class MockTtsPlugin : public QObject, public QTextToSpeechPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.qt.speech.tts.plugin/6.0" FILE "mocktts.json")
    Q_INTERFACES(QTextToSpeechPlugin)
public:
    QTextToSpeechEngine* createTextToSpeechEngine(const QVariantMap&, QObject* parent,
                                                  QString*) const override {
        return new MockTtsEngine(parent);
    }
};

} // namespace brenvik

#include "mocktts.moc"
