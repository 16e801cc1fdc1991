#include "updates/TformNewVersionMsg.h"

TformNewVersionMsg::TformNewVersionMsg(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("formNewVersionMsg"));
    setWindowTitle(QStringLiteral("New Version"));
}
