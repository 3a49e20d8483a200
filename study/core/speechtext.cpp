#include "study/core/speechtext.h"

#include "library/textcodec.h"

namespace brenvik {

namespace {

bool IsLineSpacing(char32_t c) {
    return c == U'\t' || c == U'\n' || c == U'\r';
}

} // namespace

QString SpeakableText(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            // Outside the basic plane (emoji, rare CJK): kept whole, never split.
            out += c;
            out += text[++i];
            continue;
        }
        // A lone surrogate has no UTF-8 form; controls mean nothing to a voice.
        if (c.isSurrogate()) continue;
        if (c.category() == QChar::Other_Control && !IsLineSpacing(c.unicode())) continue;
        out += c;
    }
    return out;
}

bool HasSpeakableText(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (c > U' ' && c < 127) return true;
        if (c >= 128 && QChar::isLetterOrNumber(c)) return true;
    }
    return false;
}

QString JoinSpokenLines(const QStringList& lines) {
    return lines.join(QLatin1Char('\n'));
}

QString SpokenLinesText(const std::vector<std::string>& lines) {
    QStringList list;
    for (const std::string& l : lines)
        list << BytesToDisplay(l);
    const QString text = SpeakableText(JoinSpokenLines(list));
    return HasSpeakableText(text) ? text : QString();
}

} // namespace brenvik
