#include "import/textformats.h"

#include "import/delimited.h"
#include "import/htmltext.h"
#include "library/textcodec.h"

#include <QStringDecoder>
#include <algorithm>
#include <optional>

namespace brenvik {

namespace {

std::string lowerAscii(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return out;
}

std::string_view trimView(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool emptyRow(const std::vector<std::string>& fields) {
    return std::all_of(fields.begin(), fields.end(),
                       [](const std::string& f) { return trimView(f).empty(); });
}

std::vector<std::string> splitWords(std::string_view s) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
            ++i;
        std::size_t j = i;
        while (j < s.size() && s[j] != ' ' && s[j] != '\t')
            ++j;
        if (j > i) words.emplace_back(s.substr(i, j - i));
        i = j;
    }
    return words;
}

// The header keys of Anki's plain-text notes, as "#key:value" lines at the top.
constexpr const char* kHeaderKeys[] = {
    "separator",   "html",        "columns", "deck",     "deck column", "notetype column",
    "tags column", "guid column", "tags",    "notetype", "if matches"};

// The key of a header line ("#deck column:3" gives "deck column"), or nothing.
std::optional<std::string> headerKey(std::string_view line) {
    if (line.empty() || line[0] != '#') return std::nullopt;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const std::string key = lowerAscii(trimView(line.substr(1, colon - 1)));
    for (const char* k : kHeaderKeys)
        if (key == k) return key;
    return std::nullopt;
}

// The next line of `text` from `pos` (without its line end); moves `pos` past it.
std::string_view takeLine(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
        pos = text.size();
        return text.substr(start);
    }
    pos = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    return text.substr(start, end - start);
}

bool startsWithHeader(std::string_view text) {
    std::size_t pos = 0;
    return headerKey(takeLine(text, pos)).has_value();
}

// Names a CSV's first row uses for its columns; a first row whose first two fields are
// among them is taken for column names.
bool looksLikeColumnNames(const std::vector<std::string>& row) {
    static constexpr const char* kNames[] = {
        "front",  "back",       "question", "answer",  "term",        "definition", "notes",
        "note",   "tags",       "deck",     "extra",   "word",        "meaning",    "translation",
        "hint",   "example",    "text",     "reading", "explanation", "comments",   "source",
        "target", "vocabulary", "prompt",   "response"};
    if (row.size() < 2) return false;
    auto known = [](const std::string& field) {
        const std::string l = lowerAscii(trimView(field));
        return std::any_of(std::begin(kNames), std::end(kNames),
                           [&](const char* n) { return l == n; });
    };
    return known(row[0]) && known(row[1]);
}

// Which columns are not fields but the note's deck, tags, note type or id (0-based; -1 none).
struct SpecialColumns {
    int deck = -1, tags = -1, notetype = -1, guid = -1;
    bool special(int i) const { return i == deck || i == tags || i == notetype || i == guid; }
};

// Columns named "Tags" or "Deck" serve as such when no header line says otherwise.
void columnsByName(const std::vector<std::string>& names, SpecialColumns& columns) {
    for (int i = 0; i < int(names.size()); ++i) {
        const std::string l = lowerAscii(trimView(names[std::size_t(i)]));
        if (l == "tags" && columns.tags < 0 && !columns.special(i)) columns.tags = i;
        if (l == "deck" && columns.deck < 0 && !columns.special(i)) columns.deck = i;
    }
}

ImportNote noteFromRow(std::vector<std::string>& row, const SpecialColumns& columns, int line) {
    ImportNote note;
    note.line = line;
    note.fields.reserve(row.size());
    for (int i = 0; i < int(row.size()); ++i) {
        std::string& value = row[std::size_t(i)];
        if (i == columns.deck)
            note.deck = std::string(trimView(value));
        else if (i == columns.tags)
            note.tags = splitWords(value);
        else if (i == columns.guid)
            note.guid = std::move(value);
        else if (i == columns.notetype)
            note.notetype = std::move(value);
        else
            note.fields.push_back(std::move(value));
    }
    return note;
}

std::vector<std::string> fieldNamesOf(const std::vector<std::string>& names,
                                      const SpecialColumns& columns) {
    std::vector<std::string> out;
    for (int i = 0; i < int(names.size()); ++i)
        if (!columns.special(i)) out.emplace_back(trimView(names[std::size_t(i)]));
    return out;
}

FieldMarkup detectMarkup(const NoteList& list, bool tagsOnly) {
    for (const ImportNote& note : list.notes)
        for (const std::string& f : note.fields)
            if (LooksLikeHtml(f, tagsOnly)) return FieldMarkup::Html;
    return FieldMarkup::Plain;
}

void applyMarkup(NoteList& list, Choice html, std::optional<bool> header) {
    if (html == Choice::Yes)
        list.markup = FieldMarkup::Html;
    else if (html == Choice::No)
        list.markup = FieldMarkup::Plain;
    else if (header)
        list.markup = *header ? FieldMarkup::Html : FieldMarkup::Plain;
    else
        list.markup = detectMarkup(list, false);
}

Result<std::string> chooseSeparator(const std::string& given, std::string_view body) {
    if (given.empty()) return GuessSeparator(body);
    const std::string sep = SeparatorFromName(given);
    if (sep.empty() || sep == "\"" || sep == "\n" || sep == "\r")
        return Result<std::string>::failure("the separator \"" + given +
                                            "\" is not one character or a separator's name "
                                            "(tab, comma, semicolon, pipe, colon, space)");
    return sep;
}

void readRows(std::string_view body, int firstLine, const std::string& sep, bool quoting,
              const SpecialColumns& columns, NoteList& list) {
    DelimitedReader reader(body, sep, quoting);
    std::vector<std::string> row;
    int line = 0;
    while (reader.next(row, line)) {
        if (emptyRow(row)) continue;
        list.notes.push_back(noteFromRow(row, columns, line + firstLine - 1));
    }
}

Result<NoteList> readAnki(std::string_view text, const TextReadOptions& options) {
    NoteList list;
    list.format = "Anki text";
    std::size_t pos = 0;
    int line = 1;
    std::vector<std::pair<std::string, std::string>> header;
    while (pos < text.size()) {
        std::size_t next = pos;
        const std::string_view l = takeLine(text, next);
        if (l.empty() || l[0] != '#') break;
        const std::size_t colon = l.find(':');
        if (colon != std::string_view::npos)
            header.emplace_back(lowerAscii(trimView(l.substr(1, colon - 1))),
                                std::string(trimView(l.substr(colon + 1))));
        pos = next;
        ++line;
    }
    const std::string_view body = text.substr(pos);
    auto value = [&](const char* key) -> const std::string* {
        for (const auto& [k, v] : header)
            if (k == key) return &v;
        return nullptr;
    };
    std::string sepGiven = options.separator;
    if (sepGiven.empty())
        if (const std::string* s = value("separator")) sepGiven = *s;
    Result<std::string> sep = chooseSeparator(sepGiven, body);
    if (!sep) return Result<NoteList>::failure(sep.error());
    list.separator = SeparatorName(sep.value());

    SpecialColumns columns;
    auto column = [&](const char* key) {
        const std::string* v = value(key);
        if (!v) return -1;
        bool ok = !v->empty() && v->size() < 6 &&
                  std::all_of(v->begin(), v->end(), [](char c) { return c >= '0' && c <= '9'; });
        return ok && std::stoi(*v) >= 1 ? std::stoi(*v) - 1 : -1;
    };
    columns.deck = column("deck column");
    columns.tags = column("tags column");
    columns.notetype = column("notetype column");
    columns.guid = column("guid column");
    std::vector<std::string> names;
    if (const std::string* c = value("columns")) {
        DelimitedReader reader(*c, sep.value(), ReadsQuotes(list.format, options.quoting));
        int unused = 0;
        reader.next(names, unused);
        columnsByName(names, columns);
    }
    list.fieldNames = fieldNamesOf(names, columns);
    if (const std::string* d = value("deck")) list.deck = *d;
    std::vector<std::string> fileTags;
    if (const std::string* t = value("tags")) fileTags = splitWords(*t);

    readRows(body, line, sep.value(), ReadsQuotes(list.format, options.quoting), columns, list);
    if (!fileTags.empty())
        for (ImportNote& note : list.notes)
            note.tags.insert(note.tags.begin(), fileTags.begin(), fileTags.end());

    std::optional<bool> htmlHeader;
    if (const std::string* h = value("html")) htmlHeader = lowerAscii(*h) == "true";
    applyMarkup(list, options.html, htmlHeader);
    return list;
}

Result<NoteList> readCsv(std::string_view text, const TextReadOptions& options) {
    NoteList list;
    list.format = "CSV";
    Result<std::string> sep = chooseSeparator(options.separator, text);
    if (!sep) return Result<NoteList>::failure(sep.error());
    list.separator = SeparatorName(sep.value());
    DelimitedReader reader(text, sep.value(), ReadsQuotes(list.format, options.quoting));
    std::vector<std::string> row;
    int line = 0;
    SpecialColumns columns;
    bool first = true;
    while (reader.next(row, line)) {
        if (emptyRow(row)) continue;
        if (first) {
            first = false;
            const bool names = options.headerRow == Choice::Yes ||
                               (options.headerRow == Choice::Auto && looksLikeColumnNames(row));
            if (names) {
                columnsByName(row, columns);
                list.fieldNames = fieldNamesOf(row, columns);
                continue;
            }
        }
        list.notes.push_back(noteFromRow(row, columns, line));
    }
    applyMarkup(list, options.html, std::nullopt);
    return list;
}

// Quizlet rows read with quotes: the term is the first field, the definition the rest
// of the row (a separator after it is part of the definition, as without quotes). Rows
// end at line breaks outside quotes; a custom row separator splits the text first, and
// quotes then apply within each row. Quotes need a term separator of one character; a
// longer one (" - ") is read as without quotes.
void readQuizletQuoted(std::string_view text, const std::string& term, const std::string& rows,
                       NoteList& list) {
    auto addRows = [&](std::string_view part, int firstLine) {
        DelimitedReader reader(part, term, true);
        std::vector<std::string> row;
        int line = 0;
        while (reader.next(row, line)) {
            if (emptyRow(row)) continue;
            ImportNote note;
            note.line = line + firstLine - 1;
            note.fields.push_back(std::move(row[0]));
            if (row.size() > 1) {
                std::string definition = std::move(row[1]);
                for (std::size_t i = 2; i < row.size(); ++i)
                    definition += term + row[i];
                note.fields.push_back(std::move(definition));
            }
            list.notes.push_back(std::move(note));
        }
    };
    if (rows.empty()) {
        addRows(text, 1);
        return;
    }
    std::size_t pos = 0;
    int line = 1;
    while (pos <= text.size()) {
        const std::size_t end = text.find(rows, pos);
        const std::string_view part =
            text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
        // Line breaks inside a row are the row's own, not row ends.
        std::string joined(part);
        for (char& c : joined)
            if (c == '\n' || c == '\r') c = ' ';
        addRows(joined, line);
        for (char c : part)
            if (c == '\n') ++line;
        if (end == std::string_view::npos) break;
        pos = end + rows.size();
    }
}

Result<NoteList> readQuizlet(std::string_view text, const TextReadOptions& options) {
    NoteList list;
    list.format = "Quizlet";
    std::string term = options.separator;
    if (lowerAscii(term) == "tab") term = "\t";
    if (lowerAscii(term) == "comma") term = ",";
    if (term.empty()) term = text.find('\t') != std::string_view::npos ? "\t" : ",";
    std::string rows = options.rowSeparator;
    if (lowerAscii(rows) == "semicolon") rows = ";";
    if (lowerAscii(rows) == "new line" || lowerAscii(rows) == "newline") rows.clear();
    list.separator = SeparatorName(term);
    list.fieldNames = {"Term", "Definition"};
    if (ReadsQuotes(list.format, options.quoting)) {
        readQuizletQuoted(text, term, rows, list);
        applyMarkup(list, options.html, std::nullopt);
        return list;
    }
    int line = 1;
    std::size_t pos = 0;
    auto countLines = [](std::string_view s) {
        int n = 0;
        for (std::size_t i = 0; i < s.size(); ++i)
            if (s[i] == '\n' || (s[i] == '\r' && (i + 1 >= s.size() || s[i + 1] != '\n'))) ++n;
        return n;
    };
    while (pos < text.size()) {
        std::string_view row;
        const int rowLine = line;
        if (rows.empty()) {
            row = takeLine(text, pos);
            ++line;
        } else {
            const std::size_t end = text.find(rows, pos);
            row = text.substr(pos,
                              end == std::string_view::npos ? std::string_view::npos : end - pos);
            pos = end == std::string_view::npos ? text.size() : end + rows.size();
            line += countLines(row);
        }
        if (trimView(row).empty() || row.find_first_not_of(" \t\r\n") == std::string_view::npos)
            continue;
        ImportNote note;
        // A row after a custom separator may begin with line breaks: count from its text.
        note.line = rowLine + countLines(row.substr(0, row.find_first_not_of(" \t\r\n")));
        const std::size_t at = row.find(term);
        if (at == std::string_view::npos) {
            note.fields.emplace_back(row);
        } else {
            note.fields.emplace_back(row.substr(0, at));
            note.fields.emplace_back(row.substr(at + term.size()));
        }
        list.notes.push_back(std::move(note));
    }
    applyMarkup(list, options.html, std::nullopt);
    return list;
}

Result<NoteList> readMnemosyne(std::string_view text, const TextReadOptions& options) {
    NoteList list;
    list.format = "Mnemosyne";
    list.separator = SeparatorName("\t");
    list.fieldNames = {"Question", "Answer", "Notes"};
    SpecialColumns none;
    readRows(text, 1, "\t", ReadsQuotes(list.format, options.quoting), none, list);
    // Its own export writes no header, but a file typed or saved from a spreadsheet may.
    if (!list.notes.empty() &&
        (options.headerRow == Choice::Yes ||
         (options.headerRow == Choice::Auto && looksLikeColumnNames(list.notes.front().fields))))
        list.notes.erase(list.notes.begin());
    // Its export writes characters outside ASCII as &#NNNN;: the references are always
    // decoded, and the fields are HTML only when they carry tags.
    if (options.html == Choice::Auto)
        list.markup = detectMarkup(list, true) == FieldMarkup::Html ? FieldMarkup::Html
                                                                    : FieldMarkup::Entities;
    else
        list.markup = options.html == Choice::Yes ? FieldMarkup::Html : FieldMarkup::Entities;
    return list;
}

} // namespace

Result<std::string> DecodeImportText(std::string_view bytes) {
    if (bytes.empty()) return Result<std::string>::failure("the file is empty");
    std::string converted;
    const bool le = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    const bool be = bytes.size() >= 2 && bytes[0] == '\xFE' && bytes[1] == '\xFF';
    if (le || be) {
        QStringDecoder decoder(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        const QString text = decoder(QByteArrayView(bytes.data() + 2, qsizetype(bytes.size() - 2)));
        if (decoder.hasError())
            return Result<std::string>::failure("the file is not text: it is not valid UTF-16");
        const QByteArray utf8 = text.toUtf8();
        converted.assign(utf8.constData(), std::size_t(utf8.size()));
        bytes = converted;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    if (bytes.empty()) return Result<std::string>::failure("the file is empty");
    std::size_t controls = 0;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 0)
            return Result<std::string>::failure(
                "the file is not text: it holds NUL bytes (binary data)");
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v') ||
            c == 0x7F)
            ++controls;
    }
    // A text file has hardly any control characters; binary data is full of them.
    if (controls * 20 > bytes.size())
        return Result<std::string>::failure(
            "the file is not text: it is mostly control characters (binary data)");
    if (IsValidUtf8(bytes)) return std::string(bytes);
    const QByteArray utf8 = BytesToDisplay(bytes).toUtf8();
    return std::string(utf8.constData(), std::size_t(utf8.size()));
}

Result<NoteList> ReadTextNotes(std::string_view text, const TextReadOptions& options) {
    TextFormat format = options.format;
    if (format == TextFormat::Auto)
        format = startsWithHeader(text) ? TextFormat::AnkiText : TextFormat::Csv;
    switch (format) {
    case TextFormat::AnkiText:
        return readAnki(text, options);
    case TextFormat::Quizlet:
        return readQuizlet(text, options);
    case TextFormat::Mnemosyne:
        return readMnemosyne(text, options);
    case TextFormat::Csv:
    case TextFormat::Auto:
        break;
    }
    return readCsv(text, options);
}

bool ReadsQuotes(std::string_view format, Quoting quoting) {
    if (quoting == Quoting::Auto) return format == "CSV" || format == "Anki text";
    return quoting == Quoting::Quotes;
}

bool QuotingFromName(std::string_view name, Quoting& quoting) {
    const std::string l = lowerAscii(name);
    if (l == "auto")
        quoting = Quoting::Auto;
    else if (l == "quotes")
        quoting = Quoting::Quotes;
    else if (l == "none")
        quoting = Quoting::None;
    else
        return false;
    return true;
}

bool TextFormatFromName(std::string_view name, TextFormat& format) {
    const std::string l = lowerAscii(name);
    if (l == "auto")
        format = TextFormat::Auto;
    else if (l == "anki" || l == "anki text")
        format = TextFormat::AnkiText;
    else if (l == "csv")
        format = TextFormat::Csv;
    else if (l == "quizlet")
        format = TextFormat::Quizlet;
    else if (l == "mnemosyne")
        format = TextFormat::Mnemosyne;
    else
        return false;
    return true;
}

} // namespace brenvik
