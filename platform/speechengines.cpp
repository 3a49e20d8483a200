#include "platform/speechengines.h"

#include <QTimer>
#include <QtDebug>

namespace brenvik {

SpeechEngines::SpeechEngines(QObject* parent) : SpeechEngine(parent) {}

SpeechEngines::~SpeechEngines() {
    for (auto& e : engines_)
        e->disconnect(this);
}

bool SpeechEngines::addEngine(std::unique_ptr<SpeechEngine> engine, int index) {
    if (!engine) return false;
    if (!engine->available() || engine->modeCount() < 1) {
        const QString why =
            engine->failureText().isEmpty() ? QStringLiteral("no voices") : engine->failureText();
        qWarning("speech: %s left out: %s", qUtf8Printable(engine->engineName()),
                 qUtf8Printable(why));
        if (failure_.isEmpty()) failure_ = why;
        return false;
    }
    engine->setParent(nullptr);
    engine->setProsody(rate_, pitch_);
    connect(engine.get(), &SpeechEngine::started, this, &SpeechEngine::started);
    connect(engine.get(), &SpeechEngine::done, this, &SpeechEngine::done);
    if (index < 0 || index > int(engines_.size())) index = int(engines_.size());
    engines_.insert(engines_.begin() + index, std::move(engine));
    Q_EMIT modesChanged();
    return true;
}

void SpeechEngines::addLater(Factory make) {
    if (pending_.empty()) QTimer::singleShot(0, this, &SpeechEngines::makePending);
    pending_.push_back(std::move(make));
}

void SpeechEngines::makePending() {
    std::vector<Factory> pending;
    pending.swap(pending_);
    for (Factory& make : pending)
        addEngine(make());
}

bool SpeechEngines::available() const {
    return !engines_.empty();
}

QString SpeechEngines::failureText() const {
    if (!engines_.empty()) return {};
    return failure_.isEmpty() ? QStringLiteral("No speech engine is installed.") : failure_;
}

int SpeechEngines::modeCount() const {
    int n = 0;
    for (const auto& e : engines_)
        n += e->modeCount();
    return n;
}

SpeechEngine* SpeechEngines::locate(int mode, int* local) const {
    if (mode < 1) return nullptr;
    for (const auto& e : engines_) {
        const int n = e->modeCount();
        if (mode <= n) {
            *local = mode;
            return e.get();
        }
        mode -= n;
    }
    return nullptr;
}

QString SpeechEngines::modeName(int mode) const {
    int local = 0;
    SpeechEngine* e = locate(mode, &local);
    if (!e) return {};
    QString name = e->engineName() + QStringLiteral(": ") + e->modeName(local);
    const QString language = e->modeLanguage(local);
    if (!language.isEmpty()) name += QStringLiteral(" (") + language + QLatin1Char(')');
    return name;
}

QString SpeechEngines::modeEngine(int mode) const {
    int local = 0;
    SpeechEngine* e = locate(mode, &local);
    return e ? e->engineName() : QString();
}

QString SpeechEngines::modeVoice(int mode) const {
    int local = 0;
    SpeechEngine* e = locate(mode, &local);
    return e ? e->modeVoice(local) : QString();
}

QString SpeechEngines::modeLanguage(int mode) const {
    int local = 0;
    SpeechEngine* e = locate(mode, &local);
    return e ? e->modeLanguage(local) : QString();
}

void SpeechEngines::setProsody(double rate, double pitch) {
    rate_ = rate;
    pitch_ = pitch;
    for (auto& e : engines_)
        e->setProsody(rate, pitch);
}

void SpeechEngines::speak(const QString& text) {
    int local = 1;
    SpeechEngine* e = locate(mode_, &local);
    if (!e && !engines_.empty()) {
        e = engines_.front().get();
        local = 1;
    }
    if (!e) {
        // Nothing to speak with: the utterance is still reported, so callers go on.
        auto u = std::make_shared<Utterance>();
        queueDone(u);
        return;
    }
    if (active_ && active_ != e) active_->stopSpeaking();
    active_ = e;
    e->setCurrentMode(local);
    e->speak(text);
}

void SpeechEngines::stopSpeaking() {
    for (auto& e : engines_)
        e->stopSpeaking();
}

bool SpeechEngines::speaking() const {
    for (const auto& e : engines_)
        if (e->speaking()) return true;
    return false;
}

} // namespace brenvik
