#include "import/htmltext.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <string_view>

namespace brenvik {

namespace {

// Every named character reference of HTML, sorted by name; a few stand for two code points.
struct Entity {
    std::string_view name;
    std::string_view utf8;
};
constexpr Entity kEntities[] = {
#include "import/htmlentities.inc"
};
static_assert(std::is_sorted(std::begin(kEntities), std::end(kEntities),
                             [](const Entity& a, const Entity& b) { return a.name < b.name; }));
constexpr std::size_t kLongestEntityName = 32;

const Entity* findEntity(std::string_view name) {
    const auto it =
        std::lower_bound(std::begin(kEntities), std::end(kEntities), name,
                         [](const Entity& e, std::string_view n) { return e.name < n; });
    return it != std::end(kEntities) && it->name == name ? it : nullptr;
}

// Windows-1252 at 0x80..0x9F; a numeric reference there means these characters.
constexpr std::array<char32_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
}

// Decodes the reference at text[i] ('&'); returns the characters consumed (0: not one).
std::size_t decodeReference(std::string_view text, std::size_t i, std::string& out) {
    const std::size_t n = text.size();
    std::size_t j = i + 1;
    if (j < n && text[j] == '#') {
        ++j;
        const bool hex = j < n && (text[j] == 'x' || text[j] == 'X');
        if (hex) ++j;
        const std::size_t start = j;
        char32_t cp = 0;
        bool overflow = false;
        while (j < n && j - start < 8) {
            const char c = text[j];
            int digit;
            if (isDigit(c))
                digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f')
                digit = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F')
                digit = c - 'A' + 10;
            else
                break;
            cp = cp * (hex ? 16 : 10) + char32_t(digit);
            if (cp > 0x10FFFF) overflow = true;
            ++j;
        }
        if (j == start || j >= n || text[j] != ';') return 0;
        if (cp >= 0x80 && cp <= 0x9F) cp = kCp1252High[cp - 0x80];
        if (overflow || cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
        AppendUtf8(out, cp);
        return j + 1 - i;
    }
    const std::size_t start = j;
    while (j < n && j - start < kLongestEntityName && (isAsciiAlpha(text[j]) || isDigit(text[j])))
        ++j;
    if (j == start || j >= n || text[j] != ';') return 0;
    const Entity* entity = findEntity(text.substr(start, j - start));
    if (!entity) return 0;
    out += entity->utf8;
    return j + 1 - i;
}

// Collects lines: breaks, blanks collapsed, trimmed.
class LineBuilder {
public:
    explicit LineBuilder(bool collapse) : collapse_(collapse) {}
    void text(std::string_view s) {
        for (char c : s)
            ch(c);
    }
    void ch(char c) {
        // A TAB or another control character shows as nothing a session would count as
        // text: a blank, so a field of them is empty and trimming takes them off the ends.
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
        if (collapse_ && isSpace(c)) {
            pendingBlank_ = !line_.empty();
            return;
        }
        if (pendingBlank_) {
            line_ += ' ';
            pendingBlank_ = false;
        }
        line_ += c;
    }
    void blank() { // a white-space character that no collapsing may lose
        if (!line_.empty()) pendingBlank_ = true;
    }
    void hardBreak() {
        lines_.push_back(trimmed(line_));
        line_.clear();
        pendingBlank_ = false;
    }
    void softBreak() { // a block's edge: a new line unless one has just begun
        if (!trimmed(line_).empty()) hardBreak();
        line_.clear();
        pendingBlank_ = false;
    }
    std::vector<std::string> finish() {
        hardBreak();
        std::vector<std::string> out;
        out.reserve(lines_.size());
        for (std::string& l : lines_) {
            if (l.empty() && (out.empty() || out.back().empty())) continue;
            out.push_back(std::move(l));
        }
        while (!out.empty() && out.back().empty())
            out.pop_back();
        return out;
    }

private:
    static std::string trimmed(const std::string& s) {
        std::size_t a = 0, b = s.size();
        while (a < b && isSpace(s[a]))
            ++a;
        while (b > a && isSpace(s[b - 1]))
            --b;
        return s.substr(a, b - a);
    }
    bool collapse_;
    bool pendingBlank_ = false;
    std::string line_;
    std::vector<std::string> lines_;
};

bool isBlockTag(std::string_view name) {
    static constexpr const char* kBlocks[] = {
        "address", "article",    "aside",   "blockquote", "center", "dd",    "details", "dl", "dt",
        "div",     "figcaption", "figure",  "footer",     "form",   "h1",    "h2",      "h3", "h4",
        "h5",      "h6",         "header",  "hr",         "li",     "main",  "nav",     "ol", "p",
        "pre",     "section",    "summary", "table",      "tbody",  "thead", "tfoot",   "tr", "ul"};
    for (const char* b : kBlocks)
        if (name == b) return true;
    return false;
}

// Splits a plain field into lines at CR LF, LF or CR.
void plainInto(std::string_view text, LineBuilder& lines) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.hardBreak();
        } else {
            lines.ch(c);
        }
    }
}

void htmlInto(std::string_view html, LineBuilder& lines) {
    const std::size_t n = html.size();
    std::size_t i = 0;
    std::string decoded;
    while (i < n) {
        const char c = html[i];
        if (c == '&') {
            decoded.clear();
            if (std::size_t used = decodeReference(html, i, decoded)) {
                // A decoded non-breaking space is a blank that collapsing keeps.
                if (decoded == "\xC2\xA0")
                    lines.blank();
                else
                    lines.text(decoded);
                i += used;
                continue;
            }
            lines.ch(c);
            ++i;
            continue;
        }
        if (c != '<') {
            lines.ch(c);
            ++i;
            continue;
        }
        if (html.substr(i, 4) == "<!--") {
            const std::size_t end = html.find("-->", i + 4);
            i = end == std::string_view::npos ? n : end + 3;
            continue;
        }
        std::size_t j = i + 1;
        const bool closing = j < n && html[j] == '/';
        if (closing) ++j;
        if (j >= n || !(isAsciiAlpha(html[j]) || html[j] == '!' || html[j] == '?')) {
            lines.ch(c); // a lone "<", as in "a < b"
            ++i;
            continue;
        }
        std::string name;
        while (j < n && (isAsciiAlpha(html[j]) || isDigit(html[j])))
            name += lower(html[j++]);
        // The tag ends at the first ">" outside a quoted attribute value.
        char quote = 0;
        while (j < n && (quote || html[j] != '>')) {
            if (quote && html[j] == quote)
                quote = 0;
            else if (!quote && (html[j] == '"' || html[j] == '\''))
                quote = html[j];
            ++j;
        }
        i = j < n ? j + 1 : n;
        if (!closing && (name == "script" || name == "style")) {
            // Their content is no text; skip to the closing tag.
            std::string close = "</" + name;
            std::size_t k = i;
            for (; k + close.size() <= n; ++k) {
                bool match = true;
                for (std::size_t m = 0; m < close.size() && match; ++m)
                    match = lower(html[k + m]) == close[m];
                if (match) break;
            }
            const std::size_t end = html.find('>', k);
            i = end == std::string_view::npos ? n : end + 1;
            continue;
        }
        if (name == "br") {
            lines.hardBreak();
        } else if (isBlockTag(name)) {
            lines.softBreak();
        } else if (name == "td" || name == "th") {
            if (!closing) lines.blank();
        }
    }
}

} // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

std::string DecodeEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '&') {
            if (std::size_t used = decodeReference(text, i, out)) {
                i += used;
                continue;
            }
        }
        out += text[i++];
    }
    return out;
}

std::vector<std::string> FieldLines(std::string_view field, FieldMarkup markup) {
    switch (markup) {
    case FieldMarkup::Html: {
        LineBuilder lines(true);
        htmlInto(field, lines);
        return lines.finish();
    }
    case FieldMarkup::Entities: {
        LineBuilder lines(false);
        plainInto(DecodeEntities(field), lines);
        return lines.finish();
    }
    case FieldMarkup::Plain:
        break;
    }
    LineBuilder lines(false);
    plainInto(field, lines);
    return lines.finish();
}

bool LooksLikeHtml(std::string_view field, bool tagsOnly) {
    static constexpr const char* kTags[] = {"br",  "div",  "p",     "b",  "i",  "u",      "span",
                                            "img", "font", "ul",    "ol", "li", "strong", "em",
                                            "sub", "sup",  "table", "a",  "hr"};
    const std::size_t n = field.size();
    for (std::size_t i = field.find_first_of("<&"); i != std::string_view::npos && i < n;
         i = field.find_first_of("<&", i + 1)) {
        if (field[i] == '&') {
            if (tagsOnly) continue;
            std::string scratch;
            if (decodeReference(field, i, scratch)) return true;
            continue;
        }
        std::size_t j = i + 1;
        if (j < n && field[j] == '/') {
            if (j + 1 < n && isAsciiAlpha(field[j + 1])) return true;
            continue;
        }
        std::string name;
        while (j < n && (isAsciiAlpha(field[j]) || isDigit(field[j])) && name.size() < 8)
            name += lower(field[j++]);
        if (j >= n || !(field[j] == '>' || field[j] == ' ' || field[j] == '/')) continue;
        for (const char* t : kTags)
            if (name == t) return true;
    }
    return false;
}

std::string ShortName(std::string_view line, int limit) {
    // Count characters, not bytes: a continuation byte starts no character.
    std::vector<std::size_t> starts;
    for (std::size_t i = 0; i < line.size(); ++i)
        if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) starts.push_back(i);
    if (int(starts.size()) <= limit) return std::string(line);
    // Room for the ellipsis: the kept text has at most limit - 1 characters.
    const std::size_t keep = starts[std::size_t(limit - 1)];
    std::size_t cut = keep;
    if (line[keep] != ' ') {
        const std::size_t blank = line.rfind(' ', keep);
        if (blank != std::string_view::npos && blank > 0) cut = blank;
    }
    std::string_view kept = line.substr(0, cut);
    while (!kept.empty() && (kept.back() == ' ' || kept.back() == ',' || kept.back() == ';'))
        kept.remove_suffix(1);
    return std::string(kept) + "\xE2\x80\xA6";
}

} // namespace brenvik
