// The text importers: any bytes either are refused with a reason or become questions that
// a session can show (pane 1 holds text, the answer is not empty), every question at the
// Question level, and one undo puts the library back byte for byte.
#include "fuzzcheck.h"
#include "import/textimport.h"
#include "importcheck.h"
#include "library/colors.h"
#include "library/demodata.h"
#include "library/librarytree.h"
#include "library/outline.h"
#include "library/questionrecord.h"
#include "library/undostore.h"

#include <QString>
#include <cstdint>
#include <string>

using namespace brenvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FixedDesktopColors desktop;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    LibraryTree tree;
    NewEmptyLibrary(tree, "host", "user");
    UndoStore undo(tree);
    const std::string before = WriteOutline(tree);
    TextImportOptions options;
    // The first byte picks the format and the reversed option, so every reader is reached.
    if (!bytes.empty()) {
        options.read.format = TextFormat(static_cast<unsigned char>(bytes[0]) % 5);
        options.build.reversed = bytes[0] & 0x80;
    }
    const Result<ImportSummary> done = ImportTextBytes(
        tree, undo, tree.first(), bytes, QStringLiteral("fuzz.txt"), options, desktop);
    if (!done) {
        CheckFailedImport(done.error(), tree, undo, before);
        return 0;
    }
    int questions = 0;
    ForEachPreorder(tree, [&](NodeId n, int depth) {
        if (tree.kind(n) != Question) return;
        FUZZ_CHECK(depth == Question);
        QuestionRecord record = QuestionRecord::newRecord(desktop);
        FUZZ_CHECK(ReadQuestionRecord(tree, n, record, desktop).ok());
        FUZZ_CHECK(record.layout == 1 && record.panes[0].content == TextContent);
        FUZZ_CHECK(HasText(record.panes[0].textLines));
        FUZZ_CHECK(HasText({record.answer}));
        ++questions;
    });
    FUZZ_CHECK(questions == done.value().questions && questions > 0);
    CheckWritesBackAndUndoes(tree, undo, before);
    return 0;
}
