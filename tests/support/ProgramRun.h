#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

// One run of a program under test: its exit status (-1 when it crashed or
// had to be killed) and what it wrote.
struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Waits for a started process to end, killing it (a test failure) after ms.
inline ProgramRun finishProgram(QProcess &process, int ms = 60'000)
{
    ProgramRun run;
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(ms)) {
        process.kill();
        process.waitForFinished(5000);
        ADD_FAILURE() << process.program().toStdString() << " did not finish within " << ms << " ms";
    } else if (process.exitStatus() == QProcess::NormalExit) {
        run.exitCode = process.exitCode();
    }
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

inline ProgramRun runProgram(const QString &program, const QStringList &arguments, int ms = 60'000,
                             const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    return finishProgram(process, ms);
}
