#include "mainwindow/voicedialog.h"

#include "mainwindow/mainvoice.h"
#include "platform/speechengine.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace brenvik {

namespace {

QSlider* StepSlider(QWidget* parent, int value) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setRange(-10, 10);
    s->setPageStep(2);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(5);
    s->setMinimumWidth(220);
    s->setValue(value);
    return s;
}

QString StepText(int value) {
    return value == 0 ? QStringLiteral("Normal")
                      : (value > 0 ? QStringLiteral("+") : QString()) + QString::number(value);
}

} // namespace

VoiceDialog::VoiceDialog(MainVoice& voice, QWidget* parent) : QDialog(parent), voice_(voice) {
    setObjectName(QStringLiteral("VoiceDialog"));
    setWindowTitle(QStringLiteral("Voice"));

    answer_ = new QComboBox(this);
    answer_->setObjectName(QStringLiteral("CBAnswerVoice"));
    answer_->setMaxVisibleItems(30);
    answer_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    fillAnswerVoices();
    connect(answer_, &QComboBox::activated, this, &VoiceDialog::answerChosen);
    connect(&voice_, &MainVoice::voicesListed, this, &VoiceDialog::fillAnswerVoices);

    rate_ = StepSlider(this, voice_.rate());
    rate_->setObjectName(QStringLiteral("SRate"));
    pitch_ = StepSlider(this, voice_.pitch());
    pitch_->setObjectName(QStringLiteral("SPitch"));
    rateValue_ = new QLabel(StepText(rate_->value()), this);
    pitchValue_ = new QLabel(StepText(pitch_->value()), this);
    for (QLabel* l : {rateValue_, pitchValue_})
        l->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("Normal")) + 6);
    connect(rate_, &QSlider::valueChanged, this, &VoiceDialog::prosodyMoved);
    connect(pitch_, &QSlider::valueChanged, this, &VoiceDialog::prosodyMoved);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Answer voice:"), answer_);
    const auto row = [this](QSlider* s, QLabel* value) {
        auto* h = new QHBoxLayout;
        h->addWidget(s, 1);
        h->addWidget(value);
        return h;
    };
    form->addRow(QStringLiteral("Rate:"), row(rate_, rateValue_));
    form->addRow(QStringLiteral("Pitch:"), row(pitch_, pitchValue_));

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* test = buttons->addButton(QStringLiteral("Test"), QDialogButtonBox::ActionRole);
    test->setObjectName(QStringLiteral("BVoiceTest"));
    connect(test, &QPushButton::clicked, this,
            [this] { voice_.speak(QStringLiteral("This is the question's voice.")); });
    QPushButton* testAnswer =
        buttons->addButton(QStringLiteral("Test answer"), QDialogButtonBox::ActionRole);
    testAnswer->setObjectName(QStringLiteral("BVoiceTestAnswer"));
    connect(testAnswer, &QPushButton::clicked, this, [this] {
        voice_.speakSide(QStringLiteral("This is the answer's voice."), SpeechSide::Answer, {});
    });
    QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addWidget(buttons);
}

void VoiceDialog::fillAnswerVoices() {
    const SpeechEngine& engine = voice_.engine();
    answer_->clear();
    answer_->addItem(QStringLiteral("Same as question"), 0);
    for (int mode = 1; mode <= engine.modeCount(); ++mode)
        answer_->addItem(engine.modeName(mode), mode);
    const VoiceKey key = voice_.answerVoice();
    const int mode = ModeOfKey(engine, key);
    answer_->setCurrentIndex(std::max(0, answer_->findData(mode)));
    if (!key.empty() && mode == 0) {
        // The stored voice's engine is not here now: it stays chosen, and says so.
        answer_->addItem(
            key.engine + QStringLiteral(": ") + key.name + QStringLiteral(" (not available)"), -1);
        answer_->setCurrentIndex(answer_->count() - 1);
    }
}

void VoiceDialog::answerChosen(int index) {
    const int mode = answer_->itemData(index).toInt();
    if (mode < 0) return;
    voice_.setAnswerVoice(mode == 0 ? VoiceKey{} : KeyOfMode(voice_.engine(), mode));
}

void VoiceDialog::prosodyMoved() {
    rateValue_->setText(StepText(rate_->value()));
    pitchValue_->setText(StepText(pitch_->value()));
    voice_.setProsody(rate_->value(), pitch_->value());
}

} // namespace brenvik
