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

// What a program wrote, as text. A Windows program's standard output and
// error are text streams that end each line in "\r\n"; they are compared as
// lines ending in "\n", as on Unix, where a "\r" a program writes stays.
inline QString programText(const QByteArray &bytes)
{
    QString text = QString::fromLocal8Bit(bytes);
#ifdef Q_OS_WIN
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
    return text;
}

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
    run.out = programText(process.readAllStandardOutput());
    run.err = programText(process.readAllStandardError());
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
