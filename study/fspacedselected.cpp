#include "study/fspacedselected.h"

#include "library/objects.h"
#include "library/settingsstore.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace brenvik {

namespace {

QString Figure(int n) {
    return QString::number(n);
}

QString RetentionText(const srs::StudyCounts& c) {
    if (c.retention() < 0) return QStringLiteral("no reviews yet");
    return QStringLiteral("%1 %  (%2 of %3)")
        .arg(QString::number(c.retention() * 100, 'f', 0))
        .arg(c.passed30)
        .arg(c.reviews30);
}

} // namespace

TFormSpacedSelected::TFormSpacedSelected(PanelServices& main, QWidget* parent)
    : SessionPanel(main, Session::Spaced, parent) {
    setObjectName(QStringLiteral("FormSpacedSelected"));

    auto* frame = new OptionsFrame(view());
    frame->setObjectName(QStringLiteral("PSpacedFigures"));
    auto* grid = new QGridLayout(frame);
    grid->setContentsMargins(12, 8, 12, 8);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    grid->setColumnMinimumWidth(2, 24);
    grid->setColumnStretch(2, 1);

    LFiguresTitle = new QLabel(frame);
    LFiguresTitle->setObjectName(QStringLiteral("LFiguresTitle"));
    QFont bold = LFiguresTitle->font();
    bold.setBold(true);
    LFiguresTitle->setFont(bold);
    grid->addWidget(LFiguresTitle, 0, 0, 1, 2);
    auto* settingsTitle = new QLabel(QStringLiteral("Settings"), frame);
    settingsTitle->setFont(bold);
    grid->addWidget(settingsTitle, 0, 3, 1, 3);

    LNew = addFigure(grid, 1, QStringLiteral("New"), "LNew");
    LLearning = addFigure(grid, 2, QStringLiteral("Learning"), "LLearning");
    LDueToday = addFigure(grid, 3, QStringLiteral("Due today"), "LDueToday");
    LDueWeek = addFigure(grid, 4, QStringLiteral("Due this week"), "LDueWeek");
    LRetention = addFigure(grid, 5, QStringLiteral("True retention, 30 days"), "LRetention");

    ELearningSteps = addSetting(grid, 1, QStringLiteral("Learning steps"),
                                QStringLiteral("minutes"), "ELearningSteps");
    ERelearningSteps = addSetting(grid, 2, QStringLiteral("Relearning steps"),
                                  QStringLiteral("minutes"), "ERelearningSteps");
    ERetention = addSetting(grid, 3, QStringLiteral("Desired retention"),
                            QStringLiteral("0.70 to 0.97"), "ERetention");
    EMaxInterval = addSetting(grid, 4, QStringLiteral("Maximum interval"), QStringLiteral("days"),
                              "EMaxInterval");
    ENewPerDay =
        addSetting(grid, 5, QStringLiteral("New questions per day"), QString(), "ENewPerDay");

    BStatistics = new QPushButton(QStringLiteral("Statistics..."), frame);
    BStatistics->setObjectName(QStringLiteral("BStatistics"));
    BStatistics->setToolTip(
        QStringLiteral("Forecast, calendar and retention of the selected object"));
    BStatistics->hide();
    connect(BStatistics, &QPushButton::clicked, this, &TFormSpacedSelected::statisticsRequested);
    grid->addWidget(BStatistics, 6, 0, 1, 2, Qt::AlignLeft);

    CBHeardGood = new QCheckBox(frame);
    CBHeardGood->setObjectName(QStringLiteral("CBHeardGood"));
    LHeardGood =
        new ClickLabel(QStringLiteral("Fully heard answer counts as Good"), CBHeardGood, frame);
    LHeardGood->setObjectName(QStringLiteral("LHeardGood"));
    auto* heard = new QHBoxLayout;
    heard->setSpacing(6);
    heard->addWidget(CBHeardGood);
    heard->addWidget(LHeardGood, 1);
    grid->addLayout(heard, 6, 3, 1, 3);

    // Above the answer font's row.
    extrasLayout()->insertWidget(0, frame);

    TFigures = new QTimer(this);
    TFigures->setSingleShot(true);
    TFigures->setInterval(FiguresDelayMs);
    connect(TFigures, &QTimer::timeout, this, [this] {
        if (view()->isVisible()) updateFigures();
    });

    setSpacedOptions(srs::SpacedOptions::defaults());
    updateFigures();
}

QLabel* TFormSpacedSelected::addFigure(QGridLayout* grid, int row, const QString& label,
                                       const char* name) {
    auto* caption = new QLabel(label, grid->parentWidget());
    auto* value = new QLabel(grid->parentWidget());
    value->setObjectName(QString::fromLatin1(name));
    value->setTextFormat(Qt::PlainText);
    grid->addWidget(caption, row, 0);
    grid->addWidget(value, row, 1);
    return value;
}

QLineEdit* TFormSpacedSelected::addSetting(QGridLayout* grid, int row, const QString& label,
                                           const QString& unit, const char* name) {
    QWidget* parent = grid->parentWidget();
    auto* caption = new QLabel(label, parent);
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedWidth(70);
    edit->setMaxLength(40);
    auto* unitLabel = new QLabel(unit, parent);
    grid->addWidget(caption, row, 3);
    grid->addWidget(edit, row, 4);
    grid->addWidget(unitLabel, row, 5);
    connect(edit, &QLineEdit::editingFinished, this, [this] { applySettings(); });
    // Qt reports a left edit only after a change; a refused text left untouched counts too.
    edit->installEventFilter(this);
    return edit;
}

srs::SpacedOptions TFormSpacedSelected::spacedOptions() const {
    srs::SpacedOptions o;
    o.learningSteps = ELearningSteps->text();
    o.relearningSteps = ERelearningSteps->text();
    o.retention = ERetention->text();
    o.maximumInterval = EMaxInterval->text();
    o.newPerDay = ENewPerDay->text();
    o.heardCountsAsGood = CBHeardGood->isChecked();
    return o;
}

void TFormSpacedSelected::setSpacedOptions(const srs::SpacedOptions& o) {
    const std::pair<QLineEdit*, const QString*> edits[] = {{ELearningSteps, &o.learningSteps},
                                                           {ERelearningSteps, &o.relearningSteps},
                                                           {ERetention, &o.retention},
                                                           {EMaxInterval, &o.maximumInterval},
                                                           {ENewPerDay, &o.newPerDay}};
    for (const auto& [edit, text] : edits)
        if (edit->text() != *text) edit->setText(*text);
    CBHeardGood->setChecked(o.heardCountsAsGood);
}

srs::SpacedSettings TFormSpacedSelected::applySettings() {
    const srs::SpacedSettings s = srs::ReadSpacedOptions(spacedOptions());
    if (s.replaced) setSpacedOptions(s.shown);
    if (srs::StudyHistory* history = main().studyHistory())
        history->setScheduler(srs::Scheduler(s.scheduler));
    return s;
}

void TFormSpacedSelected::loadSettings(const SettingsStore& store) {
    setSpacedOptions(srs::LoadSpacedOptions(store));
    applySettings();
}

void TFormSpacedSelected::saveSettings(SettingsStore& store) const {
    srs::SaveSpacedOptions(store, srs::ReadSpacedOptions(spacedOptions()).shown);
}

bool TFormSpacedSelected::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut &&
        (watched == ELearningSteps || watched == ERelearningSteps || watched == ERetention ||
         watched == EMaxInterval || watched == ENewPerDay))
        applySettings();
    return SessionPanel::eventFilter(watched, event);
}

void TFormSpacedSelected::refreshFigures() {
    TFigures->start();
}

void TFormSpacedSelected::updateFigures() {
    TFigures->stop();
    const int level = rows()->deepestEnabled();
    const NodeId selected = main().selectedNode();
    const NodeId object =
        level > 0 && selected != NoNode ? GetObjAtLevel(main().tree(), selected, level) : NoNode;
    srs::StudyHistory* history = main().studyHistory();
    if (!history || object == NoNode) {
        counts_ = srs::StudyCounts{};
        LFiguresTitle->setText(QStringLiteral("Nothing selected"));
        for (QLabel* l : {LNew, LLearning, LDueToday, LDueWeek, LRetention})
            l->setText(QStringLiteral("-"));
        return;
    }
    counts_ = history->counts(object, main().clockNow());
    LFiguresTitle->setText(QStringLiteral("Selected ") +
                           QString::fromStdString(LowerObjName(level)));
    LNew->setText(Figure(counts_.fresh));
    LLearning->setText(Figure(counts_.learning));
    LDueToday->setText(Figure(counts_.dueToday));
    LDueWeek->setText(Figure(counts_.dueWeek));
    LRetention->setText(RetentionText(counts_));
}

bool TFormSpacedSelected::heardCountsAsGood() const {
    return CBHeardGood->isChecked();
}

void TFormSpacedSelected::setStatisticsAvailable(bool available) {
    BStatistics->setVisible(available);
}

} // namespace brenvik
