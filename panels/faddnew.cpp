#include "panels/faddnew.h"

#include "panels/fwizard.h"
#include "panels/levelpanel.h"
#include "platform/svgicon.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <memory>

namespace brenvik {

namespace {

// The wizard button's look in the palette's colours, with a touch of the highlight so it
// stands apart from the level buttons.
QString GeneratorButtonStyle(const QPalette& pal) {
    const QColor face = pal.color(QPalette::Active, QPalette::Button);
    const QColor light = pal.color(QPalette::Active, QPalette::Light);
    const QColor highlight = pal.color(QPalette::Active, QPalette::Highlight);
    const auto mix = [](const QColor& a, const QColor& b, double t) {
        return MixColours(a, b, t).name();
    };
    return QStringLiteral(
               "QPushButton { padding: 6px 14px; border: 1px solid %1; border-radius: 5px;"
               " color: %2; font-weight: bold;"
               " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 %3, stop:1 %4); }"
               "QPushButton:hover, QPushButton:focus { border-color: %5; }"
               "QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
               " stop:0 %3, stop:1 %6); }"
               "QPushButton:pressed { background: %7; }"
               "QPushButton:disabled { color: %8; border-color: %9; background: %10; }")
        .arg(mix(face, highlight, 0.45), pal.color(QPalette::Active, QPalette::ButtonText).name(),
             mix(face, light, 0.7), mix(face, highlight, 0.18), highlight.name(),
             mix(face, highlight, 0.32), mix(face, highlight, 0.45),
             pal.color(QPalette::Disabled, QPalette::ButtonText).name(),
             pal.color(QPalette::Active, QPalette::Midlight).name())
        .arg(pal.color(QPalette::Active, QPalette::Window).name());
}

} // namespace

TFormAddNew::TFormAddNew(PanelServices& main, EditorServices& wizard, QWidget* parent)
    : OperationPanel(main, Operation::AddNew, levelHints(QStringLiteral("Add new")), parent),
      wizard_(wizard) {
    setObjectName(QStringLiteral("TFormAddNew"));
    setDescription(QStringLiteral("Click a level to add a new object there, below the selected "
                                  "object's path. Type its name and press Enter."));

    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    CBEditItem = new QCheckBox(view());
    CBEditItem->setObjectName(QStringLiteral("CBEditItem"));
    CBEditItem->setChecked(true);
    CBEditItem->setAccessibleName(
        QStringLiteral("Immediately open the edit view, after I add a new question"));
    Label1 = new QLabel(
        QStringLiteral("Immediately open the edit view, after I add a new question"), view());
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setCursor(Qt::PointingHandCursor);
    {
        // It stands on the picture, which keeps its own colours whatever the palette.
        QPalette pal = Label1->palette();
        pal.setColor(QPalette::WindowText,
                     view()->inkFor(pal.color(QPalette::Active, QPalette::WindowText)));
        Label1->setPalette(pal);
    }
    Label1->installEventFilter(this);
    row->addWidget(CBEditItem);
    row->addWidget(Label1, 1);
    extrasLayout()->addLayout(row);

    BGen = new QPushButton(QStringLiteral("Invoke the Quick Question-and-Answer-Making Machine"),
                           view());
    BGen->setObjectName(QStringLiteral("BGen"));
    BGen->setIcon(SvgIcon(QStringLiteral("gear")));
    BGen->setIconSize(QSize(22, 22));
    BGen->setEnabled(false);
    BGen->setStyleSheet(GeneratorButtonStyle(BGen->palette()));
    connect(BGen, &QPushButton::clicked, this, &TFormAddNew::BGenClick);
    auto* genRow = new QHBoxLayout;
    genRow->addWidget(BGen);
    genRow->addStretch(1);
    extrasLayout()->addLayout(genRow);

    // The generator needs a concept to add under, which is exactly when BQuestion is
    // enabled; following the button keeps the two in step whoever refreshes the rows.
    rows()->button(MaxObjectLevel)->installEventFilter(this);
}

bool TFormAddNew::editAfterAdd() const {
    return CBEditItem->isChecked();
}

void TFormAddNew::setEditAfterAdd(bool on) {
    CBEditItem->setChecked(on);
}

void TFormAddNew::setWizardEnabled(bool enabled) {
    BGen->setEnabled(enabled);
}

void TFormAddNew::Label1Click() {
    CBEditItem->toggle();
}

void TFormAddNew::BGenClick() {
    // Created for this run only, so current() tells the main window whether it is open;
    // the unique_ptr destroys it on every way out of the modal run.
    auto wizard = std::make_unique<TFormWizard>(wizard_, view()->window());
    wizard->exec();
}

void TFormAddNew::levelCommand(int level) {
    if (level == MaxObjectLevel && CBEditItem->isChecked()) {
        // The new question is selected when Library1Click returns: its editor opens on it.
        main().Library1Click(level);
        main().Library2Click(level);
        return;
    }
    main().Library1Click(level);
}

bool TFormAddNew::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label1 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Label1Click();
        return true;
    }
    if (watched == rows()->button(MaxObjectLevel) && event->type() == QEvent::EnabledChange)
        BGen->setEnabled(rows()->button(MaxObjectLevel)->isEnabled());
    return OperationPanel::eventFilter(watched, event);
}

} // namespace brenvik
