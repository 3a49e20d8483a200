// A spoken side split into the utterances and sound files it is played as.
#include "study/core/spokenparts.h"

#include <gtest/gtest.h>

using namespace brenvik;

namespace {
SpokenPart Say(const char* text) {
    return {SpokenPart::Kind::Speech, QString::fromUtf8(text)};
}
SpokenPart SayIn(const char* text, const char* voice) {
    return {SpokenPart::Kind::Speech, QString::fromUtf8(text), QString::fromUtf8(voice)};
}
SpokenPart Play(const char* name) {
    return {SpokenPart::Kind::Sound, QString::fromUtf8(name)};
}
} // namespace

namespace brenvik {
// Failures name the parts as they would be acted on.
void PrintTo(const SpokenPart& p, std::ostream* os) {
    *os << (p.kind == SpokenPart::Kind::Speech ? "say " : "play ") << p.text.toStdString();
    if (!p.voice.isEmpty()) *os << " in " << p.voice.toStdString();
}
} // namespace brenvik

TEST(SpokenParts, SoundLinesSplitTheSpeechIntoRunsInOrder) {
    using Parts = std::vector<SpokenPart>;
    EXPECT_EQ(SpokenParts({"Hello", "[sound:a.mp3]", "world"}),
              (Parts{Say("Hello"), Play("a.mp3"), Say("world")}));
    // Ordinary lines next to each other stay one utterance, their line breaks kept.
    EXPECT_EQ(SpokenParts({"One", "two", " [Sound: media/b c.wav] ", "three"}),
              (Parts{Say("One\ntwo"), Play("media/b c.wav"), Say("three")}));
    // Two sounds in a row, and sounds at both ends.
    EXPECT_EQ(SpokenParts({"[sound:a.mp3]", "[sound:b.mp3]", "Mid", "[sound:c.mp3]"}),
              (Parts{Play("a.mp3"), Play("b.mp3"), Say("Mid"), Play("c.mp3")}));
    // A voice line is not said; it cuts the run, since what follows has a voice of its own.
    // A bracketed text is still said.
    EXPECT_EQ(SpokenParts({"Uno", "[voice:es]", "dos", "[Hint: the north]"}),
              (Parts{Say("Uno"), SayIn("dos\n[Hint: the north]", "es")}));
}

TEST(SpokenParts, AVoiceLineHoldsForTheRestOfTheSide) {
    using Parts = std::vector<SpokenPart>;
    // Through a sound to the end, until the next voice line.
    EXPECT_EQ(SpokenParts({"Hello", "[voice: Flite kal ]", "Hi", "[sound:a.mp3]", "There",
                           "[Voice:fr]", "Salut"}),
              (Parts{Say("Hello"), SayIn("Hi", "Flite kal"), Play("a.mp3"),
                     SayIn("There", "Flite kal"), SayIn("Salut", "fr")}));
    // Two voice lines in a row: the later holds.
    EXPECT_EQ(SpokenParts({"[voice:es]", "[voice:de]", "Hallo"}), (Parts{SayIn("Hallo", "de")}));
}

TEST(SpokenParts, RunsWithNothingToSayAreLeftOut) {
    using Parts = std::vector<SpokenPart>;
    EXPECT_TRUE(SpokenParts({}).empty());
    EXPECT_TRUE(SpokenParts({" ", "\xe2\x80\xa6", "[voice:fr]"}).empty());
    // Blanks and emoji around a sound are not an utterance to wait for.
    EXPECT_EQ(SpokenParts({"  ", "[sound:a.mp3]", "\xf0\x9f\x98\x80"}), (Parts{Play("a.mp3")}));
    // Stored bytes are read like every node text: UTF-8, else Latin-1.
    EXPECT_EQ(SpokenParts({"Caf\xe9", "[sound:caf\xc3\xa9.ogg]"}),
              (Parts{Say("Caf\xc3\xa9"), Play("caf\xc3\xa9.ogg")}));
    // "[sound:]" names nothing: it is an ordinary line and said as written.
    EXPECT_EQ(SpokenParts({"[sound:]"}), (Parts{Say("[sound:]")}));
}
