#pragma once

#include "FakeFtd2xx.h"
#include "ManualClock.h"
#include "QtPrinters.h"
#include "RecordingLog.h"
#include "ScriptedPrompts.h"
#include "app/EditorWindows.h"
#include "app/LogRelay.h"
#include "app/TformMain.h"
#include "app/TformPrint.h"
#include "device/D2XXUnit.h"
#include "device/D2xxLibraryDriver.h"
#include "device/SimulatedPedalDriver.h"
#include "model/PedalSetup.h"
#include "params/TformFXsettings.h"

#include <QAction>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// The editor's six windows on the offscreen platform, with scripted prompts,
// manual time and a temporary Documents folder. The pedal is the simulated
// one unless a test asks for the stand-in D2XX library, whose devices and
// replies it scripts.
class EditorFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(documents.isValid());
        documentsPath = documents.path();
    }

    // Switches to the stand-in library, with no devices until the test adds some.
    void useStandIn()
    {
        QString error;
        ASSERT_TRUE(fake.complete()) << error;
        fake.reset();
        standIn = std::make_unique<D2xxLibraryDriver>(QStringLiteral(SOMBRANT_FAKE_FTD2XX_PATH));
        ASSERT_TRUE(standIn->load(&error)) << error;
        activeDriver = standIn.get();
    }

    void start()
    {
        transport = std::make_unique<D2XXUnit>(*activeDriver, prompts);
        windows = std::make_unique<EditorWindows>(
            EditorServices{*transport, prompts, relay, clock, documentsPath}, relay);
    }

    // The stand-in's pedal answers once with `reply`, at the first step of
    // time at least afterMs from now: after the request, in the editor's
    // pause or wait. Until then the receive queue holds nothing to purge.
    void answerOnce(const QByteArray &reply, std::int64_t afterMs = 1)
    {
        const std::int64_t at = clock.now + std::max<std::int64_t>(afterMs, 1);
        auto pending = std::make_shared<bool>(true);
        clock.onAdvance = [this, reply, at, pending](std::int64_t now) {
            fake.setTime(now);
            if (*pending && now >= at) {
                *pending = false;
                fake.push(0, reply);
            }
        };
    }

    // Starts the editor, opens the first effect's parameter window and, when
    // asked, connects to the simulated pedal.
    void open(bool connect = true)
    {
        start();
        main = windows->formMain.get();
        fx = windows->formFXsettings.get();
        main->show();
        QListWidget *list = main->lstEffects;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
        ASSERT_TRUE(fx->isVisible());
        if (connect)
            main->menuConnect->trigger();
    }
    // Starts the editor with the simulated pedal powered up in its
    // bootloader (with `faults`, running `firmwareVersion` when not -1) and
    // connects in upgrade mode, as a user about to upgrade does.
    void connectToBootloader(const QStringList &faults = {}, int firmwareVersion = -1)
    {
        PedalSetup setup;
        setup.bootloader = true;
        setup.firmwareVersion = firmwareVersion;
        setup.faults = faults;
        QString error;
        ASSERT_TRUE(driver.configure(setup, &error)) << error.toStdString();
        start();
        windows->formMain->menuFirmwareUpgradeMode->trigger();
        windows->formMain->menuConnect->trigger();
    }
    // Lets the simulated line carry what was written and the pedal act on it.
    const PedalState &settle()
    {
        clock.sleep(20);
        driver.wire().poll();
        return driver.pedal().state();
    }
    // What the simulated pedal's processor runs with at `address` now.
    std::uint32_t live(std::uint16_t address)
    {
        const auto &values = settle().liveValues;
        const auto it = values.find(address);
        return it == values.end() ? 0xDEADBEEF : it->second;
    }

    QStringList logLines() const
    {
        const QString text = windows->formPrint->Memo1->toPlainText();
        return text.isEmpty() ? QStringList{} : text.split(QLatin1Char('\n'));
    }

    QTemporaryDir documents;
    QString documentsPath;
    ScriptedPrompts prompts;
    ManualClock clock;
    SimulatedPedalDriver driver{clock.microseconds()};
    const FakeFtd2xx &fake = FakeFtd2xx::instance();
    std::unique_ptr<D2xxLibraryDriver> standIn;
    FtDriver *activeDriver = &driver;
    std::unique_ptr<D2XXUnit> transport;
    LogRelay relay;
    std::unique_ptr<EditorWindows> windows;
    TformMain *main = nullptr;             // set by open()
    TformFXsettings *fx = nullptr;
};
