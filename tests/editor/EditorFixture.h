#pragma once

#include "ManualClock.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "app/EditorWindows.h"
#include "app/LogRelay.h"
#include "device/D2XXUnit.h"
#include "device/SimulatedPedalDriver.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// The editor's six windows on the offscreen platform, with the simulated
// pedal, scripted prompts and a temporary Documents folder.
class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(documents.isValid());
        documentsPath = documents.path();
    }

    void start()
    {
        windows = std::make_unique<EditorWindows>(
            EditorServices{transport, prompts, relay, clock, documentsPath}, relay);
    }

    QTemporaryDir documents;
    QString documentsPath;
    ScriptedPrompts prompts;
    ManualClock clock;
    SimulatedPedalDriver driver{clock.microseconds()};
    D2XXUnit transport{driver, prompts};
    LogRelay relay;
    std::unique_ptr<EditorWindows> windows;
};
