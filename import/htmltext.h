#pragma once

#include "import/importnote.h"

#include <string>
#include <string_view>
#include <vector>

namespace brenvik {

// The text Brenvik shows and speaks for one imported field: its lines, trimmed, without
// blank lines at either end and with no more than one blank line in a row.
//
// Html: tags are removed; <br> ends a line, and block elements (<div>, <p>, <li>, headings,
// table rows) start one; <b>, <i>, <span> and other inline tags vanish; white space runs
// become one blank, as a browser shows them; <script>, <style> and comments are dropped.
// Entities: only the character references are decoded. Plain: only the line breaks count.
// Every form turns a TAB or another control character into a blank.
std::vector<std::string> FieldLines(std::string_view field, FieldMarkup markup);

// Decodes HTML character references: every HTML 4 named entity (the Latin-1 set, the
// typographic ones, Greek and the mathematical symbols, plus &apos;), &#NNNN; and &#xHHHH;.
// References to 128..159 mean the Windows-1252 characters, as browsers read them; an
// unknown or malformed reference stays as it is.
std::string DecodeEntities(std::string_view text);

// Whether a field looks like HTML: a tag such as <br>, <div>, <p>, <b>, <i>, <span>, <img>
// or a closing tag, or (unless `tagsOnly`) a character reference.
bool LooksLikeHtml(std::string_view field, bool tagsOnly = false);

// A question's name from its first line: at most `limit` characters, cut at a word boundary
// and ended with "…" when longer.
std::string ShortName(std::string_view line, int limit = 80);

// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t cp);

} // namespace brenvik
