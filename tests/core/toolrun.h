#pragma once

// Runs the command-line tool as a user would, for the tests of its commands.
#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <functional>

struct ToolRun {
    int code = -1; // -1 when it did not end normally
    bool crashed = false;
    QByteArray out, err;
};

// `limits` runs in the child before the tool starts (resource limits it inherits).
inline ToolRun RunTool(const QStringList& args, int timeoutMs = 60000,
                       const std::function<void()>& limits = {}) {
    QProcess p;
    if (limits) p.setChildProcessModifier(limits);
    p.start(QStringLiteral(BRENVIK_TOOL), args);
    ToolRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.crashed = true;
        return r;
    }
    r.crashed = p.exitStatus() != QProcess::NormalExit;
    r.code = r.crashed ? -1 : p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}
