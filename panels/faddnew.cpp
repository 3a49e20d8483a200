#include "panels/faddnew.h"

#include "panels/fwizard.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <cmath>
#include <memory>

namespace brenvik {

namespace {

// A gear wheel for the wizard button.
QIcon GearIcon() {
    QPixmap pm(44, 44);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(22, 22);
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a0 = (i - 0.5) * M_PI / teeth, a1 = (i + 0.5) * M_PI / teeth;
        const double r = (i % 2 == 0) ? 19 : 14;
        const QPointF p0(r * std::cos(a0), r * std::sin(a0)),
            p1(r * std::cos(a1), r * std::sin(a1));
        if (i == 0)
            gear.moveTo(p0);
        else
            gear.lineTo(p0);
        gear.lineTo(p1);
    }
    gear.closeSubpath();
    QPainterPath hole;
    hole.addEllipse(QPointF(0, 0), 6, 6);
    QLinearGradient g(-19, -19, 19, 19);
    g.setColorAt(0, QColor(150, 175, 210));
    g.setColorAt(1, QColor(60, 90, 140));
    p.setPen(QPen(QColor(40, 60, 100), 1.5));
    p.setBrush(g);
    p.drawPath(gear.subtracted(hole));
    return QIcon(pm);
}

} // namespace

TFormAddNew::TFormAddNew(MainCommands& main, QWidget* parent)
    : OperationPanel(main, Operation::AddNew, levelHints(QStringLiteral("Add new")), parent) {
    setObjectName(QStringLiteral("TFormAddNew"));
    setDescription(QStringLiteral("Click a level to add a new object there, below the selected "
                                  "object's path. Type its name and press Enter."));

    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    CBEditItem = new QCheckBox(PMain);
    CBEditItem->setChecked(true);
    Label1 = new QLabel(
        QStringLiteral("Immediately open the edit view, after I add a new question"), PMain);
    Label1->setTextFormat(Qt::PlainText);
    Label1->setCursor(Qt::PointingHandCursor);
    Label1->installEventFilter(this);
    row->addWidget(CBEditItem);
    row->addWidget(Label1, 1);
    extrasLayout()->addLayout(row);

    BGen = new QPushButton(QStringLiteral("Invoke the Quick Question-and-Answer-Making Machine"),
                           PMain);
    BGen->setIcon(GearIcon());
    BGen->setIconSize(QSize(22, 22));
    BGen->setEnabled(false);
    BGen->setStyleSheet(QStringLiteral(
        "QPushButton { padding: 6px 14px; border: 1px solid #5a7bb0; border-radius: 5px;"
        " color: #10264a; font-weight: bold;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #fdfeff, stop:1 #cfdcf1); }"
        "QPushButton:hover { border-color: #2c5fae;"
        " background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #f2f7ff, stop:1 #b9cff0); }"
        "QPushButton:pressed { background: #a9c3ec; }"
        "QPushButton:disabled { color: #9aa3af; border-color: #c8ced6; background: #eceff3; }"));
    connect(BGen, &QPushButton::clicked, this, &TFormAddNew::BGenClick);
    auto* genRow = new QHBoxLayout;
    genRow->addWidget(BGen);
    genRow->addStretch(1);
    extrasLayout()->addLayout(genRow);

    // The generator needs a concept to add under, which is exactly when BQuestion is
    // enabled; following the button keeps the two in step whoever refreshes the rows.
    rows()->button(MaxObjectLevel)->installEventFilter(this);
}

void TFormAddNew::Label1Click() {
    CBEditItem->toggle();
}

void TFormAddNew::BGenClick() {
    // Created for this run only, so current() tells the main window whether it is open;
    // the unique_ptr destroys it on every way out of the modal run.
    auto wizard = std::make_unique<TFormWizard>(main(), PMain->window());
    wizard->exec();
}

void TFormAddNew::levelCommand(int level) {
    if (level == MaxObjectLevel && CBEditItem->isChecked()) {
        main().Library1Click(level);
        // Let the selection of the new question settle before its editor opens.
        QCoreApplication::processEvents();
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
