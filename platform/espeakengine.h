#pragma once

#include "platform/speechengine.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <memory>
#include <thread>

class QAudioSink;
class QBuffer;
class QTimer;

namespace brenvik {

// Speech through libespeak-ng: text is synthesised to 16-bit mono PCM on a worker thread and
// played through QAudioSink on the default output. Without an output device the utterance
// is "played" by a timer over its length, so started/done still arrive in the same order.
//
// Every speak() produces exactly one `started` followed by exactly one `done`, both queued to
// the thread the engine lives on, even when the utterance is stopped before its sound began.
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

    // The voices in mode order (mode n is voices()[n - 1]).
    static QVector<Voice> voices();
    static int sampleRate();
    // Synthesises `text` with the voice of `mode` (the first voice when out of range) and
    // blocks until done or until *cancel becomes true. Safe from any thread.
    static Synthesis synthesize(const QString& text, int mode,
                                const std::atomic<bool>* cancel = nullptr);

    // Off: never opens an audio device; every utterance is timed instead of played.
    void setAudioOutputEnabled(bool on) { audioEnabled_ = on; }
    // Whether the utterance in progress (or the last one) went to a real audio device.
    bool lastUsedAudioDevice() const { return lastUsedDevice_; }

private:
    // Delivery state of one utterance, shared with the queued calls that report it.

    void joinWorker();
    void onSynthesized(const UtterancePtr& u, const Synthesis& result);
    void startTimedPlayback(qint64 durationMs);
    bool startDevicePlayback(const Synthesis& result, qint64 durationMs);
    void releasePlayback();
    void emitStarted(const UtterancePtr& u);
    void finish(const UtterancePtr& u);

    int mode_ = 1;
    bool audioEnabled_ = true;
    bool lastUsedDevice_ = false;
    bool speaking_ = false;
    UtterancePtr current_;
    std::thread worker_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    QAudioSink* sink_ = nullptr;
    QBuffer* buffer_ = nullptr;
    QByteArray pcm_;
    QTimer* playTimer_ = nullptr;  // the timed stand-in for a device
    QTimer* guardTimer_ = nullptr; // bounds a device that never goes idle
};

} // namespace brenvik
