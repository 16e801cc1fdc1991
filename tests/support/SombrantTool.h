#pragma once

#include "PedalSimProcess.h"
#include "ProgramRun.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <gtest/gtest.h>

// The sombrant program under test. A D2XX library on this machine is kept
// out of the way, so a named port goes through the serial-port driver.
inline QProcessEnvironment toolEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
#ifdef Q_OS_WIN
    env.insert("SOMBRANT_FTD2XX_LIBRARY", "C:\\nonexistent\\FTD2XX.DLL");
#else
    env.insert("SOMBRANT_FTD2XX_LIBRARY", "/nonexistent/libftd2xx.so");
#endif
    return env;
}

// Standard input is not a terminal (QProcess gives it a pipe) unless
// `standardInput` names one.
inline ProgramRun sombrant(const QStringList &arguments, int ms = 60'000, const QString &standardInput = {})
{
    QProcess process;
    process.setProcessEnvironment(toolEnvironment());
    if (!standardInput.isEmpty())
        process.setStandardInputFile(standardInput);
    process.start(QStringLiteral(SOMBRANT_CLI_PATH), arguments);
    return finishProgram(process, ms);
}

// The tool on a simulator's line.
inline ProgramRun sombrant(Simulator &sim, const QStringList &arguments, const QString &standardInput = {})
{
    return sombrant(QStringList{"--port", sim.path()} + arguments, 60'000, standardInput);
}

// Simulator arguments for a pedal that answers at once.
inline QStringList quick(const QStringList &arguments = {})
{
    return QStringList{"--no-pacing"} + arguments;
}

// The pedal's state as `status --json` reports it. The pedal answers the
// request only after every message sent before it, so what the simulator
// has logged by then includes them all.
inline QJsonObject statusOf(Simulator &sim)
{
    const ProgramRun run = sombrant(sim, {"status", "--json"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    return QJsonDocument::fromJson(run.out.toUtf8()).object();
}

// Lines of a simulator's log that hold `fragment`.
inline int linesWith(const QString &log, const QString &fragment)
{
    int n = 0;
    for (const QString &line : log.split('\n'))
        n += line.contains(fragment) ? 1 : 0;
    return n;
}
