#pragma once

#include <QWidget>

// The parameter window; an effect click shows it with the effect's name as caption.
class TformFXsettings : public QWidget {
    Q_OBJECT
public:
    explicit TformFXsettings(QWidget *parent = nullptr);
};
