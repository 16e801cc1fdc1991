#pragma once

#include "app/EditorServices.h"
#include "firmware/FirmwareUpgrade.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QProgressBar;
class QPushButton;
class Communication;

// The firmware upgrade window "Firmware Upgrade", shown from the Firmware
// Upgrade menu once Connect has synchronised with the pedal's bootloader.
// The user picks an image (the newest is chosen each time the window shows),
// the transfer and the read-back, and runs the upgrade; the progress bar
// follows the chunks. A run that fails leaves "Upgrade Firmware" enabled for
// another; one that completes disables it, hides the window and says so
// through upgradeCompleted().
class TformFirmwareUpgrade : public QWidget {
    Q_OBJECT
public:
    TformFirmwareUpgrade(EditorServices services, Communication &communication, QWidget *parent = nullptr);

    FirmwareUpgrade &upgrade() { return m_upgrade; }

    QComboBox *cmbFirmwareChoose = nullptr;
    QPushButton *btnUpgradeFirmware = nullptr;
    QCheckBox *chkFastTransfer = nullptr;
    QCheckBox *chkVerify = nullptr;
    QProgressBar *ProgressBar1 = nullptr;

public slots:
    // Selects the newest image, running FirmwareSelect when that changes it.
    void FormShow();
    void FirmwareSelect();
    void btnUpgradeFirmwareClick();

signals:
    // The new firmware runs: the main window goes back to normal use.
    void upgradeCompleted();
    // A run failed; the button is offered again for another.
    void upgradeFailed();

protected:
    void showEvent(QShowEvent *event) override;

private:
    FirmwareUpgrade m_upgrade;
};
