#include "study/core/speechtext.h"

#include "library/textcodec.h"

namespace brenvik {

namespace {

bool IsLineSpacing(char32_t c) {
    return c == U'\t' || c == U'\n' || c == U'\r';
}

bool IsDirectiveName(const QString& name) {
    return name == QLatin1String("sound") || name == QLatin1String("voice");
}

// The text without its directive lines; the line breaks of the others stay as they were.
QString WithoutDirectiveLines(const QString& text) {
    if (!text.contains(QLatin1Char('['))) return text;
    QString out;
    out.reserve(text.size());
    qsizetype start = 0;
    bool first = true;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0) end = text.size();
        const QString line = text.mid(start, end - start);
        if (!ParseDirectiveLine(line)) {
            if (!first) out += QLatin1Char('\n');
            out += line;
            first = false;
        }
        start = end + 1;
    }
    return out;
}

} // namespace

std::optional<SpeechDirective> ParseDirectiveLine(const QString& line) {
    const QString t = line.trimmed();
    if (t.size() < 4 || !t.startsWith(QLatin1Char('[')) || !t.endsWith(QLatin1Char(']')))
        return std::nullopt;
    const qsizetype colon = t.indexOf(QLatin1Char(':'));
    if (colon < 0) return std::nullopt;
    const QString name = t.mid(1, colon - 1).trimmed().toLower();
    const QString value = t.mid(colon + 1, t.size() - colon - 2).trimmed();
    if (!IsDirectiveName(name) || value.isEmpty() || value.contains(QLatin1Char(']')))
        return std::nullopt;
    return SpeechDirective{name, value};
}

QString SpeakableText(const QString& raw) {
    const QString text = WithoutDirectiveLines(raw);
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
