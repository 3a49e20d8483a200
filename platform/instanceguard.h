#pragma once

#include "library/result.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace brenvik {

// Lets one instance of the program run per program folder. The first instance holds an
// flock()ed lock file, which the kernel releases however the process ends, and listens on a
// local socket through which a later start asks it to bring its window forward, or hands it
// the files it was asked to open.
class InstanceGuard : public QObject {
    Q_OBJECT
public:
    explicit InstanceGuard(QObject* parent = nullptr);
    ~InstanceGuard() override;

    enum class Lock {
        Held, // this process now holds the folder's lock
        Busy, // another live process holds it
    };
    // Takes the folder's lock and listens for a later start. Fails when the lock could not
    // be checked, or a later start could not reach this one; the program runs all the same
    // then, unguarded (holdsLock() tells whether the lock was taken).
    Result<Lock> tryAcquire(const QString& folder);
    bool holdsLock() const { return fd_ >= 0; }
    // Asks the instance holding `folder` (the one last passed to tryAcquire when empty) to
    // raise its window. Waits at most `timeoutMs`; false when no instance answered.
    bool notifyFirstInstance(const QString& folder = {}, int timeoutMs = 2000);
    // Hands `files` (absolute paths) to the instance holding `folder`, which raises its
    // window and opens them. Same wait and result as notifyFirstInstance.
    bool handOver(const QString& folder, const QStringList& files, int timeoutMs = 2000);
    void release();

    // The names derived from a folder; different folders give different names.
    static QString keyFor(const QString& folder);
    static QString lockFilePath(const QString& folder);
    static QString serverName(const QString& folder);

Q_SIGNALS:
    void raiseRequested();
    // A later start was given these files; raiseRequested comes first.
    void filesHandedOver(const QStringList& files);

private:
    void onNewConnection();
    void readRequests(QLocalSocket* socket, bool all);
    bool send(const QString& folder, const QByteArray& message, int timeoutMs);

    int fd_ = -1;
    QString folder_;
    QLocalServer* server_ = nullptr;
    QHash<QLocalSocket*, QByteArray> pending_; // what each later start has sent so far
};

} // namespace brenvik
