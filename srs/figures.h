#pragma once

// The figures the student reads about the study: the summary a session ends with, and the
// totals the Statistics window writes beside its charts.

#include "library/librarytree.h"
#include "srs/fsrs.h"
#include "srs/history.h"

#include <QString>
#include <array>
#include <unordered_set>

namespace brenvik::srs {

// What one session did: the visits that showed their question, the questions they showed,
// and the grades given (grades[0] unused; 1..4 Again..Easy).
class SessionSummary {
public:
    void addVisit(NodeId question);
    void addGrade(Grade grade);

    int visits() const { return visits_; }
    int questions() const { return int(questions_.size()); }
    int graded() const;
    int count(Grade grade) const { return grades_[std::size_t(grade)]; }
    bool empty() const { return visits_ == 0; }

private:
    int visits_ = 0;
    std::unordered_set<NodeId> questions_;
    std::array<int, 5> grades_{};
};

// One line for the main window after a session: "Last session: 3 questions visited (15
// visits), 5 graded: Again 1, Hard 0, Good 4, Easy 0".
QString SummaryText(const SessionSummary& summary);

struct StatisticsTotals {
    int dueToday = 0;          // forecast[0]: due today or overdue
    int due30 = 0;             // due within the 30 days of the forecast
    int busiestForecast = 0;   // the most due on one day of the forecast
    std::array<int, 5> year{}; // visits of the calendar's year by grade (0: seen)
    int visitsYear = 0;
    int daysStudied = 0;         // days of the calendar with a visit
    int busiestDay = 0;          // the most visits on one day of the calendar
    int reviews = 0, passed = 0; // review grades of the 12 months, and those not Again
    double retention() const { return reviews ? double(passed) / reviews : -1.0; }
    bool empty() const { return visitsYear == 0 && due30 == 0; }
};

StatisticsTotals Totals(const StudyStatistics& statistics);

} // namespace brenvik::srs
