#include "study/core/speechtext.h"

namespace brenvik {

QString SpeakableText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text)
        if (c.unicode() < 128) out += c;
    return out;
}

bool HasSpeakableText(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > ' ' && c.unicode() < 128) return true;
    return false;
}

QString JoinSpokenLines(const QStringList& lines) {
    return lines.join(QLatin1Char('\n'));
}

} // namespace brenvik
