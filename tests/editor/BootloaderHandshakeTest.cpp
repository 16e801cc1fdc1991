#include "EditorFixture.h"

#include "app/TformMain.h"
#include "device/Communication.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

// Connect in upgrade mode against the simulated pedal's own bootloader.
TEST_F(EditorFixture, UpgradeModeConnectsToTheSimulatedBootloader)
{
    struct Case {
        QStringList faults;
        const char *received;
        const char *message;
        bool acknowledged;
    };
    const Case cases[] = {
        {{}, "received Byte: 79", "Connection to bootloader succeeded, ready for firmware upgrade", true},
        // One refused synchronisation byte: the next is acknowledged.
        {{"nack=1"}, "received Byte: 79", "Connection to bootloader succeeded, ready for firmware upgrade", true},
        {{"nack=1+"}, "received Byte: 1F", "Connection to bootloader failed", false},
        {{"silent"}, "received Byte: ", "Connection to bootloader failed", false},
    };
    for (const Case &c : cases) {
        prompts.messages.clear();
        // Configuring powers the pedal up again, with the case's faults.
        connectToBootloader(c.faults);
        TformMain &w = *windows->formMain;
        EXPECT_EQ(prompts.messages, QStringList({c.message})) << c.received;
        EXPECT_EQ(logLines().last(), c.received);
        EXPECT_EQ(w.menuStartFirmwareUpgrade->isEnabled(), c.acknowledged);
        EXPECT_EQ(w.btnRequest->isEnabled(), !c.acknowledged);
        EXPECT_EQ(w.lblDeviceName->text(), "Sombrant MK3 connected");
        w.menuDisconnect->trigger();
        windows.reset();
    }
}

// A bootloader already synchronised (a Connect before this one) takes 0x7F
// as a command byte and does not answer it: Connect completes the command
// and takes its refusal (NACK) as the sign of the command phase.
TEST_F(EditorFixture, UpgradeModeConnectFindsABootloaderAlreadySynchronised)
{
    connectToBootloader();
    TformMain &w = *windows->formMain;
    EXPECT_EQ(logLines().last(), "received Byte: 79");
    w.menuDisconnect->trigger();
    prompts.messages.clear();
    w.menuConnect->trigger();
    EXPECT_EQ(prompts.messages, QStringList({"Connection to bootloader succeeded, ready for firmware upgrade"}));
    EXPECT_EQ(logLines().last(), "received Byte: 1F");
    EXPECT_TRUE(w.menuStartFirmwareUpgrade->isEnabled());
    EXPECT_FALSE(w.btnRequest->isEnabled());
}
