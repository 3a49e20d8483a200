// The font text reader: a font it reads is written in the short form, which reads back as
// the same font and writes the same text again.
#include "fuzzcheck.h"
#include "library/colors.h"
#include "library/fonttext.h"

#include <cstdint>
#include <string>

using namespace brenvik;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const FixedDesktopColors desktop;
    const std::string text(reinterpret_cast<const char*>(data), size);
    FontSpec font;
    const Status read = ReadFontSpec(text, font, desktop);
    FontToText(font, false, desktop); // the long form never fails either
    if (!read) return 0;
    const std::string written = FontToText(font, true, desktop);
    FontSpec again;
    FUZZ_CHECK(ReadFontSpec(written, again, desktop).ok());
    FUZZ_CHECK(again == font);
    FUZZ_CHECK(FontToText(again, true, desktop) == written);
    return 0;
}
