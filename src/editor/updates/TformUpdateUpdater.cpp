#include "updates/TformUpdateUpdater.h"

TformUpdateUpdater::TformUpdateUpdater(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("formUpdateUpdater"));
    setWindowTitle(QStringLiteral("UpdateUpdater"));
}
