#include "params/TformFXsettings.h"

TformFXsettings::TformFXsettings(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("formFXsettings"));
    setWindowTitle(QStringLiteral("Form1"));
}

void TformFXsettings::set_parameter_controls_enabled(bool enabled)
{
    m_controlsEnabled = enabled;
    for (QWidget *control : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        control->setEnabled(enabled);
}
