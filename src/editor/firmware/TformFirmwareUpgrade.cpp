#include "firmware/TformFirmwareUpgrade.h"

#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

TformFirmwareUpgrade::TformFirmwareUpgrade(EditorServices services, Communication &communication,
                                           QWidget *parent)
    : QWidget(parent), m_upgrade(communication, services.log, services.prompts, services.clock)
{
    setObjectName(QStringLiteral("formFirmwareUpgrade"));
    setWindowTitle(QStringLiteral("Firmware Upgrade"));

    cmbFirmwareChoose = new QComboBox(this);
    cmbFirmwareChoose->setObjectName(QStringLiteral("cmbFirmwareChoose"));
    cmbFirmwareChoose->setAccessibleName(QStringLiteral("Firmware"));
    for (const int number : FirmwareImage::firmware_numbers())
        cmbFirmwareChoose->addItem(FirmwareUpgrade::entryText(number));

    btnUpgradeFirmware = new QPushButton(QStringLiteral("Upgrade Firmware"), this);
    btnUpgradeFirmware->setObjectName(QStringLiteral("btnUpgradeFirmware"));

    chkFastTransfer = new QCheckBox(QStringLiteral("Fast transfer"), this);
    chkFastTransfer->setObjectName(QStringLiteral("chkFastTransfer"));
    chkFastTransfer->setToolTip(QStringLiteral(
        "Sends each frame in one write with the line at 8 data bits and even parity, "
        "without the pauses between bytes"));
    chkVerify = new QCheckBox(QStringLiteral("Verify"), this);
    chkVerify->setObjectName(QStringLiteral("chkVerify"));
    chkVerify->setToolTip(QStringLiteral(
        "Reads the image back before the version record is written; a pedal with read "
        "protection refuses it"));

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(QStringLiteral("Upgrade progress"));
    ProgressBar1->setRange(0, 1);
    ProgressBar1->setValue(0);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(cmbFirmwareChoose);
    layout->addWidget(btnUpgradeFirmware);
    layout->addWidget(chkFastTransfer);
    layout->addWidget(chkVerify);
    layout->addWidget(ProgressBar1);
    setMinimumWidth(196);

    connect(cmbFirmwareChoose, &QComboBox::currentIndexChanged, this, &TformFirmwareUpgrade::FirmwareSelect);
    connect(btnUpgradeFirmware, &QPushButton::clicked, this, &TformFirmwareUpgrade::btnUpgradeFirmwareClick);

    m_upgrade.onChunkCount = [this](int chunks) {
        ProgressBar1->setRange(0, chunks);
        ProgressBar1->setValue(0);
    };
    m_upgrade.onChunk = [this](int index) { ProgressBar1->setValue(index); };
}

void TformFirmwareUpgrade::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    FormShow();
}

void TformFirmwareUpgrade::FormShow()
{
    cmbFirmwareChoose->setCurrentIndex(cmbFirmwareChoose->count() - 1);
    // The list starts on its first entry; the selection then changed and
    // FirmwareSelect has run. On a later showing with the newest still
    // chosen nothing changed, and what it recorded holds.
    if (m_upgrade.selected_firmware_name.isEmpty())
        FirmwareSelect();
}

void TformFirmwareUpgrade::FirmwareSelect()
{
    m_upgrade.FirmwareSelect(cmbFirmwareChoose->currentText());
}

void TformFirmwareUpgrade::btnUpgradeFirmwareClick()
{
    FirmwareUpgrade::Options options;
    options.transfer = chkFastTransfer->isChecked() ? BootloaderProtocol::Transfer::Fast
                                                    : BootloaderProtocol::Transfer::Paced;
    options.verify = chkVerify->isChecked();
    // The window stays usable (it repaints and moves) while the upgrade waits
    // for the pedal; a second click must not start another one.
    btnUpgradeFirmware->setEnabled(false);
    if (!m_upgrade.upgrade(options)) {
        btnUpgradeFirmware->setEnabled(true);
        emit upgradeFailed();
        return;
    }
    // One upgrade per run: the button stays disabled.
    hide();
    emit upgradeCompleted();
}
