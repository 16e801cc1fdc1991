#include "params/TformFXsettings.h"

TformFXsettings::TformFXsettings(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("formFXsettings"));
    setWindowTitle(QStringLiteral("Form1"));
}
