// Session options: pause parsing, labels, timer intervals and the settings keys.

#include "library/settingsstore.h"
#include "study/core/sessionoptions.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brenvik;

TEST(SessionOptions, PauseParsingFollowsTheLocaleSeparator) {
    const QLocale c(QLocale::C);
    EXPECT_DOUBLE_EQ(ParsePause(QStringLiteral("0.5"), c).seconds, 0.5);
    EXPECT_FALSE(ParsePause(QStringLiteral("0.5"), c).replaced);
    EXPECT_EQ(ParsePause(QStringLiteral(" 1.0 "), c).text, " 1.0 "); // kept as typed
    EXPECT_DOUBLE_EQ(ParsePause(QStringLiteral(" 1.0 "), c).seconds, 1.0);

    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_DOUBLE_EQ(ParsePause(QStringLiteral("0,5"), german).seconds, 0.5);
    // The defaults are written with "."; a comma locale reads them as they are meant.
    for (const char* text : {"0.5", "1.0"}) {
        const PauseValue dot = ParsePause(QString::fromLatin1(text), german);
        EXPECT_FALSE(dot.replaced) << text;
        EXPECT_EQ(dot.text, QString::fromLatin1(text));
        EXPECT_DOUBLE_EQ(dot.seconds, QString::fromLatin1(text).toDouble());
    }
    // Nor is a thousands-grouped number a pause.
    EXPECT_TRUE(ParsePause(QStringLiteral("1,000"), c).replaced);

    for (const char* bad : {"", " ", "abc", "-2", "-0.1", "1..2", "inf", "nan"}) {
        const PauseValue v = ParsePause(QString::fromLatin1(bad), c);
        EXPECT_TRUE(v.replaced) << bad;
        EXPECT_EQ(v.text, "0") << bad;
        EXPECT_DOUBLE_EQ(v.seconds, 0.0) << bad;
    }
    for (const char* bad : {"1e400", "-1e400", "infinity"}) {
        EXPECT_TRUE(ParsePause(QString::fromLatin1(bad), german).replaced) << bad;
        EXPECT_DOUBLE_EQ(ParsePause(QString::fromLatin1(bad), german).seconds, 0.0) << bad;
    }
}

TEST(SessionOptions, LongPausesAreCappedAtAnHour) {
    const QLocale c(QLocale::C);
    EXPECT_FALSE(ParsePause(QStringLiteral("3600"), c).replaced);
    EXPECT_DOUBLE_EQ(ParsePause(QStringLiteral("3600"), c).seconds, 3600);
    for (const char* big : {"3600.5", "1e9", "99999999999999999999"}) {
        const PauseValue v = ParsePause(QString::fromLatin1(big), c);
        EXPECT_TRUE(v.replaced) << big;
        EXPECT_DOUBLE_EQ(v.seconds, MaxPauseSeconds) << big;
        EXPECT_EQ(v.text, "3600") << big;
        // The capped value is a timer interval that fits.
        EXPECT_EQ(PauseMilliseconds(v.seconds), 3600000) << big;
    }
}

TEST(SessionOptions, LabelsAndIntervals) {
    EXPECT_EQ(PauseLabel(0, true), "seconds before showing the answer");
    EXPECT_EQ(PauseLabel(0.5, true), "second before showing the answer");
    EXPECT_EQ(PauseLabel(1, true), "second before showing the answer");
    EXPECT_EQ(PauseLabel(1.5, true), "seconds before showing the answer");
    EXPECT_EQ(PauseLabel(1, false), "second before showing the next question");
    EXPECT_EQ(PauseLabel(2, false), "seconds before showing the next question");

    EXPECT_EQ(PauseMilliseconds(0), 1);
    EXPECT_EQ(PauseMilliseconds(0.0004), 1);
    EXPECT_EQ(PauseMilliseconds(0.5), 500);
    EXPECT_EQ(PauseMilliseconds(1.2345), 1234); // truncated
    EXPECT_EQ(PauseMilliseconds(1e12), std::numeric_limits<int>::max());
}

TEST(SessionOptions, DefaultsAndSettingsKeys) {
    const SessionOptions imprint = SessionOptions::defaults(OptionSet::Imprint);
    EXPECT_TRUE(imprint.autoAnswer);
    EXPECT_EQ(imprint.pauseBeforeAnswer, "0.5");
    EXPECT_TRUE(imprint.autoNext);
    EXPECT_EQ(imprint.pauseBeforeNext, "0.5");
    EXPECT_TRUE(imprint.alternate);
    EXPECT_FALSE(imprint.loop);
    const SessionOptions flash = SessionOptions::defaults(OptionSet::Flash);
    EXPECT_EQ(flash.pauseBeforeAnswer, "1.0");
    EXPECT_EQ(flash.pauseBeforeNext, "0.5");
    EXPECT_FALSE(flash.alternate);

    // A store without a file gives the defaults.
    SettingsStore defaults;
    EXPECT_EQ(LoadSessionOptions(defaults, OptionSet::Imprint), imprint);
    EXPECT_EQ(LoadSessionOptions(defaults, OptionSet::Flash), flash);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString ini = dir.filePath(QStringLiteral("settings.ini"));
    SessionOptions changed = flash;
    changed.autoAnswer = false;
    changed.pauseBeforeAnswer = QStringLiteral("2");
    changed.pauseBeforeNext = QStringLiteral("abc"); // stored as typed
    changed.loop = true;
    changed.alternate = true; // not a flash option: not stored
    {
        SettingsStore store(ini);
        SaveSessionOptions(store, OptionSet::Flash, changed);
        ASSERT_EQ(store.flush().error, "");
    }
    SettingsStore store(ini);
    EXPECT_EQ(store.ReadInteger("flash", "autoa", 1), 0);
    EXPECT_EQ(store.ReadText("flash", "pauseq", ""), "2");
    EXPECT_EQ(store.ReadInteger("flash", "loop", 0), 1);
    EXPECT_EQ(store.ReadInteger("flash", "alternate", -7), -7);
    EXPECT_EQ(store.ReadInteger("imprint", "alternate", -7), -7);
    SessionOptions back = LoadSessionOptions(store, OptionSet::Flash);
    changed.alternate = false;
    EXPECT_EQ(back, changed);
    // The imprint section is untouched.
    EXPECT_EQ(LoadSessionOptions(store, OptionSet::Imprint), imprint);
}
