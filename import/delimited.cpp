#include "import/delimited.h"

#include <algorithm>

namespace brenvik {

DelimitedReader::DelimitedReader(std::string_view text, std::string_view separator, bool quoting)
    : text_(text), sep_(separator), quoting_(quoting && separator.size() == 1) {
    if (sep_.empty()) sep_ = "\t";
}

bool DelimitedReader::next(std::vector<std::string>& fields, int& line) {
    fields.clear();
    const std::size_t n = text_.size();
    if (pos_ >= n) return false;
    line = line_;
    std::string field;
    bool fieldStarted = false; // at the start of a field, where a quote opens quoting
    auto endsRow = [&](std::size_t i) { return text_[i] == '\n' || text_[i] == '\r'; };
    auto skipLineEnd = [&](std::size_t& i) {
        if (text_[i] == '\r' && i + 1 < n && text_[i + 1] == '\n') ++i;
        ++i;
        ++line_;
    };
    const char sep0 = sep_[0];
    std::size_t i = pos_;
    while (i < n) {
        const char c = text_[i];
        if (quoting_ && !fieldStarted && c == '"') {
            // A quoted field: up to the closing quote, across separators and line breaks.
            ++i;
            for (;;) {
                const std::size_t q = text_.find('"', i);
                const std::size_t end = q == std::string_view::npos ? n : q;
                for (std::size_t k = i; k < end; ++k) {
                    if (text_[k] == '\n' ||
                        (text_[k] == '\r' && (k + 1 >= n || text_[k + 1] != '\n')))
                        ++line_;
                }
                field.append(text_.substr(i, end - i));
                if (q == std::string_view::npos) {
                    i = n;
                    break;
                }
                if (q + 1 < n && text_[q + 1] == '"') {
                    field += '"';
                    i = q + 2;
                    continue;
                }
                i = q + 1;
                break;
            }
            fieldStarted = true;
            continue;
        }
        if (endsRow(i)) {
            skipLineEnd(i);
            break;
        }
        if (c == sep0 && text_.compare(i, sep_.size(), sep_) == 0) {
            fields.push_back(std::move(field));
            field.clear();
            fieldStarted = false;
            i += sep_.size();
            continue;
        }
        // A run of ordinary characters in one append.
        std::size_t k = i + 1;
        while (k < n && text_[k] != sep0 && text_[k] != '\n' && text_[k] != '\r')
            ++k;
        field.append(text_.substr(i, k - i));
        fieldStarted = true;
        i = k;
    }
    fields.push_back(std::move(field));
    pos_ = i;
    return true;
}

std::string SeparatorFromName(std::string_view name) {
    std::string lower;
    for (char c : name)
        lower += c >= 'A' && c <= 'Z' ? char(c + 32) : c;
    if (lower == "tab" || lower == "\\t" || lower == "\t") return "\t";
    if (lower == "comma") return ",";
    if (lower == "semicolon") return ";";
    if (lower == "pipe") return "|";
    if (lower == "colon") return ":";
    if (lower == "space") return " ";
    if (name.size() == 1) return std::string(name);
    return {};
}

std::string SeparatorName(std::string_view separator) {
    if (separator == "\t") return "Tab";
    if (separator == ",") return "Comma";
    if (separator == ";") return "Semicolon";
    if (separator == "|") return "Pipe";
    if (separator == ":") return "Colon";
    if (separator == " ") return "Space";
    return "\"" + std::string(separator) + "\"";
}

std::string GuessSeparator(std::string_view text) {
    static constexpr const char* kCandidates[] = {"\t", "|", ";", ",", ":", " "};
    constexpr int SampleRows = 25;
    std::string best = "\t";
    int bestSplit = 0;
    std::vector<std::string> fields;
    for (const char* candidate : kCandidates) {
        DelimitedReader reader(text, candidate, true);
        int line = 0, rows = 0, split = 0, count = -1;
        bool same = true;
        while (rows < SampleRows && reader.next(fields, line)) {
            if (fields.size() == 1 && fields[0].empty()) continue; // an empty line
            ++rows;
            if (fields.size() >= 2) ++split;
            if (count < 0)
                count = int(fields.size());
            else if (count != int(fields.size()))
                same = false;
        }
        if (rows > 0 && same && count >= 2) return candidate;
        if (split > bestSplit) {
            bestSplit = split;
            best = candidate;
        }
    }
    return best;
}

} // namespace brenvik
