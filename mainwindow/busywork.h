#pragma once

#include "library/librarytree.h"

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
// Work that runs on a worker thread leaves the UI thread in its event loop: the dialog
// comes by a timer. Work on the UI thread calls step() now and then, which shows the dialog
// when it is due and lets it paint; work expected to be long from the start (a big branch)
// may call showNow().
class BusyWork {
public:
    // `text` is what the dialog says, e.g. "Opening NAME...".
    BusyWork(QWidget* window, const QString& text);
    ~BusyWork();
    BusyWork(const BusyWork&) = delete;
    BusyWork& operator=(const BusyWork&) = delete;

    void step();
    void showNow();
    bool dialogShown() const;

    // Half a second; tests shorten or lengthen it.
    static int dialogDelayMs();
    static void setDialogDelayMs(int ms);
    // The branch size from which UI-thread work is taken as long before it starts.
    static constexpr int LongBranchNodes = 20000;
    // At least LongBranchNodes nodes at and below `top`, counted no further than that.
    static bool bigBranch(const LibraryTree& tree, NodeId top);
    // Shows the dialog at once when `big`: work on the UI thread that cannot report its
    // progress would otherwise freeze before the dialog's timer could fire.
    void showNowIf(bool big) {
        if (big) showNow();
    }

private:
    BusyCursor cursor_;
    QPointer<QWidget> window_;
    QString text_;
    QElapsedTimer clock_;
    QTimer timer_;
    QPointer<QProgressDialog> dialog_;
};

} // namespace brenvik
