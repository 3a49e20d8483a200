#include "srs/figures.h"

#include <algorithm>

namespace brenvik::srs {

void SessionSummary::addVisit(NodeId question) {
    ++visits_;
    questions_.insert(question);
}

void SessionSummary::addGrade(Grade grade) {
    if (grade != Grade::Seen) ++grades_[std::size_t(grade)];
}

int SessionSummary::graded() const {
    return grades_[1] + grades_[2] + grades_[3] + grades_[4];
}

QString SummaryText(const SessionSummary& s) {
    QString text =
        QStringLiteral("Last session: %1 %2 visited")
            .arg(s.questions())
            .arg(s.questions() == 1 ? QStringLiteral("question") : QStringLiteral("questions"));
    if (s.visits() != s.questions()) text += QStringLiteral(" (%1 visits)").arg(s.visits());
    text += QStringLiteral(", %1 graded").arg(s.graded());
    if (s.graded() > 0)
        text += QStringLiteral(": Again %1, Hard %2, Good %3, Easy %4")
                    .arg(s.count(Grade::Again))
                    .arg(s.count(Grade::Hard))
                    .arg(s.count(Grade::Good))
                    .arg(s.count(Grade::Easy));
    return text;
}

StatisticsTotals Totals(const StudyStatistics& s) {
    StatisticsTotals t;
    t.dueToday = s.forecast[0];
    for (int n : s.forecast) {
        t.due30 += n;
        t.busiestForecast = std::max(t.busiestForecast, n);
    }
    for (const DayGrades& d : s.calendar) {
        int day = 0;
        for (std::size_t g = 0; g < d.grades.size(); ++g) {
            t.year[g] += d.grades[g];
            day += d.grades[g];
        }
        t.visitsYear += day;
        if (day > 0) ++t.daysStudied;
        t.busiestDay = std::max(t.busiestDay, day);
    }
    for (const MonthRetention& m : s.retentionByMonth) {
        t.reviews += m.reviews;
        t.passed += m.passed;
    }
    return t;
}

} // namespace brenvik::srs
