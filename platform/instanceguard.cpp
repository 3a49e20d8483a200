#include "platform/instanceguard.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QUrl>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace brenvik {

namespace {

// One request a line: "raise", or "open " and a file's URL (percent-encoded, so any name
// fits on one line).
const QByteArray RaiseLine = QByteArrayLiteral("raise");
const QByteArray OpenPrefix = QByteArrayLiteral("open ");

QString normalisedFolder(const QString& folder) {
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    return QDir::cleanPath(canonical.isEmpty() ? info.absoluteFilePath() : canonical);
}

QString lockDirectory() {
    // The runtime folder is per user and cleared at log-out; /tmp serves where there is none.
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(QString::fromLocal8Bit(runtime)).isDir())
        return QString::fromLocal8Bit(runtime);
    return QDir::tempPath();
}

} // namespace

InstanceGuard::InstanceGuard(QObject* parent) : QObject(parent) {}

InstanceGuard::~InstanceGuard() {
    release();
}

QString InstanceGuard::keyFor(const QString& folder) {
    const QByteArray hash =
        QCryptographicHash::hash(normalisedFolder(folder).toUtf8(), QCryptographicHash::Sha1);
    return QString::fromLatin1(hash.toHex().left(16));
}

QString InstanceGuard::lockFilePath(const QString& folder) {
    return lockDirectory() + QStringLiteral("/brenvik-") + keyFor(folder) + QStringLiteral(".lock");
}

QString InstanceGuard::serverName(const QString& folder) {
    return QStringLiteral("brenvik-") + keyFor(folder) + QLatin1Char('-') +
           QString::number(getuid());
}

Result<InstanceGuard::Lock> InstanceGuard::tryAcquire(const QString& folder) {
    release();
    folder_ = folder;
    const QByteArray path = QFile::encodeName(lockFilePath(folder));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return Result<Lock>::failure(
            QStringLiteral("Cannot open the instance lock \"%1\": %2")
                .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(errno)))
                .toStdString());
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        if (err == EWOULDBLOCK) return Lock::Busy;
        return Result<Lock>::failure(
            QStringLiteral("Cannot lock \"%1\": %2")
                .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(err)))
                .toStdString());
    }
    fd_ = fd;
    const QByteArray pid = QByteArray::number(qint64(getpid())) + '\n';
    if (::ftruncate(fd_, 0) == 0 && ::write(fd_, pid.constData(), size_t(pid.size())) < 0) {
        // The pid is only informative.
    }

    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    const QString name = serverName(folder);
    // A socket left by a killed holder is stale: we hold the lock, so nobody else owns it.
    QLocalServer::removeServer(name);
    if (!server_->listen(name)) {
        const QString error =
            QStringLiteral("Cannot listen for a second start: %1").arg(server_->errorString());
        delete server_;
        server_ = nullptr;
        return Result<Lock>::failure(error.toStdString());
    }
    connect(server_, &QLocalServer::newConnection, this, &InstanceGuard::onNewConnection);
    return Lock::Held;
}

void InstanceGuard::onNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this,
                [this, socket] { readRequests(socket, false); });
        // A request is complete when the later start has closed its side.
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            if (!server_) return; // being released: nobody to tell
            readRequests(socket, true);
            socket->deleteLater();
        });
    }
}

void InstanceGuard::readRequests(QLocalSocket* socket, bool all) {
    pending_[socket] += socket->readAll();
    if (!all) return;
    const QByteArray text = pending_.take(socket);
    bool raise = false;
    QStringList files;
    for (const QByteArray& line : text.split('\n')) {
        if (line == RaiseLine) raise = true;
        if (line.startsWith(OpenPrefix)) {
            const QUrl url = QUrl::fromEncoded(line.mid(OpenPrefix.size()));
            if (url.isLocalFile()) files << url.toLocalFile();
        }
    }
    if (raise || !files.isEmpty()) Q_EMIT raiseRequested();
    if (!files.isEmpty()) Q_EMIT filesHandedOver(files);
}

bool InstanceGuard::send(const QString& folder, const QByteArray& message, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(serverName(folder.isEmpty() ? folder_ : folder));
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(message);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(timeoutMs)) return false;
    // No wait for the other side to close: it may be this very thread's event loop. The
    // other side reads the request once this side has gone.
    socket.disconnectFromServer();
    return true;
}

bool InstanceGuard::notifyFirstInstance(const QString& folder, int timeoutMs) {
    return send(folder, RaiseLine + '\n', timeoutMs);
}

bool InstanceGuard::handOver(const QString& folder, const QStringList& files, int timeoutMs) {
    QByteArray message = RaiseLine + '\n';
    for (const QString& f : files)
        message += OpenPrefix + QUrl::fromLocalFile(f).toEncoded() + '\n';
    return send(folder, message, timeoutMs);
}

void InstanceGuard::release() {
    if (QLocalServer* server = std::exchange(server_, nullptr)) {
        server->close();
        delete server;
    }
    pending_.clear();
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace brenvik
