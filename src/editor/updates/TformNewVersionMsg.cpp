#include "updates/TformNewVersionMsg.h"

#include "updates/UpdatePreference.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TformNewVersionMsg::TformNewVersionMsg(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("formNewVersionMsg"));
    setWindowTitle(QStringLiteral("New Version"));
    // Fixed size: system menu and minimise only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                   | Qt::WindowCloseButtonHint);
    move(81, 318);

    QFont arial(QStringLiteral("Arial"));
    arial.setPointSizeF(11);

    Label1 = new QLabel(QStringLiteral("Label1"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setFont(arial);
    Label2 = new QLabel(QStringLiteral("Label2"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    btnLaunchUpdate = new QPushButton(QStringLiteral("Update Now"), this);
    btnLaunchUpdate->setObjectName(QStringLiteral("btnLaunchUpdate"));
    btnSeeWhatsNew = new QPushButton(QStringLiteral("What's New?"), this);
    btnSeeWhatsNew->setObjectName(QStringLiteral("btnSeeWhatsNew"));
    btnSeeWhatsNew->setFont(arial);
    CheckBox1 = new QCheckBox(QStringLiteral("Don't Show This Message Again"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setFont(arial);

    // The designed order, top to bottom, the two buttons centred.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 8);
    layout->addWidget(Label1);
    layout->addWidget(Label2, 0, Qt::AlignHCenter);
    layout->addWidget(btnLaunchUpdate, 0, Qt::AlignHCenter);
    layout->addWidget(btnSeeWhatsNew, 0, Qt::AlignHCenter);
    layout->addWidget(CheckBox1, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(btnLaunchUpdate, &QPushButton::clicked, this, &TformNewVersionMsg::launchUpdateRequested);
    connect(btnSeeWhatsNew, &QPushButton::clicked, this, &TformNewVersionMsg::whatsNewRequested);
    connect(CheckBox1, &QCheckBox::toggled, this, &TformNewVersionMsg::CheckBox1Change);
}

void TformNewVersionMsg::setVersions(const QString &currentAppVersion, const QString &newAppVersion)
{
    m_currentAppVersion = currentAppVersion;
    m_newAppVersion = newAppVersion;
}

void TformNewVersionMsg::showEvent(QShowEvent *event)
{
    FormShow();
    QWidget::showEvent(event);
}

void TformNewVersionMsg::FormShow()
{
    Label1->setText(QStringLiteral("A new version of the Sombrant Editor is available"));
    Label2->setText(QStringLiteral("Your version: ") + m_currentAppVersion + QStringLiteral("     ")
                    + QStringLiteral("New version: ") + m_newAppVersion);
}

void TformNewVersionMsg::CheckBox1Change(bool checked)
{
    // Only turning the message off is written; it takes effect at the next
    // start.
    QString error;
    if (checked && m_preference && !m_preference->write(false, &error) && !error.isEmpty())
        emit preferenceNotSaved(error);
}
