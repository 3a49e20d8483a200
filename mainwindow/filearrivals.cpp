#include "mainwindow/filearrivals.h"

#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

namespace brenvik {

FileArrivals::FileArrivals(Hooks hooks, QObject* parent)
    : QObject(parent), hooks_(std::move(hooks)) {
    again_ = new QTimer(this);
    again_->setSingleShot(true);
    again_->setInterval(300);
    connect(again_, &QTimer::timeout, this, &FileArrivals::retry);
}

void FileArrivals::atStartup(const QStringList& files) {
    waiting_ += files;
}

void FileArrivals::handedOver(const QStringList& files) {
    if (hooks_.raise) hooks_.raise();
    waiting_ += files;
    retry();
}

void FileArrivals::retry() {
    if (waiting_.isEmpty()) return;
    if (hooks_.busy()) {
        again_->start();
        return;
    }
    openFirst(std::exchange(waiting_, {}));
}

QString FileArrivals::notOpenedText(const QStringList& files) {
    QStringList names;
    for (const QString& f : files)
        names << QFileInfo(f).fileName();
    return QStringLiteral("One library is open at a time. These files were not opened:\n") +
           names.join(QLatin1Char('\n'));
}

void FileArrivals::openFirst(QStringList files) {
    if (files.isEmpty() || !hooks_.mayReplace()) return;
    const QString first = files.takeFirst();
    hooks_.open(first);
    if (!files.isEmpty()) hooks_.inform(notOpenedText(files));
}

QStringList FileArrivals::libraryFiles(const QMimeData* data) {
    QStringList files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() &&
            url.toLocalFile().endsWith(QStringLiteral(".bv1"), Qt::CaseInsensitive))
            files << url.toLocalFile();
    return files;
}

bool FileArrivals::dropped(const QMimeData* data) {
    QStringList files = libraryFiles(data);
    if (files.isEmpty()) return false;
    // Boxes must not come up inside the drag's own event loop.
    QTimer::singleShot(0, this, [this, files] { openFirst(files); });
    return true;
}

} // namespace brenvik
