// The study display's arithmetic: rounding, pane geometry, text placement, picture fit,
// the editor's proportions strips, shell targets and the study window's clock texts; and
// the text handed to the speech engine.
#include "study/core/clocktext.h"
#include "study/core/mymath.h"
#include "study/core/panegeometry.h"
#include "study/core/proportions.h"
#include "study/core/shelltarget.h"
#include "study/core/speechtext.h"

#include <gtest/gtest.h>

#include <limits>
#include <numeric>

using namespace brenvik;

namespace {
using Rects = std::vector<PixelRect>;
using Props = std::array<std::string, 4>;

Props WithProportions(const std::string& two, const std::string& three) {
    return {"unused", "unused", two, three};
}
} // namespace

TEST(StudyCore, RoundingIsHalfAwayFromZeroAndClamped) {
    EXPECT_EQ(RoundHalfAway(2.5), 3);
    EXPECT_EQ(RoundHalfAway(-2.5), -3);
    EXPECT_EQ(RoundHalfAway(2.4999), 2);
    EXPECT_EQ(RoundHalfAway(-0.4), 0);
    EXPECT_EQ(RoundHalfAway(0), 0);
    EXPECT_EQ(RoundHalfAway(98.66), 99);
    EXPECT_EQ(RoundHalfAway(1e20), std::numeric_limits<int>::max());
    EXPECT_EQ(RoundHalfAway(-1e20), std::numeric_limits<int>::min());
    EXPECT_EQ(RoundHalfAway(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(StudyCore, LayoutPercentReadsEntriesWithEitherSeparator) {
    const QLocale c(QLocale::C), german(QLocale::German, QLocale::Germany);
    EXPECT_DOUBLE_EQ(LayoutPercent("40%", 0, c), 40);
    EXPECT_DOUBLE_EQ(LayoutPercent("40%", 1, c), 0); // missing entry
    EXPECT_DOUBLE_EQ(LayoutPercent("33%, 33%", 0, c), 33.33);
    EXPECT_DOUBLE_EQ(LayoutPercent("33%, 33%", 1, c), 33.33);
    EXPECT_DOUBLE_EQ(LayoutPercent("67%", 0, c), 66.66);
    EXPECT_DOUBLE_EQ(LayoutPercent("33.0%", 0, c), 33.33); // exactly 33
    EXPECT_DOUBLE_EQ(LayoutPercent("33.5%", 0, c), 33.5);
    EXPECT_DOUBLE_EQ(LayoutPercent("40.5%", 0, german), 40.5);
    EXPECT_DOUBLE_EQ(LayoutPercent(" 25% ,  50%", 1, c), 50);
    for (const char* bad : {"", "unused", "abc%", "nan%", "inf", "1e400%"})
        EXPECT_DOUBLE_EQ(LayoutPercent(bad, 0, c), 0) << bad;
    EXPECT_DOUBLE_EQ(LayoutPercent("40%", -1, c), 0);
}

TEST(StudyCore, PaneRectanglesOfTheThreeLayouts) {
    const Props props = WithProportions("40%", "33%, 33%");
    EXPECT_EQ(PaneRects(1, props, 1000, 500), (Rects{{0, 0, 1000, 500}}));
    // 40 x 980 x 0.01 = 392, a 20-pixel gap, the rest.
    EXPECT_EQ(PaneRects(2, props, 1000, 500), (Rects{{0, 0, 392, 500}, {412, 0, 588, 500}}));
    // 33.33 x 1000 x 0.01 = 333.3 for panes 1 and 2; pane 3 takes the remainder.
    EXPECT_EQ(PaneRects(3, props, 1040, 500),
              (Rects{{0, 0, 333, 500}, {353, 0, 333, 500}, {706, 0, 334, 500}}));
    // One entry for layout 3: the second share is 0.
    EXPECT_EQ(PaneRects(3, WithProportions("40%", "50%"), 1040, 500),
              (Rects{{0, 0, 500, 500}, {520, 0, 0, 500}, {540, 0, 500, 500}}));
    // Layouts outside 1..3 are shown as layout 1.
    for (long long layout : {0LL, 4LL, -1LL, 1LL << 40})
        EXPECT_EQ(PaneRects(layout, props, 300, 200), (Rects{{0, 0, 300, 200}})) << layout;
}

TEST(StudyCore, PaneWidthsAreNeverNegativeNorPastTheArea) {
    const auto check = [](const Rects& rects, int w) {
        for (const PixelRect& r : rects) {
            EXPECT_GE(r.width, 0);
            EXPECT_GE(r.left, 0);
            EXPECT_LE(r.left + r.width, w);
        }
    };
    const Rects over = PaneRects(2, WithProportions("150%", ""), 1000, 500);
    EXPECT_EQ(over, (Rects{{0, 0, 980, 500}, {1000, 0, 0, 500}}));
    EXPECT_EQ(PaneRects(2, WithProportions("-10%", ""), 1000, 500),
              (Rects{{0, 0, 0, 500}, {20, 0, 980, 500}}));
    const Rects three = PaneRects(3, WithProportions("", "80%, 50%"), 1040, 500);
    EXPECT_EQ(three, (Rects{{0, 0, 800, 500}, {820, 0, 200, 500}, {1040, 0, 0, 500}}));
    for (int w : {0, 10, 25, 45, 1040})
        for (const char* text : {"33%, 33%", "150%, 150%", "-50%, 200%", "x, y", ""}) {
            check(PaneRects(3, WithProportions(text, text), w, 100), w);
            check(PaneRects(2, WithProportions(text, text), w, 100), w);
        }
    EXPECT_EQ(PaneRects(1, {}, -5, -5), (Rects{{0, 0, 0, 0}}));
}

TEST(StudyCore, TextPlacementTable) {
    TextMeasure m;
    const auto place = [&m](int tw, int th, bool centred = true, int w = 200, int h = 100,
                            bool shallow = false, bool deep = false) {
        m.textWidth = tw;
        m.textHeight = th;
        return PlaceText(w, h, shallow, deep, centred, m);
    };
    const TextPlacement both{{0, 0, 200, 100}, true, true};
    EXPECT_EQ(place(300, 150), both); // too wide and too high
    EXPECT_EQ(place(300, 90), both);  // no room for the bar
    EXPECT_EQ(place(300, 50), (TextPlacement{{0, 25, 200, 75}, true, false}));   // horizontal
    EXPECT_EQ(place(120, 50), (TextPlacement{{40, 25, 120, 75}, false, false})); // fits
    EXPECT_EQ(place(121, 51), (TextPlacement{{39, 24, 121, 76}, false, false})); // halves truncate
    EXPECT_EQ(place(190, 150), both); // no room for the vertical bar
    EXPECT_EQ(place(120, 150, true), (TextPlacement{{0, 0, 200, 100}, false, true}));
    EXPECT_EQ(place(120, 150, false), (TextPlacement{{40, 0, 160, 100}, false, true}));

    // Borders: inset d = 2 x deep + shallow, offset o = shallow x d.
    EXPECT_EQ(place(120, 50, true, 200, 100, true, false),
              (TextPlacement{{40, 25, 120, 74}, false, false}));
    EXPECT_EQ(place(120, 50, true, 200, 100, false, true),
              (TextPlacement{{38, 23, 120, 73}, false, false}));
    EXPECT_EQ(place(120, 50, true, 200, 100, true, true),
              (TextPlacement{{40, 25, 120, 70}, false, false}));
    EXPECT_EQ(place(300, 150, true, 200, 100, true, true),
              (TextPlacement{{3, 3, 194, 94}, true, true}));

    // Panels with no room at all give empty views, never negative sizes.
    for (int size : {0, 1, 2, -7})
        for (bool shallow : {false, true})
            for (bool deep : {false, true})
                for (bool centred : {false, true}) {
                    const TextPlacement p = place(10, 10, centred, size, size, shallow, deep);
                    EXPECT_GE(p.rect.width, 0);
                    EXPECT_GE(p.rect.height, 0);
                }
}

TEST(StudyCore, PicturesKeepTheirAspectRatio) {
    EXPECT_EQ(FitImage(400, 100, 200, 200), (PixelRect{0, 75, 200, 50}));
    EXPECT_EQ(FitImage(100, 400, 200, 200), (PixelRect{75, 0, 50, 200}));
    EXPECT_EQ(FitImage(200, 100, 400, 200), (PixelRect{0, 0, 400, 200})); // same ratio
    EXPECT_EQ(FitImage(3, 2, 100, 100), (PixelRect{0, 16, 100, 67}));     // 66.67 rounds up
    // Products beyond the int range still compare right.
    EXPECT_EQ(FitImage(100000, 1, 100000, 100000), (PixelRect{0, 49999, 100000, 1}));
    EXPECT_EQ(FitImage(0, 100, 200, 150), (PixelRect{0, 0, 200, 150}));
    EXPECT_EQ(FitImage(100, -1, 200, 150), (PixelRect{0, 0, 200, 150}));
    EXPECT_EQ(FitImage(100, 100, 0, 150), (PixelRect{0, 0, 0, 150}));
    EXPECT_EQ(FitImage(100, 100, -3, -3), (PixelRect{0, 0, 0, 0}));
}

TEST(StudyCore, ProportionsStripWidthsAndPercentages) {
    EXPECT_EQ(ProportionToWidth("40%", 0, TwoPaneStripWidth), 118);
    EXPECT_EQ(WidthToPercent(118, TwoPaneStripWidth), "40%");
    EXPECT_EQ(ProportionToWidth("67%", 0, TwoPaneStripWidth), 197);
    EXPECT_EQ(WidthToPercent(197, TwoPaneStripWidth), "67%");
    EXPECT_EQ(ProportionToWidth("33%", 0, TwoPaneStripWidth), 99);
    EXPECT_EQ(WidthToPercent(99, TwoPaneStripWidth), "33%");
    for (int k : {0, 1})
        EXPECT_EQ(ProportionToWidth("33%, 33%", k, ThreePaneStripWidth), 97);
    EXPECT_EQ(WidthToPercent(97, ThreePaneStripWidth), "33%");
    EXPECT_EQ(ProportionToWidth("", 0, TwoPaneStripWidth), 148);
    EXPECT_EQ(ProportionToWidth("33%", 1, ThreePaneStripWidth), 148);
    // Not a whole number: read as the decimal number it is (119.88 pixels).
    EXPECT_EQ(ProportionToWidth("40.5%", 0, TwoPaneStripWidth), 120);
    EXPECT_EQ(ProportionToWidth("abc", 0, TwoPaneStripWidth), 0);
    EXPECT_EQ(ProportionToWidth("250%", 0, TwoPaneStripWidth), TwoPaneStripWidth);
    EXPECT_EQ(WidthToPercent(10, 0), "0%");
}

TEST(StudyCore, StripsGiveNoPaneUnderTheMinimum) {
    using W = std::vector<int>;
    EXPECT_EQ(StripWidthsFromText("40%", 2, 296), (W{118, 178}));
    EXPECT_EQ(StripWidthsFromText("", 2, 296), (W{148, 148}));
    EXPECT_EQ(StripWidthsFromText("33%, 33%", 3, 291), (W{97, 97, 97}));
    EXPECT_EQ(StripWidthsFromText("33%", 3, 291), (W{97, 148, 46}));
    // The 148-pixel fallbacks would leave the last pane at -5: the middle pane gives way.
    EXPECT_EQ(StripWidthsFromText("", 3, 291), (W{148, 128, 15}));
    EXPECT_EQ(StripWidthsFromText("50%", 3, 291), (W{146, 130, 15}));
    EXPECT_EQ(StripWidthsFromText("99%", 2, 296), (W{281, 15}));
    EXPECT_EQ(StripWidthsFromText("1%", 2, 296), (W{15, 281}));
    EXPECT_EQ(StripWidthsFromText("100%, 100%", 3, 291), (W{261, 15, 15}));
    EXPECT_EQ(StripWidthsFromText("0%, 0%", 3, 291), (W{15, 15, 261}));
    for (const char* text : {"", "x", "40%", "-5%, 300%", "33%, 33%", "7%, 1%", "97%"})
        for (int panes : {2, 3})
            for (int total : {0, 20, 40, 291, 296}) {
                const W w = StripWidthsFromText(text, panes, total);
                ASSERT_EQ(int(w.size()), panes);
                EXPECT_EQ(std::accumulate(w.begin(), w.end(), 0), total) << text;
                for (int x : w)
                    EXPECT_GE(x, total >= 15 * panes ? 15 : 0) << text << " " << total;
            }
}

TEST(StudyCore, ShellTargetsOnThisDesktop) {
    const auto local = [](const char* address, const char* path) {
        const ShellTargetResult r = ShellTarget(QString::fromUtf8(address));
        EXPECT_TRUE(r.localFile) << address;
        EXPECT_EQ(r.target, QString::fromUtf8(path)) << address;
    };
    local("FILE:///home/u/a.html", "/home/u/a.html");
    local("  file:/tmp/a.html ", "/tmp/a.html");
    local("File://///x", "/x");
    local("file://localhost/tmp/a", "/tmp/a");
    local("file:///home/u/My%20Page.html", "/home/u/My Page.html");
    for (const char* address : {"  http://x/y ", "https://a/b\\c", "C:\\x\\y.htm", ""}) {
        const ShellTargetResult r = ShellTarget(QString::fromUtf8(address));
        EXPECT_FALSE(r.localFile) << address;
        EXPECT_EQ(r.target, QString::fromUtf8(address).trimmed()); // no slash turned around
    }
}

TEST(StudyCore, ClockTextsAtTheEdges) {
    EXPECT_EQ(ElapsedText(1), "Time elapsed is 00:00.01 ");
    EXPECT_EQ(ElapsedText(65), "Time elapsed is 00:01.05 ");
    EXPECT_EQ(ElapsedText(3661), "Time elapsed is 01:01.01 ");
    EXPECT_EQ(ElapsedText(360000), "Time elapsed is 100:00.00 ");
    EXPECT_EQ(ClockText(QTime(0, 0, 0)), "Current time is 12:00.00 AM ");
    EXPECT_EQ(ClockText(QTime(0, 59, 59)), "Current time is 12:59.59 AM ");
    EXPECT_EQ(ClockText(QTime(11, 59, 59)), "Current time is 11:59.59 AM ");
    EXPECT_EQ(ClockText(QTime(12, 0, 0)), "Current time is 12:00.00 PM ");
    EXPECT_EQ(ClockText(QTime(13, 5, 9)), "Current time is 1:05.09 PM ");
    EXPECT_EQ(ClockText(QTime(23, 59, 59)), "Current time is 11:59.59 PM ");
    EXPECT_EQ(ClockText(QTime()), "Current time is 12:00.00 AM ");
    EXPECT_EQ(ElapsedText(-5), "Time elapsed is 00:00.00 ");
}

TEST(StudyCore, SpeakableTextKeepsEveryScriptAndDropsOnlyControls) {
    const auto u = [](const char* utf8) { return QString::fromUtf8(utf8); };
    // Accented letters and other scripts reach the engine whole.
    for (const char* text :
         {"\xc2\xbf"
          "D\xc3\xb3nde est\xc3\xa1 la estaci\xc3\xb3n?",
          "\xc3\x85ngstr\xc3\xb6m", "\xe6\x9d\xb1\xe4\xba\xac\xe9\xa7\x85",
          "\xd0\x9c\xd0\xbe\xd1\x81\xd0\xba\xd0\xb2\xd0\xb0", "Caf\xc3\xa9 \xf0\x9f\x98\x80 ok"}) {
        EXPECT_EQ(SpeakableText(u(text)), u(text)) << text;
        EXPECT_TRUE(HasSpeakableText(SpeakableText(u(text)))) << text;
    }
    // Control characters go, wherever they stand; tabs and line breaks part the words.
    EXPECT_EQ(SpeakableText(u("\x01"
                              "Tok\x07yo\x1b\tnext\r\nline\x7f\xc2\x85")),
              u("Tokyo\tnext\r\nline"));
    // A lone surrogate cannot be handed on as UTF-8.
    QString broken = QStringLiteral("ab");
    broken.insert(1, QChar(0xD83D));
    EXPECT_EQ(SpeakableText(broken), QStringLiteral("ab"));
    EXPECT_EQ(SpokenLinesText({"\xc2\xbf"
                               "D\xc3\xb3nde?",
                               "\xe6\x9d\xb1\xe4\xba\xac"}),
              u("\xc2\xbf"
                "D\xc3\xb3nde?\n\xe6\x9d\xb1\xe4\xba\xac"));
    // A library written in Windows-1252 is read as such, not as broken UTF-8.
    EXPECT_EQ(SpokenLinesText({"Caf\xe9"}), u("Caf\xc3\xa9"));
}

TEST(StudyCore, OnlyLettersDigitsAndVisibleAsciiCountAsSomethingToSay) {
    const auto has = [](const char* utf8) {
        return HasSpeakableText(SpeakableText(QString::fromUtf8(utf8)));
    };
    // Blanks and controls were never speech, nor are they now.
    EXPECT_FALSE(has(""));
    EXPECT_FALSE(has(" \t\r\n  "));
    EXPECT_FALSE(has("\x01\x02 \x7f"));
    // Any visible ASCII character still counts, as before.
    EXPECT_TRUE(has("?"));
    EXPECT_TRUE(has("  7 "));
    // Blanks, punctuation and symbols of other scripts, and emoji, are nothing to say.
    EXPECT_FALSE(has("\xc2\xa0\xe3\x80\x80\xe2\x80\x83")); // no-break, ideographic, em space
    EXPECT_FALSE(has("\xc2\xbf\xc2\xa1 \xe2\x80\xa6 \xe3\x80\x82")); // inverted marks, ellipsis
    EXPECT_FALSE(has("\xf0\x9f\x98\x80\xf0\x9f\x8e\x89"));           // emoji
    EXPECT_FALSE(has("\xe2\x82\xac \xc2\xa9 \xe2\x98\x85 \xe2\x86\x92")); // currency, signs, arrows
    EXPECT_TRUE(SpokenLinesText({"\xf0\x9f\x98\x80", " ", "\xe2\x80\xa6"}).isEmpty());
    // But a single letter or digit of any script is.
    EXPECT_TRUE(has("\xc3\xa9"));
    EXPECT_TRUE(has("\xe6\x97\xa5"));     // CJK ideograph
    EXPECT_TRUE(has("\xe3\x81\x82"));     // hiragana
    EXPECT_TRUE(has("\xd9\xa3"));         // Arabic-Indic digit three
    EXPECT_TRUE(has("\xf0\x9d\x90\x80")); // a letter outside the basic plane
}

TEST(StudyCore, DirectiveLinesAreNotSpokenAndAloneAreNothingToSay) {
    const auto directive = [](const char* line) {
        const auto d = ParseDirectiveLine(QString::fromUtf8(line));
        return d ? d->name + "=" + d->value : QStringLiteral("-");
    };
    EXPECT_EQ(directive("[sound:paris.mp3]"), "sound=paris.mp3");
    EXPECT_EQ(directive("  [Voice: Flite kal ]\r"), "voice=Flite kal");
    EXPECT_EQ(directive("[voice:es]"), "voice=es");
    // Only the known names, a whole line, and a value: anything else is speech.
    EXPECT_EQ(directive("[Hint: the north]"), "-");
    EXPECT_EQ(directive("[sound:]"), "-");
    EXPECT_EQ(directive("Say [sound:a.mp3] now"), "-");
    EXPECT_EQ(directive("[sound:a]b]"), "-");

    EXPECT_EQ(SpeakableText("[sound:a.mp3]\nParis\n [voice:fr] \n\nLyon"),
              QStringLiteral("Paris\n\nLyon"));
    EXPECT_EQ(SpeakableText("[Hint: the north]\nOslo"), QStringLiteral("[Hint: the north]\nOslo"));
    EXPECT_TRUE(SpokenLinesText({"[sound:a.mp3]", "  ", "[voice:es]"}).isEmpty());
    EXPECT_EQ(SpokenLinesText({"[voice:es]", "\xc2\xbf"
                                             "D\xc3\xb3nde?"}),
              QString::fromUtf8("\xc2\xbf"
                                "D\xc3\xb3nde?"));
}
