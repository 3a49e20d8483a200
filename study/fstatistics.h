#pragma once

#include "library/librarytree.h"
#include "library/result.h"
#include "srs/figures.h"
#include "srs/history.h"

#include <QImage>
#include <QWidget>

class QLabel;
class QPushButton;

namespace brenvik {

class ProgramServices;
class TreeAccess;

// The three charts of the Statistics window, drawn with QPainter in the palette's colours
// from the figures alone, so the window and its PNG draw alike: the 30-day forecast of due
// questions (bars), the grades given per day over the year (a grid of weeks by weekdays,
// months named above it), and the retention of the review grades by month (bars with their
// percentages).
class StatisticsChart : public QWidget {
    Q_OBJECT
public:
    explicit StatisticsChart(QWidget* parent = nullptr);
    void setStatistics(const srs::StudyStatistics& statistics);
    QSize sizeHint() const override { return {900, 600}; }
    static void draw(QPainter& painter, const QRect& area, const srs::StudyStatistics& statistics,
                     const QPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    srs::StudyStatistics statistics_;
};

// Statistics: for an object (the selection's when opened), its charts and their figures as
// text, read from the study history when the window is shown for it and after each session.
// "Save as PNG..." writes the charts through the program's file dialog, atomically.
class TFormStatistics : public QWidget {
    Q_OBJECT
public:
    TFormStatistics(TreeAccess& library, ProgramServices& program, srs::StudyHistory& history,
                    QWidget* parent = nullptr);

    // Reads the figures of `object` (NoNode or a node no longer there: the whole library).
    void showFor(NodeId object);
    void refresh() { showFor(object_); }
    // "Save as PNG...": asks for a file and writes the charts; false when cancelled or failed
    // (the failure is shown).
    bool BSavePngClick();
    Status writePng(const QString& path) const;
    QImage render() const; // the charts as drawn in the window

    // What the window shows, for the tests.
    NodeId object() const { return object_; }
    const srs::StudyStatistics& statistics() const { return statistics_; }
    const srs::StatisticsTotals& totals() const { return totals_; }

    QLabel* LTitle = nullptr;
    QLabel* LFigures = nullptr;
    QLabel* LEmpty = nullptr; // "No grades yet..." when there is nothing to draw
    StatisticsChart* Chart = nullptr;
    QPushButton* BSavePng = nullptr;
    QPushButton* BClose = nullptr;

private:
    QString figuresText() const;

    TreeAccess& library_;
    ProgramServices& program_;
    srs::StudyHistory& history_;
    NodeId object_ = NoNode;
    srs::StudyStatistics statistics_;
    srs::StatisticsTotals totals_;
};

} // namespace brenvik
