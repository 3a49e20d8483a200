#include "platform/espeakengine.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <QTimer>
#include <QtDebug>
#include <algorithm>
#include <espeak-ng/speak_lib.h>

namespace brenvik {

namespace {

// Extra time a real device gets beyond the utterance's length before it is deemed stuck.
constexpr int DeviceGraceMs = 3000;
// Seconds of sound the worker may run ahead of the player.
constexpr int AheadSeconds = 4;
// Sound made before playback starts, so that a slow first chunk does not stutter.
constexpr int LeadMs = 250;
constexpr int PumpIntervalMs = 20;

struct SynthJob {
    const std::function<bool(const qint16*, int)>* sink = nullptr;
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
    // Returning 1 makes espeak_Synth abandon the text at once.
    return (*job->sink)(wav, count) ? 0 : 1;
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

bool PcmStream::push(const qint16* samples, qsizetype count) {
    std::unique_lock lock(mutex_);
    if (cancelled_) return false;
    if (samples && count > 0) {
        space_.wait(lock,
                    [&] { return cancelled_ || qsizetype(buffer_.size()) - head_ < capacity_; });
        if (cancelled_) return false;
        if (head_ > 0 && head_ >= qsizetype(buffer_.size()) / 2) {
            buffer_.erase(buffer_.begin(), buffer_.begin() + head_);
            head_ = 0;
        }
        buffer_.insert(buffer_.end(), samples, samples + count);
        produced_ += count;
    }
    return true;
}

void PcmStream::finish(const QString& error) {
    std::lock_guard lock(mutex_);
    finished_ = true;
    error_ = error;
}

qsizetype PcmStream::take(qint16* out, qsizetype max) {
    std::lock_guard lock(mutex_);
    const qsizetype n = std::min(max, qsizetype(buffer_.size()) - head_);
    if (n <= 0) return 0;
    std::copy(buffer_.begin() + head_, buffer_.begin() + head_ + n, out);
    head_ += n;
    space_.notify_all();
    return n;
}

qsizetype PcmStream::skip(qsizetype max) {
    std::lock_guard lock(mutex_);
    const qsizetype n = std::min(max, qsizetype(buffer_.size()) - head_);
    if (n <= 0) return 0;
    head_ += n;
    space_.notify_all();
    return n;
}

void PcmStream::cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    std::vector<qint16>().swap(buffer_);
    head_ = 0;
    space_.notify_all();
}

bool PcmStream::cancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

bool PcmStream::finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

QString PcmStream::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

qsizetype PcmStream::available() const {
    std::lock_guard lock(mutex_);
    return qsizetype(buffer_.size()) - head_;
}

qint64 PcmStream::produced() const {
    std::lock_guard lock(mutex_);
    return produced_;
}

EspeakEngine::EspeakEngine(QObject* parent) : SpeechEngine(parent) {
    pumpTimer_ = new QTimer(this);
    pumpTimer_->setInterval(PumpIntervalMs);
    connect(pumpTimer_, &QTimer::timeout, this, &EspeakEngine::pumpPlayback);
    guardTimer_ = new QTimer(this);
    guardTimer_->setSingleShot(true);
    connect(guardTimer_, &QTimer::timeout, this, [this] {
        qWarning("speech: the audio device did not finish in time; stopping it");
        releasePlayback();
        if (current_) finish(current_);
    });
    state();
    if (available()) worker_ = std::thread([this] { workerLoop(); });
}

EspeakEngine::~EspeakEngine() {
    {
        std::lock_guard lock(jobMutex_);
        quit_ = true;
        if (job_) job_->stream->cancel();
    }
    if (stream_) stream_->cancel();
    jobReady_.notify_all();
    if (worker_.joinable()) worker_.join();
    releasePlayback();
}

void EspeakEngine::workerLoop() {
    for (;;) {
        std::unique_ptr<Job> job;
        {
            std::unique_lock lock(jobMutex_);
            jobReady_.wait(lock, [&] { return quit_ || job_; });
            if (quit_) return;
            job = std::move(job_);
        }
        PcmStream& stream = *job->stream;
        if (stream.cancelled()) {
            stream.finish({});
            continue;
        }
        synthesizing_ = true;
        const QString error = synthesizeTo(
            job->text, job->mode,
            [&](const qint16* wav, int n) {
                if (wav && n > 0) synthesized_ += n;
                return stream.push(wav, n);
            },
            job->rate, job->pitch);
        synthesizing_ = false;
        stream.finish(error);
    }
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

QString EspeakEngine::modeLanguage(int mode) const {
    const auto& v = state().voices;
    if (mode < 1 || mode > v.size()) return {};
    return v[mode - 1].language;
}

void EspeakEngine::setProsody(double rate, double pitch) {
    rate_ = std::clamp(rate, -1.0, 1.0);
    pitch_ = std::clamp(pitch, -1.0, 1.0);
}

QVector<EspeakEngine::Voice> EspeakEngine::voices() {
    return state().voices;
}

int EspeakEngine::sampleRate() {
    return state().rate;
}

QString EspeakEngine::synthesizeTo(const QString& text, int mode,
                                   const std::function<bool(const qint16*, int)>& sink, double rate,
                                   double pitch) {
    EspeakState& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.failure.isEmpty()) return s.failure;
    const int index = (mode >= 1 && mode <= s.voices.size()) ? mode - 1 : 0;
    const QByteArray id = s.voices[index].identifier.toUtf8();
    if (espeak_SetVoiceByName(id.constData()) != EE_OK)
        return QStringLiteral("The voice \"%1\" could not be loaded.").arg(s.voices[index].name);
    // Set with every text, since the synthesiser is shared: 175 words a minute and pitch 50
    // are espeak-ng's own; the ends are where it still sounds like speech.
    rate = std::clamp(rate, -1.0, 1.0);
    pitch = std::clamp(pitch, -1.0, 1.0);
    espeak_SetParameter(espeakRATE, int(175 + (rate >= 0 ? rate * 175 : rate * 95)), 0);
    espeak_SetParameter(espeakPITCH, int(50 + pitch * 45), 0);
    // espeak-ng reads the text as UTF-8 (espeakCHARS_UTF8), so every script reaches it whole.
    const QByteArray utf8 = text.toUtf8();
    bool abandoned = false;
    const std::function<bool(const qint16*, int)> watch = [&](const qint16* wav, int count) {
        if (!sink(wav, count)) abandoned = true;
        return !abandoned;
    };
    SynthJob job{&watch};
    s.job = &job;
    const espeak_ERROR err = espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0,
                                          POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr, nullptr);
    s.job = nullptr;
    if (abandoned || err == EE_OK) return {};
    return QStringLiteral("The speech engine failed to speak (error %1).").arg(err);
}

EspeakEngine::Synthesis EspeakEngine::synthesize(const QString& text, int mode,
                                                 const std::atomic<bool>* cancel) {
    Synthesis result;
    result.sampleRate = sampleRate();
    result.error = synthesizeTo(text, mode, [&](const qint16* wav, int count) {
        if (wav && count > 0) {
            const qsizetype old = result.samples.size();
            result.samples.resize(old + count);
            std::copy(wav, wav + count, result.samples.data() + old);
        }
        if (cancel && cancel->load()) {
            result.cancelled = true;
            return false;
        }
        return true;
    });
    return result;
}

void EspeakEngine::speak(const QString& text) {
    stopSpeaking();
    auto u = std::make_shared<Utterance>();
    current_ = u;
    speaking_ = true;
    lastUsedDevice_ = false;
    playing_ = false;
    consumed_ = written_ = 0;
    if (!available()) {
        // Muted in effect: still report the utterance so that waiting callers go on.
        queueStarted(u);
        finish(u);
        return;
    }
    stream_ = std::make_shared<PcmStream>(qsizetype(sampleRate()) * AheadSeconds);
    {
        std::lock_guard lock(jobMutex_);
        // A job the worker has not reached yet is replaced; it never makes a sound.
        if (job_) job_->stream->cancel();
        job_ = std::make_unique<Job>(Job{text, mode_, stream_, rate_, pitch_});
    }
    jobReady_.notify_one();
    pumpTimer_->start();
}

void EspeakEngine::pumpPlayback() {
    const UtterancePtr u = current_;
    if (!u || u->finishing || !stream_) {
        pumpTimer_->stop();
        return;
    }
    if (!playing_) {
        const qint64 lead = qint64(sampleRate()) * LeadMs / 1000;
        if (!stream_->finished() && stream_->available() < lead) return;
        const QString error = stream_->error();
        if (!error.isEmpty()) {
            qWarning("speech: %s", qPrintable(error));
            queueStarted(u);
            finish(u);
            return;
        }
        beginPlayback();
        return;
    }
    if (sink_)
        feedDevice();
    else
        pumpTimed();
}

void EspeakEngine::beginPlayback() {
    playing_ = true;
    if (audioEnabled_ && stream_->available() > 0 && startDevicePlayback()) {
        lastUsedDevice_ = true;
        feedDevice();
        return;
    }
    queueStarted(current_);
    playClock_.start();
    Q_EMIT firstBuffer();
    pumpTimed();
}

void EspeakEngine::pumpTimed() {
    // The clock stands in for the device: the sound is consumed as fast as it would play.
    const qint64 due = playClock_.elapsed() * sampleRate() / 1000;
    if (due > consumed_) consumed_ += stream_->skip(due - consumed_);
    if (stream_->finished() && stream_->available() == 0 && due >= stream_->produced())
        finish(current_);
}

void EspeakEngine::feedDevice() {
    if (!sink_ || !io_) return;
    const qsizetype room = sink_->bytesFree() / qsizetype(sizeof(qint16));
    if (room > 0) {
        chunk_.resize(room);
        const qsizetype n = stream_->take(chunk_.data(), room);
        if (n > 0) {
            io_->write(reinterpret_cast<const char*>(chunk_.constData()),
                       n * qsizetype(sizeof(qint16)));
            const bool first = written_ == 0;
            written_ += n;
            if (first) Q_EMIT firstBuffer();
        }
    }
    if (stream_->finished() && stream_->available() == 0 && !guardTimer_->isActive()) {
        const qint64 writtenMs = written_ * 1000 / std::max(1, sampleRate());
        const qint64 playedMs = sink_->processedUSecs() / 1000;
        const qint64 left = std::clamp<qint64>(writtenMs - playedMs, 0, 10 * 60 * 1000);
        guardTimer_->start(int(left) + DeviceGraceMs);
    }
}

bool EspeakEngine::startDevicePlayback() {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return false;
    QAudioFormat format;
    format.setSampleRate(sampleRate());
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) return false;
    sink_ = new QAudioSink(device, format, this);
    const UtterancePtr u = current_;
    connect(sink_, &QAudioSink::stateChanged, this, [this, u](QAudio::State s) {
        if (u != current_ || !sink_ || !stream_) return;
        if (s == QAudio::ActiveState) {
            queueStarted(u);
        } else if (s == QAudio::StoppedState ||
                   (s == QAudio::IdleState && stream_->finished() && stream_->available() == 0)) {
            // Idle with sound still to come is an underrun: the pump refills the device.
            releasePlayback();
            finish(u);
        }
    });
    io_ = sink_->start();
    if (!io_ || sink_->error() != QAudio::NoError) {
        releasePlayback();
        return false;
    }
    return true;
}

void EspeakEngine::releasePlayback() {
    guardTimer_->stop();
    io_ = nullptr;
    if (sink_) {
        QAudioSink* sink = sink_;
        sink_ = nullptr;
        sink->disconnect(this);
        sink->stop();
        // May be inside the sink's own signal.
        sink->deleteLater();
    }
}

void EspeakEngine::finish(const UtterancePtr& u) {
    if (!u || u->finishing) return;
    u->finishing = true;
    if (u == current_) {
        speaking_ = false;
        pumpTimer_->stop();
        guardTimer_->stop();
        // Wakes a worker held back by the full stream; the synthesiser abandons the text.
        if (stream_) stream_->cancel();
        stream_.reset();
        chunk_ = {};
    }
    queueDone(u);
}

void EspeakEngine::stopSpeaking() {
    if (!speaking_ || !current_) return;
    releasePlayback();
    finish(current_);
}

} // namespace brenvik
