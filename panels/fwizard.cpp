#include "panels/fwizard.h"
#include "platform/desktopcolors.h"

#include "library/objects.h"
#include "library/textcodec.h"
#include "panels/levelpanel.h"
#include "platform/prompts.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace brenvik {

namespace {

QLabel* FieldLabel(const QString& text, bool question, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont f(QStringLiteral("Arial"));
    f.setBold(question);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, question ? Qt::black : QColor(80, 80, 80));
    label->setPalette(pal);
    return label;
}

QToolButton* SmallButton(QStyle::StandardPixmap icon, const QString& hint, QWidget* parent) {
    auto* b = new QToolButton(parent);
    b->setIcon(parent->style()->standardIcon(icon));
    b->setToolTip(hint);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

} // namespace

TFormWizard::TFormWizard(EditorServices& main, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      main_(main) {
    main_.wizardOpened(this);
    setObjectName(QStringLiteral("TFormWizard"));
    setWindowTitle(QStringLiteral("Quick Question-and-Answer-Making Machine"));
    setModal(true);

    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(10, 10, 10, 10);
    outer->setSpacing(10);

    Image1 = new QLabel(this);
    Image1->setAttribute(Qt::WA_TranslucentBackground);
    const QImage picture = LoadPanelPicture(main.programFolder(), QStringLiteral("GEARWHL2.bmp"));
    if (!picture.isNull()) {
        Image1->setPixmap(QPixmap::fromImage(picture));
        Image1->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    } else {
        Image1->hide();
    }
    outer->addWidget(Image1);

    auto* right = new QVBoxLayout;
    right->setSpacing(8);
    outer->addLayout(right, 1);

    // The fields sit on a light panel inside a raised-and-lowered info-coloured frame.
    auto* frame = new QFrame(this);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Raised);
    frame->setLineWidth(2);
    frame->setAutoFillBackground(true);
    {
        QPalette pal = frame->palette();
        pal.setColor(QPalette::Window, toQColor(main.desktopColors().scheme().tooltip));
        frame->setPalette(pal);
    }
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(4, 4, 4, 4);
    auto* light = new QFrame(frame);
    light->setFrameShape(QFrame::Panel);
    light->setFrameShadow(QFrame::Sunken);
    light->setAutoFillBackground(true);
    {
        QPalette pal = light->palette();
        pal.setColor(QPalette::Window, QColor(252, 252, 246));
        light->setPalette(pal);
    }
    frameLayout->addWidget(light);
    right->addWidget(frame, 1);

    auto* grid = new QGridLayout(light);
    grid->setContentsMargins(10, 8, 8, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(5);

    EQuestion = new QLineEdit(light);
    ESpokenQ = new QLineEdit(light);
    EAnswer = new QLineEdit(light);
    ESpokenA = new QLineEdit(light);
    BSpeakQ = SmallButton(QStyle::SP_MediaPlay, QStringLiteral("Test speech"), light);
    BStopQ = SmallButton(QStyle::SP_MediaStop, QStringLiteral("Stop test"), light);
    SpeedButton1 = SmallButton(QStyle::SP_MediaPlay, QStringLiteral("Test speech"), light);
    SpeedButton2 = SmallButton(QStyle::SP_MediaStop, QStringLiteral("Stop test"), light);

    grid->addWidget(FieldLabel(QStringLiteral("Enter a question:"), true, light), 0, 0);
    grid->addWidget(EQuestion, 0, 1, 1, 3);
    grid->addWidget(FieldLabel(QStringLiteral("Spoken text:"), false, light), 1, 0);
    grid->addWidget(ESpokenQ, 1, 1);
    grid->addWidget(BSpeakQ, 1, 2);
    grid->addWidget(BStopQ, 1, 3);
    grid->addItem(new QSpacerItem(1, 6), 2, 0);
    grid->addWidget(FieldLabel(QStringLiteral("Enter an answer:"), true, light), 3, 0);
    grid->addWidget(EAnswer, 3, 1, 1, 3);
    grid->addWidget(FieldLabel(QStringLiteral("Spoken text:"), false, light), 4, 0);
    grid->addWidget(ESpokenA, 4, 1);
    grid->addWidget(SpeedButton1, 4, 2);
    grid->addWidget(SpeedButton2, 4, 3);
    grid->setColumnStretch(1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    BUndo = SmallButton(QStyle::SP_ArrowBack, QString(), this);
    BRedo = SmallButton(QStyle::SP_ArrowForward, QString(), this);
    BUndo->setEnabled(false);
    BRedo->setEnabled(false);
    BGen = new QPushButton(QStringLiteral("&Generate Question-and-Answer"), this);
    BClose = new QPushButton(QStringLiteral("&Close"), this);
    // Enter in the edits moves the focus on; only a focused Generate button takes it.
    BGen->setAutoDefault(true);
    BClose->setAutoDefault(false);
    BGen->setEnabled(false);
    buttons->addWidget(BUndo);
    buttons->addWidget(BRedo);
    buttons->addStretch(1);
    buttons->addWidget(BGen);
    buttons->addWidget(BClose);
    right->addLayout(buttons);

    for (QLineEdit* e : {EQuestion, ESpokenQ, EAnswer, ESpokenA})
        e->installEventFilter(this);

    connect(EQuestion, &QLineEdit::textChanged, this, [this](const QString& text) {
        ESpokenQ->setText(text);
        updateGenerate();
    });
    connect(EAnswer, &QLineEdit::textChanged, this, [this](const QString& text) {
        ESpokenA->setText(text);
        updateGenerate();
    });
    connect(ESpokenQ, &QLineEdit::textChanged, this, &TFormWizard::updateGenerate);
    connect(ESpokenA, &QLineEdit::textChanged, this, &TFormWizard::updateGenerate);
    connect(BSpeakQ, &QToolButton::clicked, this,
            [this] { main_.Speak(ESpokenQ->text().trimmed()); });
    connect(SpeedButton1, &QToolButton::clicked, this,
            [this] { main_.SpeakSide(ESpokenA->text().trimmed(), SpeechSide::Answer, {}); });
    connect(BStopQ, &QToolButton::clicked, this, [this] { main_.StopVoice(); });
    connect(SpeedButton2, &QToolButton::clicked, this, [this] { main_.StopVoice(); });
    connect(BGen, &QPushButton::clicked, this, &TFormWizard::BGenClick);
    connect(BClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(BUndo, &QToolButton::clicked, this, [this] { main_.BUndoClick(); });
    connect(BRedo, &QToolButton::clicked, this, [this] { main_.BRedoClick(); });

    setFixedSize(QSize(620, 235).expandedTo(sizeHint()));
}

TFormWizard::~TFormWizard() {
    main_.wizardClosed(this);
}

void TFormWizard::updateGenerate() {
    // Generate adds under the concept on the selection's path, so without one it must
    // stay disabled whatever the texts hold.
    const LibraryTree& tree = main_.tree();
    const NodeId selected = main_.selectedNode();
    const bool conceptNode = selected != NoNode && GetObjAtLevel(tree, selected, Concept) != NoNode;
    const bool texts =
        !EQuestion->text().trimmed().isEmpty() && !EAnswer->text().trimmed().isEmpty();
    BGen->setEnabled(conceptNode && texts);
}

void TFormWizard::refreshFromMain() {
    BUndo->setEnabled(main_.undoEnabled());
    BUndo->setToolTip(main_.undoHint());
    BRedo->setEnabled(main_.redoEnabled());
    BRedo->setToolTip(main_.redoHint());
    updateGenerate();
}

void TFormWizard::BGenClick() {
    updateGenerate();
    if (!BGen->isEnabled()) return;
    LibraryTree& tree = main_.tree();
    const NodeId conceptNode = GetObjAtLevel(tree, main_.selectedNode(), Concept);
    WizardData data;
    data.question = DisplayToBytes(EQuestion->text().trimmed());
    data.answer = DisplayToBytes(EAnswer->text().trimmed());
    data.spokenQuestion = DisplayToBytes(ESpokenQ->text().trimmed());
    data.spokenAnswer = DisplayToBytes(ESpokenA->text().trimmed());

    UndoScope undo(main_);
    const Result<NodeId> added = AddNewObj(tree, conceptNode, main_.desktopColors(), &data);
    if (!added) {
        main_.prompts().message(this, QStringLiteral("Error"),
                                QString::fromStdString(added.error()), Prompts::Icon::Error,
                                Prompts::Ok);
        return;
    }
    main_.selectNode(added.value());
    EQuestion->setFocus(Qt::OtherFocusReason);
    EQuestion->deselect();
    undo.commit(QStringLiteral("add new question"));
    main_.Speak(QStringLiteral("Question generated."));
    refreshFromMain();
}

void TFormWizard::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }
    main_.RefreshSelectionViews();
    refreshFromMain();
}

void TFormWizard::keyPressEvent(QKeyEvent* event) {
    // Esc means Close here (the cancel result), said on purpose rather than left to
    // QDialog; Enter never presses a button that does not have the focus.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        reject();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TFormWizard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            QWidget* next = nullptr;
            if (watched == EQuestion)
                next = ESpokenQ;
            else if (watched == ESpokenQ)
                next = EAnswer;
            else if (watched == EAnswer)
                next = ESpokenA;
            else if (watched == ESpokenA)
                next = BGen->isEnabled() ? static_cast<QWidget*>(BGen) : EQuestion;
            if (next) {
                next->setFocus(Qt::TabFocusReason);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace brenvik
