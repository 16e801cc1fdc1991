#pragma once

#include <QWidget>

// The parameter window; an effect click shows it with the effect's name as
// caption.
class TformFXsettings : public QWidget {
    Q_OBJECT
public:
    explicit TformFXsettings(QWidget *parent = nullptr);

    // Enables or disables every control that talks to the pedal; they may
    // send only while a pedal is open.
    void set_parameter_controls_enabled(bool enabled);
    bool parameterControlsEnabled() const { return m_controlsEnabled; }

private:
    bool m_controlsEnabled = false;
};
