#pragma once

#include "library/progress.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTimer>

class QProgressDialog;
class QWidget;

namespace brenvik {

// The busy cursor alone, for work that shows its own progress window.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// Feedback while the window works on something long: the busy cursor at once and, once
// the work has run past dialogDelayMs(), a window-modal progress dialog saying what is being
// done. The cursor is restored and the dialog closed when the object goes, on every road out.
//
// The window is repainted as the work starts, so that a box closed just before leaves no
// trace on it while the UI thread is busy.
//
// Work that runs on a worker thread leaves the UI thread in its event loop: the dialog
// comes by a timer. Work on the UI thread reports through progress() (or step(), when it
// cannot count), which shows the dialog when it is due and lets it and the windows paint.
// That dialog is application-modal: while it lets events through, no input reaches a
// window whose tree is half changed.
class BusyWork {
public:
    // `text` is what the dialog says, e.g. "Opening NAME...".
    BusyWork(QWidget* window, const QString& text);
    ~BusyWork();
    BusyWork(const BusyWork&) = delete;
    BusyWork& operator=(const BusyWork&) = delete;

    void step();
    // What UI-thread work reports its steps to; valid while this object lives.
    Progress progress();
    void showNow();
    bool dialogShown() const;

    // Half a second; tests shorten or lengthen it.
    static int dialogDelayMs();
    static void setDialogDelayMs(int ms);
    // The library size from which a save on the UI thread is taken as long before it starts.
    static constexpr int LongBranchNodes = 20000;
    // Shows the dialog at once when `big`: work on the UI thread that cannot report its
    // progress would otherwise freeze before the dialog's timer could fire.
    void showNowIf(bool big) {
        if (big) showNow();
    }

private:
    void report(std::size_t done, std::size_t total);
    void show(Qt::WindowModality modality);

    BusyCursor cursor_;
    QPointer<QWidget> window_;
    QString text_;
    QElapsedTimer clock_;
    QElapsedTimer sinceShown_;
    QTimer timer_;
    QPointer<QProgressDialog> dialog_;
};

} // namespace brenvik
