// The real sound player on this machine: a short file ends in `finished`, or, without a
// sound output, in `failed`; either way once, promptly, and never from inside play().
#include "platform/soundplayer.h"
#include "waituntil.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

// A mono 16-bit PCM file of `ms` milliseconds of silence.
bool WriteSilentWav(const QString& path, int ms) {
    const quint32 rate = 8000, samples = rate * quint32(ms) / 1000, data = samples * 2;
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QDataStream out(&f);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + data);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << quint32(rate * 2) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << data;
    const QByteArray silence(int(data), '\0');
    out.writeRawData(silence.constData(), int(silence.size()));
    return out.status() == QDataStream::Ok;
}

// What a player reported, with the play numbers its signals carried.
struct Reports {
    explicit Reports(SoundPlayer& p) {
        QObject::connect(&p, &SoundPlayer::finished, &p, [this](int n) { finished << n; });
        QObject::connect(&p, &SoundPlayer::failed, &p, [this](int n, const QString& why) {
            failed << n;
            reasons << why;
        });
    }
    int count() const { return int(finished.size() + failed.size()); }
    QList<int> finished, failed;
    QStringList reasons;
};

// Well past the bound a stalled play is given (a few seconds), well short of a hang.
constexpr int PromptlyMs = 12000;

TEST(SoundPlayer, AShortFileEndsOnceAndPromptlyWhetherOrNotThereIsASoundOutput) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wav = dir.filePath(QStringLiteral("tick.wav"));
    ASSERT_TRUE(WriteSilentWav(wav, 200));
    MediaSoundPlayer player;
    Reports reports(player);
    const int n = player.play(wav);
    EXPECT_EQ(reports.count(), 0); // queued, never from inside play()
    ASSERT_TRUE(waitUntil([&] { return reports.count() > 0; }, PromptlyMs))
        << "the play neither finished nor failed";
    QTest::qWait(300);
    ASSERT_EQ(reports.count(), 1);
    if (!reports.failed.isEmpty()) {
        // No sound output here: the failure says why.
        EXPECT_EQ(reports.failed.front(), n);
        EXPECT_FALSE(reports.reasons.front().isEmpty());
        std::cout << "[ played   ] failed: " << reports.reasons.front().toStdString() << "\n";
    } else {
        EXPECT_EQ(reports.finished.front(), n);
        std::cout << "[ played   ] finished\n";
    }
}

TEST(SoundPlayer, MissingAndUndecodableFilesFailAndAStoppedPlayReportsNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    MediaSoundPlayer player;
    Reports reports(player);

    const int missing = player.play(dir.filePath(QStringLiteral("none.mp3")));
    EXPECT_EQ(reports.count(), 0);
    ASSERT_TRUE(waitUntil([&] { return reports.count() > 0; }, 1000));
    EXPECT_EQ(reports.failed, QList<int>{missing});
    EXPECT_EQ(reports.reasons, QStringList{QStringLiteral("no such file")});

    QFile noise(dir.filePath(QStringLiteral("noise.wav")));
    ASSERT_TRUE(noise.open(QIODevice::WriteOnly));
    noise.write(QByteArray(3000, '\x5a'));
    noise.close();
    const int undecodable = player.play(noise.fileName());
    ASSERT_TRUE(waitUntil([&] { return reports.count() > 1; }, PromptlyMs));
    EXPECT_EQ(reports.failed, (QList<int>{missing, undecodable}));
    EXPECT_TRUE(reports.finished.isEmpty());

    // Stopped at once, and cut off by the next play: neither reports anything.
    const QString wav = dir.filePath(QStringLiteral("tick.wav"));
    ASSERT_TRUE(WriteSilentWav(wav, 100));
    player.play(wav);
    player.stop();
    player.play(wav);
    const int last = player.play(dir.filePath(QStringLiteral("none.mp3")));
    ASSERT_TRUE(waitUntil([&] { return reports.count() > 2; }, 1000));
    QTest::qWait(500);
    EXPECT_EQ(reports.count(), 3);
    EXPECT_EQ(reports.failed.last(), last);
}

} // namespace
