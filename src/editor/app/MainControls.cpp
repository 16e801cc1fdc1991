#include "app/MainControls.h"

#include "app/TformMain.h"
#include "prefs/EqualSizeGroup.h"

#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace {

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setEnabled(false);
    return button;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &caption)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace

void MainControls::build(TformMain &w)
{
    auto *central = new QWidget(&w);
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(11);
    central->setFont(font);

    w.lblDeviceName = makeLabel(central, "lblDeviceName", QStringLiteral("No device found"));
    w.lblFirmwareVersion = makeLabel(central, "lblFirmwareVersion", QStringLiteral("Device Firmware:"));
    w.lblFirmwareVersion->setToolTip(
        QStringLiteral("Shows which firmware is currently installed on the pedal"));
    w.lblAlgorithmVersion =
        makeLabel(central, "lblAlgorithmVersion", QStringLiteral("Device Algorithm:"));
    w.lblStatus = makeLabel(central, "lblStatus", QStringLiteral("Status: "));

    w.btnUpload = makeButton(central, "btnUpload", QStringLiteral("Upload Selected"));
    w.btnRequest = makeButton(central, "btnRequest", QStringLiteral("Request"));
    w.btnSaveParameters = makeButton(central, "btnSaveParameters", QStringLiteral("Save Parameters"));
    w.btnAssign = makeButton(central, "btnAssign", QStringLiteral("Assign"));
    w.btnSetFootswitchMode =
        makeButton(central, "btnSetFootswitchMode", QStringLiteral("Set Footswitch Mode"));
    w.btnSetTuning = makeButton(central, "btnSetTuning", QStringLiteral("Set Tuning"));
    QFont small = font;
    small.setPointSizeF(10.5);
    w.btnSetFootswitchMode->setFont(small);
    w.btnSetTuning->setFont(small);

    w.lstEffects = new QListWidget(central);
    w.lstEffects->setObjectName(QStringLiteral("lstEffects"));
    w.lstEffects->setAccessibleName(QStringLiteral("Effects"));
    QObject::connect(w.lstEffects, &QListWidget::itemClicked, &w,
                     [&w](QListWidgetItem *item) { w.effetto_cliccato(w.lstEffects->row(item)); });

    // The designed arrangement: labels and two columns of buttons on the
    // left (174 wide), the effect list on the right (154 wide).
    for (QLabel *label : {w.lblDeviceName, w.lblFirmwareVersion, w.lblAlgorithmVersion, w.lblStatus})
        label->setMinimumWidth(174);
    // The two button columns are equally wide, as wide as the widest caption.
    const QList<QPushButton *> buttons{w.btnUpload, w.btnRequest, w.btnSaveParameters,
                                       w.btnAssign, w.btnSetFootswitchMode, w.btnSetTuning};
    new EqualSizeGroup({buttons.begin(), buttons.end()}, QSize(80, 31), &w);
    w.lstEffects->setFixedWidth(154);

    auto *grid = new QGridLayout(central);
    grid->setContentsMargins(9, 8, 9, 10);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->addWidget(w.lblDeviceName, 0, 0, 1, 2);
    grid->addWidget(w.lblFirmwareVersion, 1, 0, 1, 2);
    grid->addWidget(w.lblAlgorithmVersion, 2, 0, 1, 2);
    grid->addWidget(w.lblStatus, 3, 0, 1, 2);
    grid->addWidget(w.btnUpload, 4, 0);
    grid->addWidget(w.btnRequest, 4, 1);
    grid->addWidget(w.btnSaveParameters, 5, 0);
    grid->addWidget(w.btnAssign, 5, 1);
    grid->addWidget(w.btnSetFootswitchMode, 6, 0);
    grid->addWidget(w.btnSetTuning, 6, 1);
    grid->addWidget(w.lstEffects, 0, 2, 7, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    w.setCentralWidget(central);
    w.layout()->setSizeConstraint(QLayout::SetFixedSize);

    w.TimerCheckWebVersion = new QTimer(&w);
    w.TimerCheckWebVersion->setObjectName(QStringLiteral("TimerCheckWebVersion"));
    w.TimerCheckWebVersion->setInterval(1000);
    w.UploadCheckTimer = new QTimer(&w);
    w.UploadCheckTimer->setObjectName(QStringLiteral("UploadCheckTimer"));
    w.UploadCheckTimer->setInterval(5000);
}

