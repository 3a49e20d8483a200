// Importing notes from text files: the readers of each format, the HTML conversion, the deck
// rule, the questions as the wizard builds them, the one undo point, refusals, and the
// tool's import command.

#include "import/delimited.h"
#include "import/htmltext.h"
#include "import/notebuilder.h"
#include "import/textformats.h"
#include "import/textimport.h"
#include "library/demodata.h"
#include "library/objects.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "library/undostore.h"
#include "study/core/collect.h"
#include "toolrun.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <iostream>

using namespace brenvik;

namespace {

using Lines = std::vector<std::string>;

std::string fixture(const char* name) {
    QFile f(QStringLiteral(BRENVIK_TESTDATA "/import/") + QLatin1String(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    const QByteArray b = f.readAll();
    return std::string(b.constData(), std::size_t(b.size()));
}

NoteList read(std::string_view bytes, TextReadOptions options = {}) {
    Result<std::string> text = DecodeImportText(bytes);
    EXPECT_TRUE(text.ok()) << text.error();
    if (!text) return {};
    Result<NoteList> notes = ReadTextNotes(text.value(), options);
    EXPECT_TRUE(notes.ok()) << notes.error();
    return notes ? notes.value() : NoteList{};
}

FixedDesktopColors desktop() {
    return FixedDesktopColors(); // the standard light scheme
}

// The names of a node's object children (kinds 1 to 8), in order.
Lines childObjects(const LibraryTree& tree, NodeId n) {
    Lines names;
    for (NodeId c = tree.firstChild(n); c != NoNode; c = tree.nextSibling(c))
        if (tree.kind(c) >= Library && tree.kind(c) <= Question) names.emplace_back(tree.text(c));
    return names;
}

NodeId childNamed(const LibraryTree& tree, NodeId n, std::string_view name) {
    for (NodeId c = tree.firstChild(n); c != NoNode; c = tree.nextSibling(c))
        if (tree.text(c) == name) return c;
    return NoNode;
}

// The object path from `from` (excluded) down to every question: "A > B > ... > Q".
Lines questionPaths(const LibraryTree& tree, NodeId from) {
    Lines paths;
    std::vector<std::pair<NodeId, std::string>> stack{{from, ""}};
    while (!stack.empty()) {
        auto [n, path] = stack.back();
        stack.pop_back();
        std::vector<std::pair<NodeId, std::string>> kids;
        for (NodeId c = tree.firstChild(n); c != NoNode; c = tree.nextSibling(c)) {
            if (tree.kind(c) < Library || tree.kind(c) > Question) continue;
            std::string p =
                path.empty() ? std::string(tree.text(c)) : path + " > " + std::string(tree.text(c));
            if (tree.kind(c) == Question)
                paths.push_back(p);
            else
                kids.emplace_back(c, p);
        }
        for (auto it = kids.rbegin(); it != kids.rend(); ++it)
            stack.push_back(*it);
    }
    return paths;
}

QuestionRecord recordOf(const LibraryTree& tree, NodeId q) {
    QuestionRecord r;
    EXPECT_TRUE(ReadFreshQuestionRecord(tree, q, r, desktop()).ok());
    return r;
}

// A library with the root and one library "Target" below it, an undo store, and imports.
class ImportTest : public ::testing::Test {
protected:
    void SetUp() override {
        NewEmptyLibrary(tree, "host", "me");
        root = tree.first();
        library = AddNewObj(tree, root, colors).value();
        tree.setText(library, "Target");
        undo = std::make_unique<UndoStore>(tree);
    }
    Result<ImportSummary> import(std::string_view bytes, NodeId target,
                                 TextImportOptions options = {}) {
        return ImportTextBytes(tree, *undo, target, bytes, QStringLiteral("/some/where/words.txt"),
                               options, colors);
    }
    // The last question of the tree in pre-order.
    NodeId lastQuestion() const {
        NodeId last = NoNode;
        ForEachPreorder(tree, [&](NodeId n, int) {
            if (tree.kind(n) == Question) last = n;
        });
        return last;
    }

    FixedDesktopColors colors = desktop();
    LibraryTree tree;
    NodeId root = NoNode, library = NoNode;
    std::unique_ptr<UndoStore> undo;
};

} // namespace

// --- Reading the formats -------------------------------------------------------------------

TEST(ImportRead, AnkiHeaderLinesSetColumnsDeckTagsAndSpecialColumns) {
    const NoteList list = read(fixture("anki_header.txt"));
    EXPECT_EQ(list.format, "Anki text");
    EXPECT_EQ(list.separator, "Semicolon");
    EXPECT_EQ(list.markup, FieldMarkup::Plain);
    EXPECT_EQ(list.deck, "Fallback::Deck");
    // The note type, deck, tags and id columns are no fields, and their names go with them.
    EXPECT_EQ(list.fieldNames, (Lines{"Front", "Back", "Source"}));
    ASSERT_EQ(list.notes.size(), 3u);
    const ImportNote& first = list.notes[0];
    EXPECT_EQ(first.fields, (Lines{"Capital of France?", "Paris", "Atlas p. 12"}));
    EXPECT_EQ(first.deck, "Geography::Europe");
    EXPECT_EQ(first.tags, (Lines{"imported", "geo", "europe"}));
    EXPECT_EQ(first.notetype, "Basic");
    EXPECT_EQ(first.guid, "g1");
    EXPECT_EQ(first.line, 10);
    // A quoted field keeps its separator, its line break and its doubled quotes.
    const ImportNote& second = list.notes[1];
    EXPECT_EQ(second.fields, (Lines{"Two;\nlines", "He said \"hi\"", ""}));
    EXPECT_EQ(second.deck, "");
    EXPECT_EQ(second.tags, (Lines{"imported"}));
    EXPECT_EQ(second.guid, "g2");
    EXPECT_EQ(list.notes[2].line, 13);
}

TEST(ImportRead, SeparatorHeaderTakesNamesOrTheCharacterAndOptionsWin) {
    for (const char* header : {"#separator:tab\n", "#separator:Tab\n", "#separator:\t\n"}) {
        const NoteList list = read(std::string(header) + "a,b\tc\n");
        ASSERT_EQ(list.notes.size(), 1u) << header;
        EXPECT_EQ(list.notes[0].fields, (Lines{"a,b", "c"})) << header;
    }
    const std::pair<const char*, const char*> named[] = {
        {"comma", ","}, {"semicolon", ";"}, {"pipe", "|"}, {"colon", ":"},
        {"space", " "}, {"|", "|"},         {"#", "#"}};
    for (const auto& [name, sep] : named) {
        const NoteList list =
            read("#separator:" + std::string(name) + "\nq" + sep + "a" + sep + "n\n");
        ASSERT_EQ(list.notes.size(), 1u) << name;
        EXPECT_EQ(list.notes[0].fields, (Lines{"q", "a", "n"})) << name;
    }
    TextReadOptions options;
    options.separator = "comma";
    const NoteList overridden = read("#separator:tab\na,b\tc\n", options);
    EXPECT_EQ(overridden.notes.at(0).fields, (Lines{"a", "b\tc"}));
    options.separator = "ab";
    Result<NoteList> bad = ReadTextNotes("x,y\n", options);
    ASSERT_FALSE(bad.ok());
    EXPECT_NE(bad.error().find("\"ab\""), std::string::npos) << bad.error();
}

TEST(ImportRead, HtmlHeaderOrDetectionDecidesTheMarkup) {
    EXPECT_EQ(read("#html:true\na\tb\n").markup, FieldMarkup::Html);
    EXPECT_EQ(read("#html:false\na<br>x\tb\n").markup, FieldMarkup::Plain);
    EXPECT_EQ(read("#separator:tab\na<br>x\tb\n").markup, FieldMarkup::Html);
    EXPECT_EQ(read("a\tb &amp; c\n").markup, FieldMarkup::Html);
    EXPECT_EQ(read("1 < 2\t3 > 2\n").markup, FieldMarkup::Plain);
    EXPECT_EQ(read("a & b\tc\n").markup, FieldMarkup::Plain);
    TextReadOptions options;
    options.html = Choice::No;
    EXPECT_EQ(read("#html:true\na\tb\n", options).markup, FieldMarkup::Plain);
}

TEST(ImportRead, QuotingSpansLinesAndDoubledQuotesAndCountsLines) {
    const NoteList list = read("\"one\r\ntwo\",\"say \"\"x\"\"\"\r\nplain,\"a,b\"\n"
                               "\"unclosed,at end\nstill\n");
    EXPECT_EQ(list.separator, "Comma");
    ASSERT_EQ(list.notes.size(), 3u);
    EXPECT_EQ(list.notes[0].fields, (Lines{"one\r\ntwo", "say \"x\""}));
    EXPECT_EQ(list.notes[0].line, 1);
    EXPECT_EQ(list.notes[1].fields, (Lines{"plain", "a,b"}));
    EXPECT_EQ(list.notes[1].line, 3);
    // A quote never closed takes the rest of the text.
    EXPECT_EQ(list.notes[2].fields, (Lines{"unclosed,at end\nstill\n"}));
    EXPECT_EQ(list.notes[2].line, 4);
    // A quote inside a field is an ordinary character.
    EXPECT_EQ(read("a \"b\" c\td\n").notes.at(0).fields, (Lines{"a \"b\" c", "d"}));
}

TEST(ImportRead, SeparatorIsGuessedFromTheFirstRows) {
    EXPECT_EQ(GuessSeparator("a\tb, c\nd\te; f\n"), "\t");
    EXPECT_EQ(GuessSeparator("a;b, c\nd;e\n"), ";");
    EXPECT_EQ(GuessSeparator("a,b\nc,d\ne,f\n"), ",");
    EXPECT_EQ(GuessSeparator("a|b|c\nd|e|f\n"), "|");
    EXPECT_EQ(GuessSeparator("a:b\nc:d\n"), ":");
    EXPECT_EQ(GuessSeparator("hello world\ngood day\n"), " ");
    // Separators inside quotes do not count; empty lines neither.
    EXPECT_EQ(GuessSeparator("\"a;b\",c\n\n\"d;e;f\",g\n"), ",");
    // No candidate splits every row alike: the one that splits most rows.
    EXPECT_EQ(GuessSeparator("a,b\nc,d,e\nf;g\n"), ",");
    EXPECT_EQ(GuessSeparator("one\ntwo\n"), "\t");
    const NoteList list = read("Paris;capital, of France\nLima;capital, of Peru\n");
    EXPECT_EQ(list.separator, "Semicolon");
    EXPECT_EQ(list.notes.at(1).fields, (Lines{"Lima", "capital, of Peru"}));
}

TEST(ImportRead, CsvFirstRowNamesColumnsWhenItLooksSoOrWhenTold) {
    NoteList list = read("Front,Back,Deck,Hint,Tags\nq,a,D::E,h,t1 t2\n");
    EXPECT_EQ(list.format, "CSV");
    EXPECT_EQ(list.fieldNames, (Lines{"Front", "Back", "Hint"}));
    ASSERT_EQ(list.notes.size(), 1u);
    EXPECT_EQ(list.notes[0].fields, (Lines{"q", "a", "h"}));
    EXPECT_EQ(list.notes[0].deck, "D::E");
    EXPECT_EQ(list.notes[0].tags, (Lines{"t1", "t2"}));
    // An ordinary first row is a note.
    list = read("Paris,France\nLima,Peru\n");
    EXPECT_TRUE(list.fieldNames.empty());
    EXPECT_EQ(list.notes.size(), 2u);
    TextReadOptions options;
    options.headerRow = Choice::Yes;
    list = read("Paris,France,Extra\nLima,Peru,x\n", options);
    EXPECT_EQ(list.fieldNames, (Lines{"Paris", "France", "Extra"}));
    EXPECT_EQ(list.notes.size(), 1u);
    options.headerRow = Choice::No;
    EXPECT_EQ(read("Front,Back\nq,a\n", options).notes.size(), 2u);
}

TEST(ImportRead, ByteOrderMarkAndWindows1252BecomeUtf8) {
    NoteList list = read(fixture("bom.csv"));
    EXPECT_EQ(list.fieldNames, (Lines{"Term", "Definition"}));
    EXPECT_EQ(list.notes.at(0).fields, (Lines{"caf\xC3\xA9", "coffee"}));
    list = read(fixture("cp1252.csv"));
    ASSERT_EQ(list.notes.size(), 2u);
    EXPECT_EQ(list.notes[0].fields, (Lines{"caf\xC3\xA9", "coffee \xE2\x80\x93 strong"}));
    EXPECT_EQ(list.notes[1].fields, (Lines{"na\xC3\xAFve", "innocent"}));
    // UTF-16 with its mark is converted too.
    const char utf16[] = "\xFF\xFEq\0,\0\xE9\0\n\0";
    list = read(std::string_view(utf16, sizeof utf16 - 1));
    EXPECT_EQ(list.notes.at(0).fields, (Lines{"q", "\xC3\xA9"}));
}

TEST(ImportRead, EmptyAndBinaryFilesAreRefusedWithTheReason) {
    Result<std::string> r = DecodeImportText("");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error(), "the file is empty");
    EXPECT_EQ(DecodeImportText("\xEF\xBB\xBF").error(), "the file is empty");
    r = DecodeImportText(std::string_view("q\ta\0b", 5));
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().find("NUL"), std::string::npos) << r.error();
    std::string noise;
    for (int i = 0; i < 400; ++i)
        noise += char(1 + (i * 7) % 31);
    r = DecodeImportText(noise);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.error().find("not text"), std::string::npos) << r.error();
    // A few control characters in a long text are no reason to refuse it.
    EXPECT_TRUE(DecodeImportText("question\tanswer\x0b more text\fand more\n").ok());
}

TEST(ImportRead, TheQuotingOptionOverridesTheFormatsOwn) {
    // A CSV read without quoting: quotes are text, separators and line breaks in them split.
    TextReadOptions options;
    options.quoting = Quoting::None;
    NoteList list = read("\"a,b\",\"say \"\"x\"\"\"\n\"one\ntwo\",c\n", options);
    EXPECT_EQ(list.format, "CSV");
    ASSERT_EQ(list.notes.size(), 3u);
    EXPECT_EQ(list.notes[0].fields, (Lines{"\"a", "b\"", "\"say \"\"x\"\"\""}));
    EXPECT_EQ(list.notes[1].fields, (Lines{"\"one"}));
    EXPECT_EQ(list.notes[2].fields, (Lines{"two\"", "c"}));
    EXPECT_EQ(list.notes[2].line, 3);
    // Anki text too, its #columns: line included.
    options.format = TextFormat::AnkiText;
    list = read("#separator:Comma\n#columns:\"A,B\",C\n\"x,y\",z\n", options);
    EXPECT_EQ(list.fieldNames, (Lines{"\"A", "B\"", "C"}));
    EXPECT_EQ(list.notes.at(0).fields, (Lines{"\"x", "y\"", "z"}));

    // Quizlet with quotes forced: a quoted term keeps its separator and line breaks, "" is
    // one quote; the definition is still the rest of the row.
    options.format = TextFormat::Quizlet;
    options.quoting = Quoting::Quotes;
    list = read("\"cat, the\",Katze, die\n\"two\nlines\",\"say \"\"hi\"\"\"\nx,y\n", options);
    ASSERT_EQ(list.notes.size(), 3u);
    EXPECT_EQ(list.notes[0].fields, (Lines{"cat, the", "Katze, die"}));
    EXPECT_EQ(list.notes[1].fields, (Lines{"two\nlines", "say \"hi\""}));
    EXPECT_EQ(list.notes[1].line, 2);
    EXPECT_EQ(list.notes[2].fields, (Lines{"x", "y"}));
    EXPECT_EQ(list.notes[2].line, 4);
    // With a custom row separator the quotes apply within each row.
    options.separator = "tab";
    options.rowSeparator = ";";
    list = read("\"a\tb\"\tone;c\t\"two\"\"s\"", options);
    ASSERT_EQ(list.notes.size(), 2u);
    EXPECT_EQ(list.notes[0].fields, (Lines{"a\tb", "one"}));
    EXPECT_EQ(list.notes[1].fields, (Lines{"c", "two\"s"}));
    // Mnemosyne with quotes forced.
    options = {};
    options.format = TextFormat::Mnemosyne;
    options.quoting = Quoting::Quotes;
    EXPECT_EQ(read("\"q\tq\"\ta\n", options).notes.at(0).fields, (Lines{"q\tq", "a"}));
    options.quoting = Quoting::Auto;
    EXPECT_EQ(read("\"q\tq\"\ta\n", options).notes.at(0).fields, (Lines{"\"q", "q\"", "a"}));

    Quoting q = Quoting::Auto;
    EXPECT_TRUE(QuotingFromName("None", q));
    EXPECT_EQ(q, Quoting::None);
    EXPECT_TRUE(QuotingFromName("quotes", q));
    EXPECT_EQ(q, Quoting::Quotes);
    EXPECT_FALSE(QuotingFromName("double", q));
}

TEST(ImportRead, QuizletSplitsAtTheFirstTermSeparatorWithoutQuoting) {
    TextReadOptions options;
    options.format = TextFormat::Quizlet;
    NoteList list = read(fixture("quizlet.txt"), options);
    EXPECT_EQ(list.format, "Quizlet");
    EXPECT_EQ(list.fieldNames, (Lines{"Term", "Definition"}));
    ASSERT_EQ(list.notes.size(), 3u);
    EXPECT_EQ(list.notes[1].fields, (Lines{"dog", "Hund, der"}));
    // Without a TAB the comma separates; quotes are text.
    list = read("\"cat\",Katze, die\n", options);
    EXPECT_EQ(list.notes.at(0).fields, (Lines{"\"cat\"", "Katze, die"}));
    // Custom term and row separators.
    options.separator = " - ";
    options.rowSeparator = ";";
    list = read("eins - one;zwei - two - deux;\ndrei - three\n", options);
    ASSERT_EQ(list.notes.size(), 3u);
    EXPECT_EQ(list.notes[1].fields, (Lines{"zwei", "two - deux"}));
    EXPECT_EQ(list.notes[2].fields, (Lines{"\ndrei", "three\n"}));
    EXPECT_EQ(list.notes[2].line, 2);
}

TEST(ImportRead, MnemosyneDecodesCharacterReferencesAndNamesItsColumns) {
    TextReadOptions options;
    options.format = TextFormat::Mnemosyne;
    const NoteList list = read(fixture("mnemosyne.txt"), options);
    EXPECT_EQ(list.format, "Mnemosyne");
    EXPECT_EQ(list.markup, FieldMarkup::Entities);
    EXPECT_EQ(list.fieldNames, (Lines{"Question", "Answer", "Notes"}));
    // The first row names the columns, so it is no question.
    ASSERT_EQ(list.notes.size(), 2u);
    EXPECT_EQ(FieldLines(list.notes[0].fields[0], list.markup), (Lines{"K\xC3\xB6ln"}));
    EXPECT_EQ(FieldLines(list.notes[0].fields[1], list.markup),
              (Lines{"Cologne, on the \xE2\x80\x9CRhine\xE2\x80\x9D"}));
    EXPECT_EQ(FieldLines(list.notes[1].fields[0], list.markup), (Lines{"2 < 3?"}));
    TextReadOptions noHeader = options;
    noHeader.headerRow = Choice::No;
    EXPECT_EQ(read(fixture("mnemosyne.txt"), noHeader).notes.size(), 3u);
    noHeader.headerRow = Choice::Yes;
    EXPECT_EQ(read("a\tb\nc\td\n", noHeader).notes.size(), 1u);
    EXPECT_EQ(read("a\tb\nc\td\n", options).notes.size(), 2u);
    // With tags in its fields it is read as HTML.
    EXPECT_EQ(read("a<br>b\tc\n", options).markup, FieldMarkup::Html);
}

TEST(ImportRead, AutoFormatIsAnkiOnlyWithAKnownHeaderLine) {
    EXPECT_EQ(read("#deck:X\na\tb\n").format, "Anki text");
    EXPECT_EQ(read("#columns:a\tb\na\tb\n").format, "Anki text");
    // A first cell that merely begins with "#" is data.
    const NoteList list = read("#1,first\n#2,second\n");
    EXPECT_EQ(list.format, "CSV");
    EXPECT_EQ(list.notes.size(), 2u);
}

// --- HTML and names ------------------------------------------------------------------------

TEST(ImportHtml, TagsGoLineBreaksStayAndWhiteSpaceCollapses) {
    EXPECT_EQ(FieldLines("<b>Bold</b> and <i>italic</i>", FieldMarkup::Html),
              (Lines{"Bold and italic"}));
    EXPECT_EQ(FieldLines("one<br>two<br/>three<BR />four", FieldMarkup::Html),
              (Lines{"one", "two", "three", "four"}));
    EXPECT_EQ(FieldLines("<div>first</div><div>second</div>", FieldMarkup::Html),
              (Lines{"first", "second"}));
    EXPECT_EQ(FieldLines("intro<p>para one</p><p>para two</p>end", FieldMarkup::Html),
              (Lines{"intro", "para one", "para two", "end"}));
    EXPECT_EQ(FieldLines("<ul><li>a</li><li>b</li></ul>", FieldMarkup::Html), (Lines{"a", "b"}));
    // A blank line from two breaks stays, once; blank lines at the ends go.
    EXPECT_EQ(FieldLines("<br>a<br><br><br><br>b<br><br>", FieldMarkup::Html),
              (Lines{"a", "", "b"}));
    EXPECT_EQ(FieldLines("  many   blanks\n and\tnew lines  ", FieldMarkup::Html),
              (Lines{"many blanks and new lines"}));
    EXPECT_EQ(FieldLines("<span style=\"a>b\">x</span><img src=\"p.jpg\">y", FieldMarkup::Html),
              (Lines{"xy"}));
    EXPECT_EQ(FieldLines("a<script>var x = '<br>';</script>b<style>p{}</style>c<!-- <br> -->d",
                         FieldMarkup::Html),
              (Lines{"abcd"}));
    EXPECT_EQ(FieldLines("<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table>",
                         FieldMarkup::Html),
              (Lines{"1 2", "3"}));
    // A "<" that starts no tag is text.
    EXPECT_EQ(FieldLines("1 < 2 <3", FieldMarkup::Html), (Lines{"1 < 2 <3"}));
}

TEST(ImportHtml, NamedAndNumericEntitiesAreDecoded) {
    EXPECT_EQ(DecodeEntities("&amp;&lt;&gt;&quot;&apos;"), "&<>\"'");
    EXPECT_EQ(DecodeEntities("&eacute;&Auml;&szlig;&yuml;&iexcl;&copy;&frac12;"),
              "\xC3\xA9\xC3\x84\xC3\x9F\xC3\xBF\xC2\xA1\xC2\xA9\xC2\xBD");
    EXPECT_EQ(DecodeEntities("&ndash;&mdash;&hellip;&lsquo;&rsquo;&ldquo;&rdquo;&euro;&trade;"),
              "\xE2\x80\x93\xE2\x80\x94\xE2\x80\xA6\xE2\x80\x98\xE2\x80\x99\xE2\x80\x9C"
              "\xE2\x80\x9D\xE2\x82\xAC\xE2\x84\xA2");
    EXPECT_EQ(DecodeEntities("&Omega;&pi;&sigmaf;&rarr;&le;&OElig;"),
              "\xCE\xA9\xCF\x80\xCF\x82\xE2\x86\x92\xE2\x89\xA4\xC5\x92");
    // The names HTML5 added, long ones, and one that stands for two code points.
    EXPECT_EQ(DecodeEntities("&check;&hyphen;&rightarrow;&NotEqualTilde;"),
              "\xE2\x9C\x93\xE2\x80\x90\xE2\x86\x92\xE2\x89\x82\xCC\xB8");
    EXPECT_EQ(DecodeEntities("&CounterClockwiseContourIntegral;"), "\xE2\x88\xB3");
    EXPECT_EQ(DecodeEntities("&#246;&#xF6;&#XF6;&#128512;"),
              "\xC3\xB6\xC3\xB6\xC3\xB6\xF0\x9F\x98\x80");
    // 128..159 are the Windows-1252 characters; nonsense becomes the replacement character.
    EXPECT_EQ(DecodeEntities("&#150;&#x80;"), "\xE2\x80\x93\xE2\x82\xAC");
    EXPECT_EQ(DecodeEntities("&#0;&#xD800;&#99999999;"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    // What is no reference stays.
    EXPECT_EQ(DecodeEntities("&nosuch; &amp &#; &#x; a&b &"), "&nosuch; &amp &#; &#x; a&b &");
    // In HTML a non-breaking space is a blank that is not collapsed away.
    EXPECT_EQ(FieldLines("a&nbsp;&nbsp;b&nbsp;", FieldMarkup::Html), (Lines{"a b"}));
    EXPECT_EQ(FieldLines("&lt;br&gt; is a tag", FieldMarkup::Html), (Lines{"<br> is a tag"}));
}

TEST(ImportHtml, PlainFieldsKeepTheirLinesTrimmed) {
    EXPECT_EQ(FieldLines("  one \r\ntwo\rthree\n\n\n four\t", FieldMarkup::Plain),
              (Lines{"one", "two", "three", "", "four"}));
    EXPECT_EQ(FieldLines("<b>&amp;</b>", FieldMarkup::Plain), (Lines{"<b>&amp;</b>"}));
    EXPECT_EQ(FieldLines("a\tb", FieldMarkup::Plain), (Lines{"a b"}));
    EXPECT_TRUE(FieldLines(" \n \n", FieldMarkup::Plain).empty());
    // Control characters are blanks: a field of them is empty, as a session's check sees it.
    for (FieldMarkup markup : {FieldMarkup::Plain, FieldMarkup::Entities, FieldMarkup::Html}) {
        EXPECT_TRUE(FieldLines("\x19\x01 \x7f", markup).empty());
        // HTML collapses the blanks they leave; plain text keeps them.
        const Lines expected{markup == FieldMarkup::Html ? "a b" : "a  b"};
        EXPECT_EQ(FieldLines("a\x01\x02"
                             "b\x1b",
                             markup),
                  expected);
    }
}

TEST(ImportHtml, NamesAreShortenedAtAWordBoundary) {
    EXPECT_EQ(ShortName("short"), "short");
    const std::string eighty(80, 'x');
    EXPECT_EQ(ShortName(eighty), eighty);
    std::string words;
    while (words.size() < 120)
        words += "word ";
    const std::string name = ShortName(words);
    EXPECT_EQ(name.substr(name.size() - 3), "\xE2\x80\xA6");
    const std::string kept = name.substr(0, name.size() - 3);
    EXPECT_LE(kept.size(), 79u);
    EXPECT_GE(kept.size(), 70u);
    EXPECT_EQ(kept.back(), 'd'); // whole words, no trailing blank
    EXPECT_EQ(ShortName(std::string(100, 'y')), std::string(79, 'y') + "\xE2\x80\xA6");
    // Characters are counted, not bytes: 80 two-byte letters fit.
    std::string umlauts;
    for (int i = 0; i < 80; ++i)
        umlauts += "\xC3\xA4";
    EXPECT_EQ(ShortName(umlauts), umlauts);
    EXPECT_EQ(ShortName("Hello, world and more", 8), "Hello\xE2\x80\xA6");
}

// --- Building questions --------------------------------------------------------------------

TEST_F(ImportTest, AQuestionIsBuiltAsTheWizardBuildsItAndPassesTheCheck) {
    const auto done = import("#html:true\nWhat is<br>the capital<br>of <b>France</b>?\t"
                             "<div>Paris</div><div>on the Seine</div>\n",
                             library);
    ASSERT_TRUE(done.ok()) << done.error();
    const NodeId q = done.value().firstQuestion;
    ASSERT_NE(q, NoNode);
    EXPECT_EQ(tree.text(q), "What is");

    // The same texts through the wizard's road.
    LibraryTree other;
    NewEmptyLibrary(other, "h", "u");
    NodeId parent = other.first();
    for (int level = Library; level <= Concept; ++level)
        parent = AddNewObj(other, parent, colors).value();
    WizardData wizard{"What is\nthe capital\nof France?", "Paris / on the Seine",
                      "What is\nthe capital\nof France?", "Paris / on the Seine"};
    const NodeId made = AddNewObj(other, parent, colors, &wizard).value();
    QuestionRecord expected = recordOf(other, made);
    expected.name = "What is";
    EXPECT_EQ(recordOf(tree, q), expected);
    // The subtree has the same shape and kinds, node for node.
    NodeId a = tree.firstChild(q), b = other.firstChild(made);
    while (a != NoNode && b != NoNode) {
        EXPECT_EQ(tree.text(a), other.text(b));
        EXPECT_EQ(tree.kind(a), other.kind(b));
        a = tree.preorderNext(a);
        b = other.preorderNext(b);
        if (a != NoNode && !tree.isInSubtree(a, q)) a = NoNode;
        if (b != NoNode && !other.isInSubtree(b, made)) b = NoNode;
    }
    EXPECT_EQ(a, b);

    const StudyCheck check = CheckStudyQuestions(tree, CollectAllQuestions(tree), colors,
                                                 StudyFolders{QString(), QStringLiteral("/")});
    EXPECT_TRUE(check.ok()) << check.message.toStdString();
    EXPECT_EQ(check.checked, 1);
}

TEST_F(ImportTest, FurtherFieldsAndTagsBecomeNoteLines) {
    // Names from #columns; a field without a name is "Field N"; empty fields give no line.
    auto done = import("#columns:Front\tBack\tSource\n#tags column:5\n"
                       "q1\ta1\tAtlas\t<i>Extra</i> one<br>two\tgeo europe\n"
                       "q2\ta2\t\tx\t\n",
                       library);
    ASSERT_TRUE(done.ok()) << done.error();
    const NodeId q1 = done.value().firstQuestion;
    EXPECT_EQ(recordOf(tree, q1).notes,
              (Lines{"Source: Atlas", "Field 4: Extra one / two", "Tags: geo europe"}));
    EXPECT_EQ(recordOf(tree, lastQuestion()).notes, (Lines{"Field 4: x"}));

    // A CSV header row names the fields; the question and answer may be any two fields.
    TextImportOptions options;
    options.build.questionField = 2;
    options.build.answerField = 0;
    done = import("Front,Back,Word\nFrance,Paris,capital\n", library, options);
    ASSERT_TRUE(done.ok()) << done.error();
    const QuestionRecord r = recordOf(tree, done.value().firstQuestion);
    EXPECT_EQ(r.panes[0].textLines, (Lines{"capital"}));
    EXPECT_EQ(r.answer, "France");
    EXPECT_EQ(r.notes, (Lines{"Back: Paris"}));
}

TEST_F(ImportTest, NotesComeFromAChosenFieldOrNoneAndTheDefaultIsUnchanged) {
    const std::string file = "#html:true\n#columns:Front\tBack\tSource\tExtra\n#tags column:5\n"
                             "q1\ta1\tAtlas\tone<br>two\tgeo europe\n"
                             "q2\ta2\tMap\t\t\n";
    TextImportOptions options;
    auto notesOf = [&](NodeId q) { return recordOf(tree, q).notes; };
    // The default: every further field as "Name: value", then the tags.
    options.build.notes = NotesFrom::OtherFields;
    auto done = import(file, library, options);
    ASSERT_TRUE(done.ok()) << done.error();
    EXPECT_EQ(notesOf(done.value().firstQuestion),
              (Lines{"Source: Atlas", "Extra: one / two", "Tags: geo europe"}));
    // One chosen field: its lines as they are, without a name; the tags still follow.
    options.build.notes = NotesFrom::Field;
    options.build.notesField = 3;
    done = import(file, library, options);
    ASSERT_TRUE(done.ok()) << done.error();
    EXPECT_EQ(notesOf(done.value().firstQuestion), (Lines{"one", "two", "Tags: geo europe"}));
    EXPECT_EQ(notesOf(lastQuestion()), Lines{});
    // Even the question's own field, when chosen.
    options.build.notesField = 0;
    done = import(file, library, options);
    ASSERT_TRUE(done.ok()) << done.error();
    EXPECT_EQ(notesOf(lastQuestion()), (Lines{"q2"}));
    // None: no fields and no tags.
    options.build.notes = NotesFrom::None;
    done = import(file, library, options);
    ASSERT_TRUE(done.ok()) << done.error();
    EXPECT_EQ(notesOf(done.value().firstQuestion), Lines{});
    // Below a concept the deck line stays whatever the choice: it says where the note was.
    NodeId deepest = library;
    for (int level = Set; level <= Concept; ++level)
        deepest = AddNewObj(tree, deepest, colors).value();
    done = import("#deck:Geo\nq\ta\tx\n", deepest, options);
    ASSERT_TRUE(done.ok()) << done.error();
    EXPECT_EQ(notesOf(done.value().firstQuestion), (Lines{"Deck: Geo"}));
}

TEST_F(ImportTest, ReversedAddsTheAnswerAsQuestionRightAfter) {
    TextImportOptions options;
    options.build.reversed = true;
    const auto done =
        import("#html:false\n\"two\nlines\"\t\"Paris\nFrance\"\tnote\n", library, options);
    ASSERT_TRUE(done.ok()) << done.error();
    EXPECT_EQ(done.value().questions, 2);
    const NodeId forward = done.value().firstQuestion;
    NodeId back = tree.nextSibling(forward);
    ASSERT_NE(back, NoNode);
    const QuestionRecord f = recordOf(tree, forward), b = recordOf(tree, back);
    EXPECT_EQ(f.panes[0].textLines, (Lines{"two", "lines"}));
    EXPECT_EQ(f.answer, "Paris / France");
    EXPECT_EQ(tree.text(back), "Paris");
    EXPECT_EQ(b.panes[0].textLines, (Lines{"Paris", "France"}));
    EXPECT_EQ(b.spokenQuestion, (Lines{"Paris", "France"}));
    EXPECT_EQ(b.answer, "two / lines");
    EXPECT_EQ(b.spokenAnswer, (Lines{"two / lines"}));
    EXPECT_EQ(b.notes, (Lines{"Field 3: note"}));
}

TEST_F(ImportTest, NotesWithoutQuestionOrAnswerAreSkippedAndCounted) {
    const auto done = import("q1\ta1\n\ta2\nq3\t\nq4\n<br>\tx\nq6\ta6\n", library);
    ASSERT_TRUE(done.ok()) << done.error();
    const ImportSummary& s = done.value();
    EXPECT_EQ(s.notes, 6);
    EXPECT_EQ(s.questions, 2);
    EXPECT_EQ(s.noQuestion, 2); // "\ta2" and the HTML-only "<br>"
    EXPECT_EQ(s.noAnswer, 2);
    EXPECT_EQ(s.text().toStdString(), "2 questions and 6 objects imported (CSV, Tab separated); "
                                      "4 notes skipped: 2 without a question, 2 without an answer");
}

TEST_F(ImportTest, DeckHierarchiesFillEveryLevelDownToTheConcept) {
    const auto done = import("#deck column:3\n"
                             "shallow\ta\tGeography\n"
                             "two\ta\tGeography::Europe\n"
                             "equal\ta\tA::B::C::D::E::F\n"
                             "deep\ta\tA::B::C::D::E::F::G::H\n"
                             "spaced\ta\t Geography ::  :: europe \n"
                             "none\ta\t\n",
                             library);
    ASSERT_TRUE(done.ok()) << done.error();
    // Below a library six levels are free: set, book, part, chapter, section, concept.
    EXPECT_EQ(
        questionPaths(tree, library),
        (Lines{"Geography > Geography > Geography > Geography > Geography > Geography > shallow",
               "Geography > Europe > Europe > Europe > Europe > Europe > two",
               "Geography > Europe > Europe > Europe > Europe > Europe > spaced",
               "A > B > C > D > E > F > equal", "A > B > C > D > E > F::G::H > deep",
               "words > words > words > words > words > words > none"}));
    // Decks share their objects (names compared without case); every level has its kind.
    EXPECT_EQ(childObjects(tree, library), (Lines{"Geography", "A", "words"}));
    const NodeId deep = lastQuestion();
    EXPECT_EQ(tree.depth(deep), Question);
    int level = Question;
    for (NodeId n = deep; n != library; n = tree.parent(n)) {
        if (tree.kind(n) > Question) continue;
        EXPECT_EQ(tree.kind(n), level--) << tree.text(n);
    }
    // 6 + 5 + 6 + 1 + 6 objects: Geography's chain, Europe's, A..F, F::G::H, words'.
    EXPECT_EQ(done.value().objects, 24);
    const StudyCheck check = CheckStudyQuestions(tree, CollectAllQuestions(tree), colors,
                                                 StudyFolders{QString(), QStringLiteral("/")});
    EXPECT_TRUE(check.ok()) << check.message.toStdString();
    EXPECT_EQ(check.checked, 6);
}

TEST_F(ImportTest, TheRootGetsANewLibraryAndDeeperTargetsFewerLevels) {
    auto done = import("#deck:Lang::French\nchat\tcat\n", root);
    ASSERT_TRUE(done.ok()) << done.error();
    EXPECT_EQ(childObjects(tree, root), (Lines{"Target", "words"}));
    const NodeId lib = childNamed(tree, root, "words");
    EXPECT_EQ(tree.kind(lib), Library);
    EXPECT_EQ(questionPaths(tree, lib),
              (Lines{"Lang > French > French > French > French > French > chat"}));
    EXPECT_EQ(done.value().objects, 7);
    EXPECT_EQ(done.value().top, lib);

    // Below a chapter two levels are left: the deck's deepest names join into the concept.
    NodeId chapter = library;
    for (int level = Set; level <= Chapter; ++level)
        chapter = AddNewObj(tree, chapter, colors).value();
    done = import("#deck:Lang::French::Verbs\nêtre\tto be\n", chapter);
    ASSERT_TRUE(done.ok()) << done.error();
    EXPECT_EQ(questionPaths(tree, chapter), (Lines{"Lang > French::Verbs > être"}));

    // Below a concept the questions go straight in, and the deck is kept in the notes.
    const NodeId conceptNode =
        AddNewObj(tree, AddNewObj(tree, chapter, colors).value(), colors).value();
    done = import("#deck:Lang::French\n#tags:t\nun\tone\n", conceptNode);
    ASSERT_TRUE(done.ok()) << done.error();
    EXPECT_EQ(done.value().objects, 0);
    EXPECT_EQ(childObjects(tree, conceptNode), (Lines{"un"}));
    EXPECT_EQ(recordOf(tree, done.value().firstQuestion).notes,
              (Lines{"Tags: t", "Deck: Lang::French"}));

    // A question holds no questions; an attribute node is no place either.
    const NodeId question = done.value().firstQuestion;
    const std::string before = WriteOutline(tree);
    EXPECT_FALSE(import("a\tb\n", question).ok());
    EXPECT_FALSE(import("a\tb\n", tree.firstChild(library)).ok());
    EXPECT_EQ(WriteOutline(tree), before);
}

TEST_F(ImportTest, AnImportIsOneUndoPointThatRestoresTheTreeExactly) {
    ASSERT_TRUE(OutlineLoader(tree, DemoText()).ok());
    DeriveNodeKinds(tree);
    const NodeId demoLibrary = childNamed(tree, tree.first(), "Capitals Demo - Press [F9]");
    ASSERT_NE(demoLibrary, NoNode);
    const std::string before = WriteOutline(tree);
    const std::size_t nodes = tree.nodeCount();
    const auto done = import(fixture("anki_header.txt"), demoLibrary);
    ASSERT_TRUE(done.ok()) << done.error();
    const std::string after = WriteOutline(tree);
    EXPECT_NE(after, before);
    EXPECT_EQ(undo->undoCount(), 1);
    EXPECT_EQ(undo->undoLabel(), QStringLiteral("import questions"));
    undo->undo();
    EXPECT_EQ(WriteOutline(tree), before);
    EXPECT_FALSE(undo->canUndo());
    undo->redo();
    EXPECT_EQ(WriteOutline(tree), after);
    undo->undo();
    EXPECT_EQ(WriteOutline(tree), before);
    // The undone import's nodes are freed once its point goes.
    undo->clear();
    EXPECT_EQ(tree.nodeCount(), nodes);
}

TEST_F(ImportTest, ARefusedFileLeavesTheTreeAndTheUndoHistoryAlone) {
    const std::string before = WriteOutline(tree);
    auto refused = import("", library);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), "Could not import \"/some/where/words.txt\": the file is empty");
    refused = import(std::string_view("PK\3\4\0\0\x08\0binary", 14), root);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("\"/some/where/words.txt\": the file is not text"),
              std::string::npos)
        << refused.error();
    refused = import("only\nquestions\n", library);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("none of its 2 notes has both a question and an answer"),
              std::string::npos)
        << refused.error();
    refused = import("#deck:x\n", library);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().find("holds no notes"), std::string::npos) << refused.error();
    // Files that cannot be read say so, naming the file.
    ImportFailure failedAt = ImportFailure::None;
    refused = ImportTextFile(tree, *undo, library, QStringLiteral(BRENVIK_TESTDATA "/import"), {},
                             colors, &failedAt);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(failedAt, ImportFailure::File);
    EXPECT_NE(refused.error().find("/import\": it is a folder"), std::string::npos)
        << refused.error();
    refused = ImportTextFile(tree, *undo, library, QStringLiteral(BRENVIK_TESTDATA "/import/none"),
                             {}, colors, &failedAt);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(failedAt, ImportFailure::File);
    EXPECT_EQ(WriteOutline(tree), before);
    EXPECT_FALSE(undo->canUndo());

    // A readable file is named after itself, and the failure stage is cleared.
    const auto done =
        ImportTextFile(tree, *undo, root, QStringLiteral(BRENVIK_TESTDATA "/import/quizlet.txt"),
                       {}, colors, &failedAt);
    ASSERT_TRUE(done.ok()) << done.error();
    EXPECT_EQ(failedAt, ImportFailure::None);
    EXPECT_EQ(tree.text(done.value().top), "quizlet");
    EXPECT_EQ(done.value().questions, 3);
}

TEST_F(ImportTest, AHundredThousandRowsImportInSeconds) {
    std::string text = "#separator:tab\n#html:true\n";
    for (int i = 0; i < 100000; ++i)
        text += "Question <b>" + std::to_string(i) + "</b>\tAnswer " + std::to_string(i) +
                "\tExtra\tDeck::" + std::to_string(i % 10) + "\n";
    text.insert(0, "#deck column:4\n");
    QElapsedTimer timer;
    timer.start();
    const auto done = import(text, library);
    const qint64 ms = timer.elapsed();
    ASSERT_TRUE(done.ok()) << done.error();
    EXPECT_EQ(done.value().questions, 100000);
    EXPECT_EQ(done.value().objects, 1 + 10 * 5);
    // Generous for a loaded machine; a per-row quadratic step would take minutes.
    EXPECT_LT(ms, 30000);
    EXPECT_EQ(tree.text(lastQuestion()), "Question 99999");
    std::cout << "100,000 rows imported in " << ms << " ms\n";
}

// --- The tool ------------------------------------------------------------------------------

namespace {

using ToolResult = ToolRun;

ToolResult tool(const QStringList& args) {
    return RunTool(args);
}

} // namespace

TEST(ImportTool, ImportsIntoANewOrAnExistingLibraryThatThenChecks) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString in = QStringLiteral(BRENVIK_TESTDATA "/import/anki_header.txt");
    const QString out = dir.filePath(QStringLiteral("out.bv1"));
    ToolResult r = tool({QStringLiteral("import"), in, out});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "3 questions and 18 objects imported (Anki text, Semicolon separated)\n");
    r = tool({QStringLiteral("check"), out});
    EXPECT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_EQ(r.out, "3 questions checked\n");
    r = tool({QStringLiteral("check"), out,
              QStringLiteral("anki_header > Geography > America > America > America > America > "
                             "America")});
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.out, "1 question checked\n");

    // Again below an object of the existing file, reversed, with options.
    r = tool({QStringLiteral("import"), QStringLiteral(BRENVIK_TESTDATA "/import/quizlet.txt"), out,
              QStringLiteral("--under"), QStringLiteral("anki_header > Geography"),
              QStringLiteral("--format"), QStringLiteral("quizlet"), QStringLiteral("--reverse")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "6 questions and 5 objects imported (Quizlet, Tab separated)\n");
    r = tool({QStringLiteral("check"), out, QStringLiteral("anki_header > Geography > quizlet")});
    EXPECT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_EQ(r.out, "6 questions checked\n");
}

TEST(ImportTool, QuotingOptionDecidesHowQuotesAreRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString in = dir.filePath(QStringLiteral("quoted.csv"));
    {
        QFile f(in);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\"two\nlines\",a\nr,b\n");
    }
    const QString out = dir.filePath(QStringLiteral("out.bv1"));
    auto import = [&](const QStringList& extra) {
        QFile::remove(out);
        return tool(QStringList{QStringLiteral("import"), in, out} + extra);
    };
    ToolResult r = import({});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2 questions and 7 objects imported (CSV, Comma separated)\n");
    EXPECT_EQ(import({QStringLiteral("--quoting"), QStringLiteral("quotes")}).out, r.out);
    // Without quoting the quoted field's first line is a row without an answer.
    r = import({QStringLiteral("--quoting"), QStringLiteral("none")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "2 questions and 7 objects imported (CSV, Comma separated); 1 note "
                     "skipped: 1 without an answer\n");
    r = import({QStringLiteral("--quoting"), QStringLiteral("double")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("--quoting cannot be 'double'")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    r = tool({QStringLiteral("--help")});
    EXPECT_TRUE(r.out.contains("--quoting auto|quotes|none")) << r.out.toStdString();
}

TEST(ImportTool, FailuresReportTheFileAndExitAsTheOtherCommandsDo) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto write = [&](const char* name, const QByteArray& bytes) {
        const QString path = dir.filePath(QLatin1String(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    };
    const QString good = write("good.txt", "q\ta\n");
    const QString out = dir.filePath(QStringLiteral("out.bv1"));
    // A file that is no text, or none at all, cannot be read: 2, and OUT is not made.
    ToolResult r = tool({QStringLiteral("import"), write("empty.txt", ""), out});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("empty.txt\": the file is empty")) << r.err.toStdString();
    r = tool({QStringLiteral("import"), write("bin.txt", QByteArray("a\0b\tc", 5)), out});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("bin.txt\": the file is not text")) << r.err.toStdString();
    r = tool({QStringLiteral("import"), dir.filePath(QStringLiteral("missing.txt")), out});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("missing.txt: no such file")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    // A text without one question: 1.
    r = tool({QStringLiteral("import"), write("noanswer.txt", "q\n"), out});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.startsWith("brenvik-tool: Could not import")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(out));
    // Bad usage: 2.
    EXPECT_EQ(tool({QStringLiteral("import"), good}).code, 2);
    r = tool({QStringLiteral("import"), good, out, QStringLiteral("--under"),
              QStringLiteral("No > Such")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("No > Such: no such object")) << r.err.toStdString();
    // A PATH naming a question is no place for questions, and OUT stays as it was.
    ASSERT_EQ(tool({QStringLiteral("import"), good, out}).code, 0);
    auto bytesOf = [](const QString& path) {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    };
    const QByteArray made = bytesOf(out);
    r = tool({QStringLiteral("import"), good, out, QStringLiteral("--under"),
              QStringLiteral("good > good > good > good > good > good > good > q")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("a question, which holds no questions")) << r.err.toStdString();
    EXPECT_EQ(bytesOf(out), made);
    QFile::remove(out);
    r = tool(
        {QStringLiteral("import"), good, out, QStringLiteral("--colour"), QStringLiteral("x")});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("unknown option '--colour'")) << r.err.toStdString();
    EXPECT_EQ(tool({QStringLiteral("import"), good, out, QStringLiteral("--format"),
                    QStringLiteral("xml")})
                  .code,
              2);
    EXPECT_EQ(tool({QStringLiteral("import"), good, out, QStringLiteral("--separator"),
                    QStringLiteral("ab")})
                  .code,
              2);
    EXPECT_EQ(tool({QStringLiteral("import"), good, out, QStringLiteral("--under")}).code, 2);
    EXPECT_FALSE(QFile::exists(out));
    // A damaged library is not written over: 1, and it stays as it was.
    const QByteArray damaged = "Root\r\n\t\t\tToo deep\r\n";
    const QString lib = write("damaged.bv1", damaged);
    EXPECT_EQ(tool({QStringLiteral("import"), good, lib}).code, 1);
    QFile f(lib);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), damaged);
    // The help lists the command.
    r = tool({QStringLiteral("--help")});
    EXPECT_TRUE(r.out.contains("  import IN OUT [--under PATH] [OPTIONS]\n"));
}
