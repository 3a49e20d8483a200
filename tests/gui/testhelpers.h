#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace brenvik {

// The log's lines while it lives.
class LogCapture {
public:
    LogCapture() {
        lines_ = &lines;
        previous_ = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture() {
        qInstallMessageHandler(previous_);
        lines_ = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    int count(const QString& part) const { return int(lines.filter(part).size()); }
    QStringList lines;

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& text) {
        if (lines_) lines_->append(text);
    }
    static inline QStringList* lines_ = nullptr;
    QtMessageHandler previous_ = nullptr;
};

inline bool writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace brenvik
