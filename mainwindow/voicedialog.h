#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QSlider;

namespace brenvik {

class MainVoice;

// The voice's settings beside the voice list: the answer's voice ("Same as question" or
// one of the list) and the speaking rate and pitch of every engine. Each change takes
// effect at once and is stored with the other settings when the program ends.
class VoiceDialog : public QDialog {
    Q_OBJECT
public:
    explicit VoiceDialog(MainVoice& voice, QWidget* parent = nullptr);

    QComboBox* answerVoices() const { return answer_; }
    QSlider* rateSlider() const { return rate_; }
    QSlider* pitchSlider() const { return pitch_; }

private:
    void fillAnswerVoices();
    void answerChosen(int index);
    void prosodyMoved();

    MainVoice& voice_;
    QComboBox* answer_ = nullptr;
    QSlider* rate_ = nullptr;
    QSlider* pitch_ = nullptr;
    QLabel* rateValue_ = nullptr;
    QLabel* pitchValue_ = nullptr;
};

} // namespace brenvik
