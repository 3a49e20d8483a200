#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brenvik {

// Reads rows of separated fields, one row at a time, in one pass over the text.
//
// With quoting, a field that begins with a double quote runs to the next double quote that
// is not doubled, across line breaks and separators ("" inside stands for one "); text
// after the closing quote up to the separator is kept, and a quote that is never closed
// takes the rest of the text. Without quoting (Quizlet's and Mnemosyne's own rule, or
// Quoting::None) quotes are ordinary characters. Rows end at CR LF, LF or CR outside quotes. The
// separator may be a text of several characters (a custom Quizlet separator); with quoting it is
// one character.
class DelimitedReader {
public:
    DelimitedReader(std::string_view text, std::string_view separator, bool quoting);
    // The next row, or false at the end; `line` is the row's first line (1-based).
    bool next(std::vector<std::string>& fields, int& line);
    // Where reading goes on (for readers that take header lines off the top first).
    std::size_t position() const { return pos_; }
    int lineNumber() const { return line_; }

private:
    std::string_view text_;
    std::string sep_;
    bool quoting_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

// A separator chosen by its name or as itself: "tab", "comma", "semicolon", "pipe",
// "colon", "space" (any case), "\t", or a single character. Empty when it is neither.
std::string SeparatorFromName(std::string_view name);
// The name the summary shows: "Tab", "Comma", ... or the text in quotes.
std::string SeparatorName(std::string_view separator);

// Guesses the separator of quoted rows from the first rows of `text`: the candidate (Tab,
// Pipe, Semicolon, Comma, Colon, Space, preferred in this order) that splits every one of
// the first 25 non-empty rows into the same number of fields, at least two; failing that,
// the one that splits the most rows into two or more; failing that, Tab.
std::string GuessSeparator(std::string_view text);

} // namespace brenvik
