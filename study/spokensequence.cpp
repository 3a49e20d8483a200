#include "study/spokensequence.h"

#include "platform/soundplayer.h"

#include <QFileInfo>
#include <QtDebug>

namespace brenvik {

namespace {

void LogSkipped(const QString& file, const QString& reason) {
    qWarning("Sound skipped: %s: %s", qUtf8Printable(file), qUtf8Printable(reason));
}

} // namespace

SpokenSequence::SpokenSequence(std::function<void(const QString&)> speak, SoundPlayer* player,
                               QObject* parent)
    : SpokenSequence(
          [say = std::move(speak)](const SpokenPart& part) {
              if (say) say(part.text);
          },
          player, parent) {}

SpokenSequence::SpokenSequence(std::function<void(const SpokenPart&)> speak, SoundPlayer* player,
                               QObject* parent)
    : QObject(parent), speak_(std::move(speak)), player_(player) {
    if (player_) {
        connect(player_, &SoundPlayer::finished, this, &SpokenSequence::soundEnded);
        connect(player_, &SoundPlayer::failed, this, &SpokenSequence::soundFailed);
    }
}

bool SpokenSequence::start(const std::vector<SpokenPart>& parts, const StudyFolders& folders) {
    stop();
    parts_.clear();
    next_ = 0;
    for (const SpokenPart& part : parts) {
        if (part.kind == SpokenPart::Kind::Speech) {
            parts_.push_back(part);
            continue;
        }
        const QString path = ResolveStudyPath(part.text, folders);
        if (!player_)
            LogSkipped(path, QStringLiteral("no sound player"));
        else if (!QFileInfo(path).isFile())
            LogSkipped(path, QStringLiteral("no such file"));
        else
            parts_.push_back({SpokenPart::Kind::Sound, path, {}});
    }
    if (parts_.empty()) return false;
    next();
    return true;
}

void SpokenSequence::stop() {
    // The state first: stopping the voice or the player may let their events run.
    const Waiting was = waiting_;
    waiting_ = Waiting::Nothing;
    parts_.clear();
    next_ = 0;
    play_ = 0;
    if (was == Waiting::Sound && player_) player_->stop();
}

void SpokenSequence::next() {
    if (next_ >= parts_.size()) {
        waiting_ = Waiting::Nothing;
        parts_.clear();
        next_ = 0;
        Q_EMIT finished();
        return;
    }
    const SpokenPart part = parts_[next_++];
    if (part.kind == SpokenPart::Kind::Speech) {
        waiting_ = Waiting::Speech;
        handingOver_ = true;
        if (speak_) speak_(part);
        handingOver_ = false;
    } else if (!player_) {
        // The player went away while the side ran: the sound is skipped like any other.
        LogSkipped(part.text, QStringLiteral("no sound player"));
        next();
    } else {
        waiting_ = Waiting::Sound;
        play_ = player_->play(part.text);
    }
}

void SpokenSequence::speechDone() {
    if (waiting_ != Waiting::Speech || handingOver_) return;
    next();
}

void SpokenSequence::soundEnded(int play) {
    if (waiting_ != Waiting::Sound || play != play_) return;
    play_ = 0;
    next();
}

void SpokenSequence::soundFailed(int play, const QString& reason) {
    if (waiting_ != Waiting::Sound || play != play_) return;
    LogSkipped(parts_[next_ - 1].text, reason);
    play_ = 0;
    next();
}

} // namespace brenvik
