#include "platform/instanceguard.h"
#include "tests/gui/waituntil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>

using namespace brenvik;

namespace {

// Reads a helper process's stdout until `word` appears on a line.
bool waitForLine(QProcess& p, const QByteArray& word, int timeoutMs) {
    QByteArray seen;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutMs) {
        p.waitForReadyRead(50);
        seen += p.readAllStandardOutput();
        if (seen.split('\n').contains(word)) return true;
        if (p.state() == QProcess::NotRunning) return false;
    }
    return false;
}

using Lock = InstanceGuard::Lock;

// Whether an acquire ended in `expected`; a failed one shows the guard's error.
testing::AssertionResult is(Lock expected, const Result<Lock>& lock) {
    if (!lock) return testing::AssertionFailure() << lock.error();
    if (lock.value() != expected)
        return testing::AssertionFailure() << (expected == Lock::Held ? "busy" : "held");
    return testing::AssertionSuccess();
}

} // namespace

TEST(InstanceGuard, OneHolderPerFolderAndFoldersAreIndependent) {
    QTemporaryDir a, b;
    ASSERT_TRUE(a.isValid() && b.isValid());
    EXPECT_NE(InstanceGuard::keyFor(a.path()), InstanceGuard::keyFor(b.path()));
    EXPECT_EQ(InstanceGuard::keyFor(a.path()), InstanceGuard::keyFor(a.path() + "/"));

    InstanceGuard first, second, other;
    ASSERT_TRUE(is(Lock::Held, first.tryAcquire(a.path())));
    EXPECT_TRUE(first.holdsLock());
    EXPECT_TRUE(is(Lock::Busy, second.tryAcquire(a.path())));
    EXPECT_FALSE(second.holdsLock());
    EXPECT_TRUE(is(Lock::Held, other.tryAcquire(b.path())));
    EXPECT_TRUE(other.holdsLock());

    // The second start asks the first to raise its window; only the first hears it.
    int raisedFirst = 0, raisedOther = 0;
    QObject::connect(&first, &InstanceGuard::raiseRequested, [&] { ++raisedFirst; });
    QObject::connect(&other, &InstanceGuard::raiseRequested, [&] { ++raisedOther; });
    EXPECT_TRUE(second.notifyFirstInstance(a.path(), 2000));
    EXPECT_TRUE(waitUntil([&] { return raisedFirst == 1; }, 3000));
    QCoreApplication::processEvents();
    EXPECT_EQ(raisedOther, 0);

    first.release();
    EXPECT_TRUE(is(Lock::Held, second.tryAcquire(a.path())));
    EXPECT_TRUE(second.holdsLock());
    EXPECT_FALSE(first.notifyFirstInstance(b.path() + "/nobody-here", 300));
}

TEST(InstanceGuard, LockOfAKilledProcessIsReleased) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--hold-instance-lock"), dir.path()});
    ASSERT_TRUE(holder.waitForStarted(5000));
    ASSERT_TRUE(waitForLine(holder, "locked", 10000)) << holder.readAllStandardError().data();

    InstanceGuard guard;
    EXPECT_TRUE(is(Lock::Busy, guard.tryAcquire(dir.path())));
    // The raise request crosses processes too.
    EXPECT_TRUE(guard.notifyFirstInstance(dir.path(), 2000));
    EXPECT_TRUE(waitForLine(holder, "raised", 5000));

    ::kill(pid_t(holder.processId()), SIGKILL);
    ASSERT_TRUE(holder.waitForFinished(5000));
    EXPECT_EQ(holder.exitStatus(), QProcess::CrashExit);

    // No clean-up ran in the holder, yet the lock and the listening name are free again.
    // Held without an error: the stale listening name is taken over too.
    EXPECT_TRUE(is(Lock::Held, guard.tryAcquire(dir.path())));
    EXPECT_TRUE(guard.holdsLock());
    int raised = 0;
    QObject::connect(&guard, &InstanceGuard::raiseRequested, [&] { ++raised; });
    InstanceGuard later;
    EXPECT_TRUE(is(Lock::Busy, later.tryAcquire(dir.path())));
    EXPECT_TRUE(later.notifyFirstInstance(dir.path(), 2000));
    EXPECT_TRUE(waitUntil([&] { return raised == 1; }, 3000));
}
