#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

class QMimeData;
class QTimer;

namespace brenvik {

// Library files that come from outside the File menu: named on the command line, handed over
// by a later start of the program, or dropped on the window. Only one library is open at a
// time: of the files that arrive together the first is opened and the others are named in a
// box. A handed-over file waits while the start-up, a session, an editor or a box is still
// up, and is opened when the window calls retry() after that has ended; a dropped one is
// opened at once, the editor guard and the unsaved-changes question first, as File > Open.
class FileArrivals : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<bool()> busy;       // true: a handed-over file must wait
        std::function<bool()> mayReplace; // the guards of File > Open; false: not opened
        std::function<void(const QString&)> open;
        std::function<void(const QString&)> inform; // the box naming the files not opened
        std::function<void()> raise;
    };
    explicit FileArrivals(Hooks hooks, QObject* parent = nullptr);

    // The command line's files: they wait for the start-up's end like handed-over ones.
    void atStartup(const QStringList& files);
    // A later start's files: the window comes forward, the files wait their turn.
    void handedOver(const QStringList& files);
    // Something that kept the files waiting has ended.
    void retry();
    bool waiting() const { return !waiting_.isEmpty(); }

    // The local library files (*.bv1) among dropped data; empty when there are none.
    static QStringList libraryFiles(const QMimeData* data);
    // A drop of `data` on the window: opens its first library file. False when it holds none.
    bool dropped(const QMimeData* data);

    // The box's text for the files left out.
    static QString notOpenedText(const QStringList& files);

private:
    void openFirst(QStringList files);

    Hooks hooks_;
    QStringList waiting_;
    QTimer* again_ = nullptr; // a box may end without a signal of ours: look again soon
};

} // namespace brenvik
