#include "platform/espeakengine.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>
#include <QTimer>
#include <QtDebug>
#include <algorithm>
#include <espeak-ng/speak_lib.h>
#include <mutex>

namespace brenvik {

namespace {

// Extra time a real device gets beyond the utterance's length before it is deemed stuck.
constexpr int DeviceGraceMs = 3000;

struct SynthJob {
    QVector<qint16>* out = nullptr;
    const std::atomic<bool>* cancel = nullptr;
};

// libespeak-ng is one global synthesiser: every call into it is made under `mutex`.
struct EspeakState {
    std::mutex mutex;
    int rate = 0;
    QString failure;
    QVector<EspeakEngine::Voice> voices;
    SynthJob* job = nullptr; // the synthesis in progress, read by the callback
};

EspeakState& state();

int synthCallback(short* wav, int count, espeak_EVENT*) {
    SynthJob* job = state().job;
    if (!job) return 0;
    if (wav && count > 0) {
        const qsizetype old = job->out->size();
        job->out->resize(old + count);
        std::copy(wav, wav + count, job->out->data() + old);
    }
    // Returning 1 makes espeak_Synth abandon the text at the next chunk.
    return (job->cancel && job->cancel->load()) ? 1 : 0;
}

// English (America) first, then British English, then the other English voices, then the rest.
int voiceRank(const QString& language) {
    if (language == QLatin1String("en-us")) return 0;
    if (language == QLatin1String("en-gb") || language == QLatin1String("en")) return 1;
    if (language.startsWith(QLatin1String("en-")) || language == QLatin1String("en")) return 2;
    return 3;
}

void initialise(EspeakState& s) {
    // Chunks of 50 ms keep a cancelled synthesis short.
    const int rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 50, nullptr, espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0) {
        s.failure = QStringLiteral("The speech engine could not be started (espeak-ng found no "
                                   "voice data). The program goes on without speech.");
        return;
    }
    s.rate = rate;
    espeak_SetSynthCallback(synthCallback);
    const espeak_VOICE** list = espeak_ListVoices(nullptr);
    for (int i = 0; list && list[i]; ++i) {
        const espeak_VOICE* v = list[i];
        if (!v->name || !v->identifier || !v->languages) continue;
        const QString id = QString::fromUtf8(v->identifier);
        // MBROLA voices need a separate synthesiser that is usually not installed.
        if (id.startsWith(QLatin1String("mb/"))) continue;
        // `languages` is a priority byte followed by the language name.
        const QString language = QString::fromUtf8(v->languages + 1);
        s.voices.append({QString::fromUtf8(v->name), language, id});
    }
    std::stable_sort(s.voices.begin(), s.voices.end(),
                     [](const EspeakEngine::Voice& a, const EspeakEngine::Voice& b) {
                         const int ra = voiceRank(a.language), rb = voiceRank(b.language);
                         if (ra != rb) return ra < rb;
                         return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
                     });
    if (s.voices.isEmpty())
        s.failure = QStringLiteral("The speech engine has no voices installed.");
}

EspeakState& state() {
    static EspeakState s;
    static std::once_flag once;
    std::call_once(once, [] {
        std::lock_guard lock(s.mutex);
        initialise(s);
    });
    return s;
}

} // namespace

EspeakEngine::EspeakEngine(QObject* parent) : SpeechEngine(parent) {
    playTimer_ = new QTimer(this);
    playTimer_->setSingleShot(true);
    connect(playTimer_, &QTimer::timeout, this, [this] {
        if (current_) finish(current_);
    });
    guardTimer_ = new QTimer(this);
    guardTimer_->setSingleShot(true);
    connect(guardTimer_, &QTimer::timeout, this, [this] {
        qWarning("speech: the audio device did not finish in time; stopping it");
        releasePlayback();
        if (current_) finish(current_);
    });
    state();
}

EspeakEngine::~EspeakEngine() {
    if (cancel_) cancel_->store(true);
    joinWorker();
    releasePlayback();
}

bool EspeakEngine::available() const {
    return state().failure.isEmpty();
}

QString EspeakEngine::failureText() const {
    return state().failure;
}

int EspeakEngine::modeCount() const {
    return int(state().voices.size());
}

QString EspeakEngine::modeName(int mode) const {
    const auto& v = state().voices;
    if (mode < 1 || mode > v.size()) return {};
    return v[mode - 1].name;
}

QVector<EspeakEngine::Voice> EspeakEngine::voices() {
    return state().voices;
}

int EspeakEngine::sampleRate() {
    return state().rate;
}

EspeakEngine::Synthesis EspeakEngine::synthesize(const QString& text, int mode,
                                                 const std::atomic<bool>* cancel) {
    EspeakState& s = state();
    Synthesis result;
    std::lock_guard lock(s.mutex);
    if (!s.failure.isEmpty()) {
        result.error = s.failure;
        return result;
    }
    result.sampleRate = s.rate;
    const int index = (mode >= 1 && mode <= s.voices.size()) ? mode - 1 : 0;
    const QByteArray id = s.voices[index].identifier.toUtf8();
    if (espeak_SetVoiceByName(id.constData()) != EE_OK) {
        result.error =
            QStringLiteral("The voice \"%1\" could not be loaded.").arg(s.voices[index].name);
        return result;
    }
    const QByteArray utf8 = text.toUtf8();
    SynthJob job{&result.samples, cancel};
    s.job = &job;
    const espeak_ERROR err = espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0,
                                          POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    s.job = nullptr;
    if (cancel && cancel->load())
        result.cancelled = true;
    else if (err != EE_OK)
        result.error = QStringLiteral("The speech engine failed to speak (error %1).").arg(err);
    return result;
}

void EspeakEngine::joinWorker() {
    if (worker_.joinable()) worker_.join();
}

void EspeakEngine::speak(const QString& text) {
    stopSpeaking();
    joinWorker();
    auto u = std::make_shared<Utterance>();
    current_ = u;
    speaking_ = true;
    lastUsedDevice_ = false;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    if (!available()) {
        // Muted in effect: still report the utterance so that waiting callers go on.
        startTimedPlayback(0);
        return;
    }
    const int mode = mode_;
    worker_ = std::thread([this, u, text, mode, cancel = cancel_] {
        Synthesis r = synthesize(text, mode, cancel.get());
        // Queued to the engine's thread; the destructor joins this thread first, so `this`
        // is alive while the call is posted, and Qt drops it if the engine dies afterwards.
        QMetaObject::invokeMethod(
            this, [this, u, r = std::move(r)] { onSynthesized(u, r); }, Qt::QueuedConnection);
    });
}

void EspeakEngine::onSynthesized(const UtterancePtr& u, const Synthesis& result) {
    if (u != current_ || u->finishing) return; // stopped or replaced meanwhile
    if (!result.error.isEmpty()) {
        qWarning("speech: %s", qPrintable(result.error));
        startTimedPlayback(0);
        return;
    }
    const qint64 durationMs =
        result.sampleRate > 0 ? qint64(result.samples.size()) * 1000 / result.sampleRate : 0;
    if (audioEnabled_ && !result.samples.isEmpty() && startDevicePlayback(result, durationMs)) {
        lastUsedDevice_ = true;
        return;
    }
    startTimedPlayback(durationMs);
}

void EspeakEngine::startTimedPlayback(qint64 durationMs) {
    emitStarted(current_);
    playTimer_->start(int(std::clamp<qint64>(durationMs, 0, 10 * 60 * 1000)));
}

bool EspeakEngine::startDevicePlayback(const Synthesis& result, qint64 durationMs) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return false;
    QAudioFormat format;
    format.setSampleRate(result.sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) return false;
    pcm_ = QByteArray(reinterpret_cast<const char*>(result.samples.constData()),
                      result.samples.size() * qsizetype(sizeof(qint16)));
    buffer_ = new QBuffer(&pcm_, this);
    buffer_->open(QIODevice::ReadOnly);
    sink_ = new QAudioSink(device, format, this);
    const UtterancePtr u = current_;
    connect(sink_, &QAudioSink::stateChanged, this, [this, u](QAudio::State s) {
        if (u != current_) return;
        if (s == QAudio::ActiveState) {
            emitStarted(u);
        } else if (s == QAudio::IdleState || s == QAudio::StoppedState) {
            releasePlayback();
            finish(u);
        }
    });
    sink_->start(buffer_);
    if (sink_->error() != QAudio::NoError) {
        releasePlayback();
        return false;
    }
    guardTimer_->start(int(std::clamp<qint64>(durationMs, 0, 10 * 60 * 1000)) + DeviceGraceMs);
    return true;
}

void EspeakEngine::releasePlayback() {
    guardTimer_->stop();
    if (sink_) {
        QAudioSink* sink = sink_;
        sink_ = nullptr;
        sink->disconnect(this);
        sink->stop();
        // May be inside the sink's own signal.
        sink->deleteLater();
    }
    if (buffer_) {
        buffer_->close();
        buffer_->deleteLater();
        buffer_ = nullptr;
    }
}

void EspeakEngine::emitStarted(const UtterancePtr& u) {
    queueStarted(u);
}

void EspeakEngine::finish(const UtterancePtr& u) {
    if (!u || u->finishing) return;
    u->finishing = true;
    if (u == current_) {
        speaking_ = false;
        playTimer_->stop();
        guardTimer_->stop();
    }
    queueDone(u);
}

void EspeakEngine::stopSpeaking() {
    if (!speaking_ || !current_) return;
    if (cancel_) cancel_->store(true);
    playTimer_->stop();
    releasePlayback();
    finish(current_);
}

} // namespace brenvik
