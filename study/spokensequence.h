#pragma once

#include "study/core/spokenparts.h"
#include "study/core/studyfiles.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

namespace brenvik {

class SoundPlayer;

// Plays one spoken side of a question: its runs of lines through the voice and its sound
// files through the player, one part after the other, each started when the one before has
// ended. Everything is driven by the voice's and the player's signals; stop() ends the side
// at once, and nothing that arrives afterwards (a late end of an utterance or a play)
// moves it on.
class SpokenSequence : public QObject {
    Q_OBJECT
public:
    // `speak` hands a text to the voice, whose end comes back through speechDone();
    // `player` may be null, and then every sound is skipped.
    SpokenSequence(std::function<void(const QString&)> speak, SoundPlayer* player,
                   QObject* parent = nullptr);
    // The same with the whole part handed over, so that its voice can be heeded.
    SpokenSequence(std::function<void(const SpokenPart&)> speak, SoundPlayer* player,
                   QObject* parent = nullptr);

    // Stops what runs, then starts `parts`, the sounds looked for in `folders`. A sound
    // whose file is not there is skipped now with a line in the log; false when nothing is
    // left to wait for, and then `finished` does not follow.
    bool start(const std::vector<SpokenPart>& parts, const StudyFolders& folders);
    // Ends the side now, dropping the parts still to come; `finished` does not follow.
    void stop();
    bool running() const { return waiting_ != Waiting::Nothing; }

    // The voice has ended an utterance.
    void speechDone();

Q_SIGNALS:
    // The last part has ended.
    void finished();

private:
    enum class Waiting { Nothing, Speech, Sound };
    void next();
    void soundEnded(int play);
    void soundFailed(int play, const QString& reason);

    std::function<void(const SpokenPart&)> speak_;
    QPointer<SoundPlayer> player_;
    std::vector<SpokenPart> parts_; // sounds hold their files' paths
    std::size_t next_ = 0;
    Waiting waiting_ = Waiting::Nothing;
    int play_ = 0;             // the player's number of the sound being waited for
    bool handingOver_ = false; // inside `speak_`: an end reported now is the cut-off one's
};

} // namespace brenvik
