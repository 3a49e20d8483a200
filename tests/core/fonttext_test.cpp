#include "library/colors.h"
#include "library/fonttext.h"

#include <gtest/gtest.h>

#include <climits>

using namespace brenvik;

namespace {

DesktopColorScheme scheme(ColorValue face, ColorValue buttonText, ColorValue window,
                          ColorValue windowText) {
    DesktopColorScheme s;
    s.buttonFace = face;
    s.buttonText = buttonText;
    s.window = window;
    s.windowText = windowText;
    return s;
}

FontSpec font(std::string name, int size, bool b, bool i, bool u, bool s, ColorValue color) {
    FontSpec f;
    f.name = std::move(name);
    f.size = size;
    f.bold = b;
    f.italic = i;
    f.underline = u;
    f.strikeout = s;
    f.color = color;
    return f;
}

} // namespace

TEST(ColorNumbers, BlackOnBlackDesktopIsButtonText) {
    FixedDesktopColors desk(scheme(0xC0C0C0, 0x000000, 0xFFFFFF, 0x000000));
    EXPECT_EQ(ColorToNumber(0x000000, desk), -2);
    EXPECT_EQ(ColorToNumber(0xC0C0C0, desk), -1);
    EXPECT_EQ(ColorToNumber(0xFFFFFF, desk), -3);
    EXPECT_EQ(ColorToNumber(255, desk), 255);
}

TEST(ColorNumbers, WhiteFaceWinsOverWhiteWindow) {
    FixedDesktopColors white(scheme(0xFFFFFF, 0x000000, 0xFFFFFF, 0x101010));
    EXPECT_EQ(ColorToNumber(0xFFFFFF, white), -1);
    // Read back on the same desktop, -1 is that desktop's face colour.
    EXPECT_EQ(NumberToColor(-1, white), 0xFFFFFFu);

    FixedDesktopColors grey(scheme(0xC0C0C0, 0x000000, 0xFFFFFF, 0x101010));
    EXPECT_EQ(ColorToNumber(0xFFFFFF, grey), -3);
    EXPECT_EQ(ColorToNumber(0x101010, grey), -4);
}

TEST(ColorNumbers, NumbersMapToTheCurrentDesktop) {
    FixedDesktopColors desk(scheme(1, 2, 3, 4));
    EXPECT_EQ(NumberToColor(-1, desk), 1u);
    EXPECT_EQ(NumberToColor(-2, desk), 2u);
    EXPECT_EQ(NumberToColor(-3, desk), 3u);
    EXPECT_EQ(NumberToColor(-4, desk), 4u);
    EXPECT_EQ(NumberToColor(16777215, desk), 16777215u);
    EXPECT_EQ(NumberToColor(0, desk), 0u);
}

TEST(ColorNumbers, CustomColorList) {
    DesktopColorScheme s;
    s.activeCaption = 0x0A0B0C;
    s.desktop = 0x000001;
    s.buttonFace = 0xF0F0F0;
    s.buttonHighlight = 0xFFFFFF;
    s.highlight = 0xFF9933;
    s.tooltip = 0xE1FFFF;
    s.scrollBar = 0xC8C8C8;
    s.window = 0xABCDEF;
    s.windowText = 0x000000;
    FixedDesktopColors desk(s);
    EXPECT_EQ(CustomColorList(desk), "ColorA=0A0B0C\nColorB=000001\nColorC=F0F0F0\n"
                                     "ColorD=FFFFFF\nColorE=FF9933\nColorF=E1FFFF\n"
                                     "ColorG=C8C8C8\nColorH=ABCDEF\nColorI=000000");
}

TEST(FontText, ShortAndLongForms) {
    FixedDesktopColors desk(scheme(0xF0F0F0, 0, 0xFFFFFF, 0));
    EXPECT_EQ(FontToText(font("Times New Roman", 14, true, true, true, false, 255), true, desk),
              "Times New Roman, 14, B+I+U, 255");
    EXPECT_EQ(FontToText(font("Arial", 12, false, true, false, true, 0), true, desk),
              "Arial, 12, I+S, -2");
    EXPECT_EQ(FontToText(font("Arial", 10, false, false, false, false, 32768), true, desk),
              "Arial, 10, 32768");
    EXPECT_EQ(FontToText(font("X", 9, true, true, false, true, 0), true, desk), "X, 9, B+I+S, -2");
    EXPECT_EQ(FontToText(font("X", 9, false, false, true, true, 0), true, desk), "X, 9, U+S, -2");
    EXPECT_EQ(FontToText(font("Arial", 14, true, true, true, false, 0), false, desk),
              "Arial, 14, Bold + Italic + Underline");
    EXPECT_EQ(FontToText(font("Arial", 14, false, false, true, true, 0), false, desk),
              "Arial, 14, Underline + Strikeout");
    EXPECT_EQ(FontToText(font("Arial", 14, false, false, false, false, 0), false, desk),
              "Arial, 14");
}

TEST(FontText, EveryWrittenLineReadsBack) {
    FixedDesktopColors desk(scheme(0xF0F0F0, 0x000000, 0xFFFFFF, 0x202020));
    const char* names[] = {"Arial", "Times New Roman", "M+ 1p", "C++ Mono", "B", "I+U"};
    const ColorValue colors[] = {0x000000, 0xF0F0F0, 0xFFFFFF, 0x202020, 255, 32768};
    for (const char* name : names)
        for (int style = 0; style < 16; ++style)
            for (ColorValue c : colors) {
                FontSpec f = font(name, 8 + style, style & 1, style & 2, style & 4, style & 8, c);
                std::string text = FontToText(f, true, desk);
                FontSpec back; // starts bold: reading must clear it
                EXPECT_EQ(ReadFontSpec(text, back, desk).error, "") << text;
                EXPECT_EQ(back, f) << text;
            }
}

TEST(FontText, ReadsEdgeCases) {
    FixedDesktopColors desk(scheme(0xF0F0F0, 0x112233, 0xFFFFFF, 0));
    FontSpec f;
    EXPECT_EQ(ReadFontSpec("M+ 1p, 12, B+I, -2", f, desk).error, "");
    EXPECT_EQ(f, font("M+ 1p", 12, true, true, false, false, 0x112233));

    f = FontSpec{};
    EXPECT_EQ(ReadFontSpec("Arial, 14, -2", f, desk).error, "");
    EXPECT_EQ(f, font("Arial", 14, false, false, false, false, 0x112233));

    FontSpec a, b;
    EXPECT_EQ(ReadFontSpec("Arial ,14 ,B ,0", a, desk).error, "");
    EXPECT_EQ(ReadFontSpec("Arial, 14, B, 0", b, desk).error, "");
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, font("Arial", 14, true, false, false, false, 0));

    // Style letters are exact and case-sensitive; tabs and controls are trimmed.
    f = FontSpec{};
    EXPECT_EQ(ReadFontSpec("\tArial\x01, 14 , b+ I +Bold, 5", f, desk).error, "");
    EXPECT_EQ(f, font("Arial", 14, false, true, false, false, 5));
}

TEST(FontText, CommaInNameIsAConversionError) {
    FixedDesktopColors desk;
    FontSpec f;
    EXPECT_EQ(ReadFontSpec("Foo, Bar, 12, B, -2", f, desk).error,
              "'Bar' is not a valid integer value");
    EXPECT_EQ(f.name, "Foo");
    f = FontSpec{};
    EXPECT_EQ(ReadFontSpec("Arial, 14, B, red", f, desk).error,
              "'red' is not a valid integer value");
    EXPECT_EQ(f.size, 14);
    EXPECT_TRUE(f.bold);
}

TEST(FontText, TwoItemsKeepTheColour) {
    FixedDesktopColors desk;
    FontSpec f;
    f.color = 42;
    EXPECT_EQ(ReadFontSpec("Verdana, 9", f, desk).error, "");
    EXPECT_EQ(f, font("Verdana", 9, false, false, false, false, 42));
}

TEST(Decimal, StrictParse) {
    long long v = 7;
    EXPECT_TRUE(ParseDecimal("0", v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(ParseDecimal("-42", v));
    EXPECT_EQ(v, -42);
    EXPECT_TRUE(ParseDecimal("9223372036854775807", v));
    EXPECT_EQ(v, LLONG_MAX);
    EXPECT_TRUE(ParseDecimal("-9223372036854775808", v));
    EXPECT_EQ(v, LLONG_MIN);
    v = 7;
    for (const char* bad : {"", "-", " 1", "1 ", "+1", "1x", "0x10", "9223372036854775808",
                            "-9223372036854775809", "1.5"})
        EXPECT_FALSE(ParseDecimal(bad, v)) << bad;
    EXPECT_EQ(v, 7);
    EXPECT_EQ(NotAnIntegerMessage("x"), "'x' is not a valid integer value");
}
