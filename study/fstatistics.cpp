#include "study/fstatistics.h"

#include "library/savefile.h"
#include "library/textcodec.h"
#include "platform/prompts.h"
#include "seams/programservices.h"
#include "seams/treeaccess.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace brenvik {

namespace {

QColor Mix(const QColor& a, const QColor& b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

QString Number(int n) {
    return QLocale::c().toString(n).replace(QLatin1Char(','), QChar(0x202F));
}

QString Percent(double r) {
    return QString::number(r * 100, 'f', 1) + QStringLiteral(" %");
}

// A section's heading; returns the room left below it.
QRect Heading(QPainter& p, const QRect& area, const QString& text, const QPalette& pal) {
    QFont f = p.font();
    f.setBold(true);
    p.setFont(f);
    p.setPen(pal.color(QPalette::WindowText));
    const int h = p.fontMetrics().height();
    p.drawText(QRect(area.left(), area.top(), area.width(), h), Qt::AlignLeft | Qt::AlignVCenter,
               text);
    f.setBold(false);
    p.setFont(f);
    return area.adjusted(0, h + 6, 0, 0);
}

void DrawForecast(QPainter& p, const QRect& area, const srs::StudyStatistics& s,
                  const QPalette& pal) {
    const QRect room = Heading(p, area, QStringLiteral("Due in the next 30 days"), pal);
    const QFontMetrics fm = p.fontMetrics();
    const int labelW = fm.horizontalAdvance(QStringLiteral("00000")) + 6;
    const QRect plot = room.adjusted(labelW, fm.height() + 2, 0, -(fm.height() + 4));
    const int most = std::max(1, *std::max_element(s.forecast.begin(), s.forecast.end()));
    const double slot = double(plot.width()) / double(s.forecast.size());
    p.setPen(pal.color(QPalette::Mid));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.setPen(pal.color(QPalette::WindowText));
    p.drawText(QRect(room.left(), plot.top() - fm.height() / 2, labelW - 6, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, Number(most));
    p.drawText(QRect(room.left(), plot.bottom() - fm.height() / 2, labelW - 6, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("0"));
    for (std::size_t i = 0; i < s.forecast.size(); ++i) {
        const int x = plot.left() + int(slot * double(i));
        const int w = std::max(1, int(slot * 0.75));
        const int n = s.forecast[i];
        const int h = int(double(plot.height()) * n / most);
        if (n > 0) {
            p.fillRect(QRect(x, plot.bottom() - h + 1, w, h), pal.color(QPalette::Highlight));
            if (fm.horizontalAdvance(Number(n)) <= int(slot))
                p.drawText(QRect(x - 4, plot.bottom() - h - fm.height(), w + 8, fm.height()),
                           Qt::AlignHCenter | Qt::AlignBottom, Number(n));
        }
        if (i % 5 == 0)
            p.drawText(QRect(x - 20, plot.bottom() + 3, w + 40, fm.height()), Qt::AlignHCenter,
                       i == 0 ? QStringLiteral("today") : QStringLiteral("+%1").arg(i));
    }
}

void DrawCalendar(QPainter& p, const QRect& area, const srs::StudyStatistics& s,
                  const QPalette& pal) {
    const QRect room = Heading(p, area, QStringLiteral("Grades given per day, the last year"), pal);
    if (s.calendar.empty()) return;
    const QFontMetrics fm = p.fontMetrics();
    const int labelW = fm.horizontalAdvance(QStringLiteral("Wed")) + 8;
    const int lead = s.calendar.front().day.dayOfWeek() - 1; // Monday on the first row
    const int columns = (lead + int(s.calendar.size()) + 6) / 7;
    const int cell = std::max(
        3, std::min((room.width() - labelW) / columns, (room.height() - fm.height() - 4) / 7));
    const QPoint origin(room.left() + labelW, room.top() + fm.height() + 4);
    int most = 1;
    for (const srs::DayGrades& d : s.calendar) {
        int n = 0;
        for (int g : d.grades)
            n += g;
        most = std::max(most, n);
    }
    p.setPen(pal.color(QPalette::WindowText));
    const char* const weekdays[] = {"Mon", "Wed", "Fri"};
    for (int i = 0; i < 3; ++i)
        p.drawText(QRect(room.left(), origin.y() + cell * (2 * i), labelW - 4, cell),
                   Qt::AlignRight | Qt::AlignVCenter, QLatin1String(weekdays[i]));
    const QColor empty = Mix(pal.color(QPalette::Base), pal.color(QPalette::Mid), 0.35);
    const QColor full = pal.color(QPalette::Highlight);
    int lastMonthColumn = -4;
    for (std::size_t i = 0; i < s.calendar.size(); ++i) {
        const srs::DayGrades& d = s.calendar[i];
        const int slot = lead + int(i);
        const int column = slot / 7, row = slot % 7;
        int n = 0;
        for (int g : d.grades)
            n += g;
        const QRect r(origin.x() + column * cell, origin.y() + row * cell, cell - 1, cell - 1);
        p.fillRect(r, n == 0 ? empty : Mix(empty, full, 0.3 + 0.7 * double(n) / most));
        // A month's name above the column of its first day, where the last one left room.
        if ((d.day.day() == 1 || i == 0) && column - lastMonthColumn >= 3) {
            p.drawText(QPoint(origin.x() + column * cell, origin.y() - 4),
                       QLocale::c().monthName(d.day.month(), QLocale::ShortFormat));
            lastMonthColumn = column;
        }
    }
    // The key of the shades, below the grid's right end.
    const int top = origin.y() + 7 * cell + 6;
    if (top + cell > room.bottom()) return;
    const QString fewer = QStringLiteral("none"), more = QStringLiteral("%1 visits").arg(most);
    int x = origin.x() + columns * cell - fm.horizontalAdvance(more) - 5 * cell - 8;
    p.drawText(QRect(x - fm.horizontalAdvance(fewer) - 6, top, fm.horizontalAdvance(fewer), cell),
               Qt::AlignRight | Qt::AlignVCenter, fewer);
    for (int k = 0; k < 5; ++k, x += cell)
        p.fillRect(QRect(x, top, cell - 1, cell - 1),
                   k == 0 ? empty : Mix(empty, full, 0.3 + 0.7 * k / 4.0));
    p.drawText(QRect(x + 6, top, fm.horizontalAdvance(more) + 2, cell),
               Qt::AlignLeft | Qt::AlignVCenter, more);
}

void DrawRetention(QPainter& p, const QRect& area, const srs::StudyStatistics& s,
                   const QPalette& pal) {
    const QRect room = Heading(
        p, area, QStringLiteral("Retention by month (review grades other than Again)"), pal);
    const QFontMetrics fm = p.fontMetrics();
    const int labelW = fm.horizontalAdvance(QStringLiteral("100 %")) + 6;
    const QRect plot = room.adjusted(labelW, fm.height() + 2, 0, -(fm.height() + 4));
    p.setPen(pal.color(QPalette::Mid));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    p.setPen(QPen(pal.color(QPalette::Mid), 1, Qt::DotLine));
    p.drawLine(plot.topLeft(), plot.topRight());
    p.setPen(pal.color(QPalette::WindowText));
    p.drawText(QRect(room.left(), plot.top() - fm.height() / 2, labelW - 6, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("100 %"));
    p.drawText(QRect(room.left(), plot.bottom() - fm.height() / 2, labelW - 6, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("0 %"));
    const int months = int(s.retentionByMonth.size());
    if (months == 0) return;
    const double slot = double(plot.width()) / months;
    for (int i = 0; i < months; ++i) {
        const srs::MonthRetention& m = s.retentionByMonth[std::size_t(i)];
        const int x = plot.left() + int(slot * i);
        const int w = std::max(2, int(slot * 0.6));
        const double r = m.retention();
        QString label = QStringLiteral("\u2013");
        if (r >= 0) {
            const int h = int(plot.height() * r);
            p.fillRect(QRect(x, plot.bottom() - h + 1, w, h), pal.color(QPalette::Highlight));
            label = QString::number(int(r * 100 + 0.5)) + QStringLiteral(" %");
            p.drawText(QRect(x - 10, plot.bottom() - h - fm.height(), w + 20, fm.height()),
                       Qt::AlignHCenter | Qt::AlignBottom, label);
        } else {
            p.drawText(QRect(x - 10, plot.bottom() - fm.height(), w + 20, fm.height()),
                       Qt::AlignHCenter | Qt::AlignBottom, label);
        }
        p.drawText(QRect(x - 10, plot.bottom() + 3, w + 20, fm.height()), Qt::AlignHCenter,
                   QLocale::c().monthName(m.month, QLocale::ShortFormat));
    }
}

} // namespace

StatisticsChart::StatisticsChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Chart"));
    setMinimumSize(640, 480);
}

void StatisticsChart::setStatistics(const srs::StudyStatistics& statistics) {
    statistics_ = statistics;
    update();
}

void StatisticsChart::draw(QPainter& p, const QRect& area, const srs::StudyStatistics& s,
                           const QPalette& pal) {
    p.fillRect(area, pal.color(QPalette::Window));
    const QRect inner = area.adjusted(12, 10, -12, -10);
    const int h = inner.height();
    const int forecastH = h * 30 / 100, calendarH = h * 36 / 100;
    DrawForecast(p, QRect(inner.left(), inner.top(), inner.width(), forecastH - 10), s, pal);
    DrawCalendar(p, QRect(inner.left(), inner.top() + forecastH, inner.width(), calendarH - 10), s,
                 pal);
    DrawRetention(p,
                  QRect(inner.left(), inner.top() + forecastH + calendarH, inner.width(),
                        h - forecastH - calendarH),
                  s, pal);
}

void StatisticsChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    draw(p, rect(), statistics_, palette());
}

TFormStatistics::TFormStatistics(TreeAccess& library, ProgramServices& program,
                                 srs::StudyHistory& history, QWidget* parent)
    : QWidget(parent, Qt::Window), library_(library), program_(program), history_(history) {
    setObjectName(QStringLiteral("FormStatistics"));
    setWindowTitle(QStringLiteral("Statistics"));
    auto* v = new QVBoxLayout(this);
    LTitle = new QLabel(this);
    LTitle->setObjectName(QStringLiteral("LTitle"));
    LTitle->setTextFormat(Qt::PlainText);
    QFont big = LTitle->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.2);
    LTitle->setFont(big);
    v->addWidget(LTitle);
    LEmpty = new QLabel(QStringLiteral("No grades yet: the charts fill as answers are graded "
                                       "(keys 1 to 4 while an answer is shown in a session)."),
                        this);
    LEmpty->setObjectName(QStringLiteral("LEmpty"));
    LEmpty->setWordWrap(true);
    v->addWidget(LEmpty);
    Chart = new StatisticsChart(this);
    v->addWidget(Chart, 1);
    LFigures = new QLabel(this);
    LFigures->setObjectName(QStringLiteral("LFigures"));
    LFigures->setTextFormat(Qt::PlainText);
    LFigures->setTextInteractionFlags(Qt::TextSelectableByMouse);
    v->addWidget(LFigures);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BSavePng = new QPushButton(QStringLiteral("Save as PNG..."), this);
    BSavePng->setObjectName(QStringLiteral("BSavePng"));
    BClose = new QPushButton(QStringLiteral("Close"), this);
    BClose->setObjectName(QStringLiteral("BClose"));
    buttons->addWidget(BSavePng);
    buttons->addWidget(BClose);
    v->addLayout(buttons);
    connect(BSavePng, &QPushButton::clicked, this, &TFormStatistics::BSavePngClick);
    connect(BClose, &QPushButton::clicked, this, &QWidget::close);
    resize(960, 760);
}

void TFormStatistics::showFor(NodeId object) {
    LibraryTree& tree = library_.tree();
    if (object != NoNode && !tree.isValid(object)) object = NoNode;
    object_ = object;
    LTitle->setText(object == NoNode
                        ? QStringLiteral("Statistics of the whole library")
                        : QStringLiteral("Statistics of ") + BytesToDisplay(tree.text(object)));
    Result<srs::StudyStatistics> read =
        history_.statistics(object, QDateTime::currentSecsSinceEpoch());
    if (read) {
        statistics_ = std::move(read.value());
    } else {
        // The charts stay empty; why is said where the figures would be.
        statistics_ = srs::StudyStatistics();
        program_.prompts().message(this, QStringLiteral("Statistics"),
                                   QStringLiteral("Could not read the study history: ") +
                                       ErrorText(read),
                                   Prompts::Icon::Warning);
    }
    totals_ = srs::Totals(statistics_);
    Chart->setStatistics(statistics_);
    LEmpty->setVisible(totals_.visitsYear == 0);
    LFigures->setText(figuresText());
}

QString TFormStatistics::figuresText() const {
    const srs::StatisticsTotals& t = totals_;
    QString due = QStringLiteral("Due: %1 today or overdue, %2 in the next 30 days")
                      .arg(Number(t.dueToday), Number(t.due30));
    if (t.due30 > 0)
        due += QStringLiteral(" (the most on one day: %1)").arg(Number(t.busiestForecast));
    QString year = QStringLiteral("The last year: %1 %2 on %3 %4")
                       .arg(Number(t.visitsYear),
                            t.visitsYear == 1 ? QStringLiteral("visit") : QStringLiteral("visits"),
                            Number(t.daysStudied),
                            t.daysStudied == 1 ? QStringLiteral("day") : QStringLiteral("days"));
    if (t.visitsYear > 0)
        year += QStringLiteral(" (the most on one day: %1); Again %2, Hard %3, Good %4, Easy "
                               "%5, seen without a grade %6")
                    .arg(Number(t.busiestDay), Number(t.year[1]), Number(t.year[2]),
                         Number(t.year[3]), Number(t.year[4]), Number(t.year[0]));
    const QString retention =
        t.reviews == 0 ? QStringLiteral("Retention: no review grades in the last 12 months")
                       : QStringLiteral("Retention over the last 12 months: %1 of %2 review "
                                        "grades")
                             .arg(Percent(t.retention()), Number(t.reviews));
    return due + QLatin1Char('\n') + year + QLatin1Char('\n') + retention;
}

QImage TFormStatistics::render() const {
    const QSize size = Chart->size().isValid() && Chart->width() >= Chart->minimumWidth()
                           ? Chart->size()
                           : Chart->sizeHint();
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setFont(Chart->font());
    StatisticsChart::draw(p, QRect(QPoint(0, 0), size), statistics_, Chart->palette());
    return image;
}

Status TFormStatistics::writePng(const QString& path) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!render().save(&buffer, "PNG")) return Status::failure("the picture could not be made");
    return WriteFileAtomically(path, [&bytes](QIODevice& device) {
        return WriteAllBytes(device, bytes.constData(), bytes.size());
    });
}

bool TFormStatistics::BSavePngClick() {
    const QString folder =
        program_.libraryFolder().isEmpty() ? QDir::homePath() : program_.libraryFolder();
    const QString path =
        program_.prompts().saveFile(this, QStringLiteral("Save Statistics as PNG"),
                                    QDir(folder).filePath(QStringLiteral("Statistics.png")),
                                    QStringLiteral("PNG pictures (*.png)"), QStringLiteral("png"));
    if (path.isEmpty()) return false;
    if (const Status written = writePng(path); !written) {
        program_.prompts().message(this, QStringLiteral("Error"),
                                   QStringLiteral("Could not save the statistics as \"%1\": %2")
                                       .arg(QDir::toNativeSeparators(path), ErrorText(written)),
                                   Prompts::Icon::Error);
        return false;
    }
    return true;
}

} // namespace brenvik
