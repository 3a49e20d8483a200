#include "library/savefile.h"

#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace brenvik {

Status WriteAllBytes(QIODevice& device, const char* data, qint64 size) {
    while (size > 0) {
        const qint64 written = device.write(data, size);
        if (written <= 0) {
            const QString e = device.errorString();
            return Status::failure(e.isEmpty() ? QStringLiteral("the data was not written") : e);
        }
        data += written;
        size -= written;
    }
    return Status::success();
}

Status WriteFileAtomically(const QString& path, const std::function<Status(QIODevice&)>& write) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return Status::failure(file.errorString());
    if (Status written = write(file); !written) {
        file.cancelWriting();
        return written;
    }
    // commit() writes the last buffered block while closing and does not look at how that
    // went: on a full disk it would rename a short file over the old one. So the block is
    // written here. A short write carries no reason; writing the rest fails with it (or,
    // when the disk had room after all, goes through).
    for (qint64 pending = file.bytesToWrite(); !file.flush();) {
        const qint64 left = file.bytesToWrite();
        if (left == 0 || left >= pending) {
            const QString reason = file.errorString();
            file.cancelWriting();
            return Status::failure(reason);
        }
        pending = left;
    }
    // Some file systems report a full disk or quota only when the data reaches the disk;
    // commit() syncs as well but ignores the outcome.
    if (::fsync(file.handle()) != 0 && errno != EINVAL && errno != EROFS) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return Status::failure(reason);
    }
    if (!file.commit()) return Status::failure(file.errorString());
    return Status::success();
}

} // namespace brenvik
