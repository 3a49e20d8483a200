#include "library/textcodec.h"

#include <QStringDecoder>
#include <array>
#include <optional>
#include <utility>

namespace brenvik {

namespace {

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves undefined map to
// the C1 control of the same value, so every byte has a character and comes back.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t cp1252ToUnicode(unsigned char b) {
    return b >= 0x80 && b <= 0x9F ? kHigh[b - 0x80] : char16_t(b);
}

// The Windows-1252 byte of a character, or -1 when the code page has none.
int unicodeToCp1252(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return int(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[std::size_t(i)] == c) return 0x80 + i;
    return -1;
}

bool fitsCp1252(const QString& text) {
    for (QChar ch : text)
        if (unicodeToCp1252(ch.unicode()) < 0) return false;
    return true;
}

// The text of UTF-8 bytes, or nothing when they are not UTF-8: Qt's decoder refuses overlong
// forms, surrogates, code points past U+10FFFF and a sequence cut short. A leading byte-order
// mark is kept, since fromUtf8 would drop it and it would not come back.
std::optional<QString> decodeUtf8(std::string_view bytes) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (decoder.hasError()) return std::nullopt;
    return text;
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    return decodeUtf8(bytes).has_value();
}

QString BytesToDisplay(std::string_view bytes) {
    if (std::optional<QString> text = decodeUtf8(bytes)) return *std::move(text);
    QString out(qsizetype(bytes.size()), Qt::Uninitialized);
    QChar* d = out.data();
    for (std::size_t i = 0; i < bytes.size(); ++i)
        d[i] = QChar(cp1252ToUnicode(static_cast<unsigned char>(bytes[i])));
    return out;
}

std::string DisplayToBytes(const QString& text, std::string_view original) {
    if (!IsValidUtf8(original) && fitsCp1252(text)) {
        std::string out(std::size_t(text.size()), '\0');
        for (qsizetype i = 0; i < text.size(); ++i)
            out[std::size_t(i)] = char(unicodeToCp1252(text[i].unicode()));
        return out;
    }
    QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), std::size_t(utf8.size()));
}

} // namespace brenvik
