#pragma once

#include "platform/speechengine.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class QAudioSink;
class QIODevice;
class QTimer;

namespace brenvik {

// The PCM of one utterance on its way from the synthesis worker to the player. The worker
// is held back while a few seconds lie unplayed, so a text of hours costs no more memory
// than a sentence; cancelling wakes it and makes the synthesiser abandon the text.
class PcmStream {
public:
    explicit PcmStream(qsizetype capacitySamples) : capacity_(capacitySamples) {}

    // Worker side. False once cancelled: the synthesis is to stop.
    bool push(const qint16* samples, qsizetype count);
    void finish(const QString& error);

    // Player side; never blocks.
    qsizetype take(qint16* out, qsizetype max);
    qsizetype skip(qsizetype max);
    void cancel();

    bool cancelled() const;
    bool finished() const;
    QString error() const;
    qsizetype available() const;
    qint64 produced() const; // samples synthesised so far

private:
    mutable std::mutex mutex_;
    std::condition_variable space_;
    const qsizetype capacity_;
    std::vector<qint16> buffer_;
    qsizetype head_ = 0;
    qint64 produced_ = 0;
    bool cancelled_ = false;
    bool finished_ = false;
    QString error_;
};

// Speech through libespeak-ng: text is synthesised to 16-bit mono PCM on a worker thread and
// streamed to QAudioSink on the default output while it is made. Without an output device
// the stream is consumed at the speed it would play, so started/done still arrive in the same
// order and done comes after the utterance's length.
//
// Every speak() produces exactly one `started` followed by exactly one `done`, both queued to
// the thread the engine lives on, even when the utterance is stopped before its sound began.
// Neither speak() nor stopSpeaking() waits for the synthesiser: a stopped synthesis is
// abandoned within one chunk.
//
// Modes: 1 = "English (America)", 2 = "English (Great Britain)", then the other English
// voices by name, then every other voice by name. Mode 2 is the stored default, so a fresh
// installation speaks British English.
class EspeakEngine : public SpeechEngine {
    Q_OBJECT
public:
    struct Voice {
        QString name;       // e.g. "English (America)"
        QString language;   // e.g. "en-us"
        QString identifier; // espeak-ng's voice file, e.g. "gmw/en-US"
    };
    struct Synthesis {
        QVector<qint16> samples;
        int sampleRate = 0;
        QString error; // empty on success
        bool cancelled = false;
    };

    explicit EspeakEngine(QObject* parent = nullptr);
    ~EspeakEngine() override;

    bool available() const override;
    QString failureText() const override;
    int modeCount() const override;
    QString modeName(int mode) const override;
    int currentMode() const override { return mode_; }
    void setCurrentMode(int mode) override { mode_ = mode; }
    void speak(const QString& text) override;
    void stopSpeaking() override;
    bool speaking() const override { return speaking_; }
    QString engineName() const override { return QStringLiteral("espeak-ng"); }
    QString modeLanguage(int mode) const override;
    void setProsody(double rate, double pitch) override;

    // The voices in mode order (mode n is voices()[n - 1]).
    static QVector<Voice> voices();
    static int sampleRate();
    // Synthesises `text` with the voice of `mode` (the first voice when out of range) and
    // blocks until done or until *cancel becomes true. Safe from any thread, but it waits for
    // a synthesis of an engine in progress, so it is not to be called from the thread of an
    // engine that is speaking.
    static Synthesis synthesize(const QString& text, int mode,
                                const std::atomic<bool>* cancel = nullptr);
    // Feeds the synthesis to `sink` chunk by chunk; a false return abandons the text.
    // Returns the error text, empty on success or when abandoned. `rate` and `pitch` run
    // from -1 to 1 as in setProsody().
    static QString synthesizeTo(const QString& text, int mode,
                                const std::function<bool(const qint16*, int)>& sink,
                                double rate = 0, double pitch = 0);

    // Off: never opens an audio device; every utterance is timed instead of played.
    void setAudioOutputEnabled(bool on) { audioEnabled_ = on; }
    // Whether the utterance in progress (or the last one) went to a real audio device.
    bool lastUsedAudioDevice() const { return lastUsedDevice_; }
    // Whether the worker is inside the synthesiser, and the samples it has made in all.
    bool synthesizing() const { return synthesizing_.load(); }
    qint64 samplesSynthesized() const { return synthesized_.load(); }

Q_SIGNALS:
    // An utterance's first PCM has gone to the audio device, or without one to the clock that
    // stands in for it: the moment its sound begins. Emitted at that moment, not queued.
    void firstBuffer();

private:
    struct Job {
        QString text;
        int mode = 1;
        std::shared_ptr<PcmStream> stream;
        double rate = 0;
        double pitch = 0;
    };

    void workerLoop();
    void pumpPlayback();
    void beginPlayback();
    void feedDevice();
    void pumpTimed();
    bool startDevicePlayback();
    void releasePlayback();
    void finish(const UtterancePtr& u);

    int mode_ = 1;
    double rate_ = 0;
    double pitch_ = 0;
    bool audioEnabled_ = true;
    bool lastUsedDevice_ = false;
    bool speaking_ = false;
    UtterancePtr current_;
    std::shared_ptr<PcmStream> stream_; // the current utterance's PCM
    bool playing_ = false;              // playback of stream_ has begun
    QElapsedTimer playClock_;           // timed playback: time since its sound began
    qint64 consumed_ = 0;               // samples played or timed so far
    qint64 written_ = 0;                // samples handed to the device
    QVector<qint16> chunk_;             // reused transfer buffer

    // The worker: one thread for the engine's life, taking the newest job.
    std::thread worker_;
    std::mutex jobMutex_;
    std::condition_variable jobReady_;
    std::unique_ptr<Job> job_;
    bool quit_ = false;
    std::atomic<bool> synthesizing_{false};
    std::atomic<qint64> synthesized_{0};

    QAudioSink* sink_ = nullptr;
    QIODevice* io_ = nullptr;
    QTimer* pumpTimer_ = nullptr;  // moves PCM from the stream to the device or the clock
    QTimer* guardTimer_ = nullptr; // bounds a device that never goes idle
};

} // namespace brenvik
