#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class UpdatePreference;

// "New Version": tells the user of a newer editor version, shows both
// versions, and offers the update and the release notes. Not modal; shown at
// most once per run, by the version check.
class TformNewVersionMsg : public QWidget {
    Q_OBJECT
public:
    explicit TformNewVersionMsg(QWidget *parent = nullptr);

    // The versions FormShow puts into Label2.
    void setVersions(const QString &currentAppVersion, const QString &newAppVersion);
    // The preference "Don't Show This Message Again" writes; nullptr for none.
    void setPreference(UpdatePreference *preference) { m_preference = preference; }

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QPushButton *btnLaunchUpdate = nullptr;
    QPushButton *btnSeeWhatsNew = nullptr;
    QCheckBox *CheckBox1 = nullptr;

signals:
    // btnLaunchUpdateClick: the update is to be started.
    void launchUpdateRequested();
    // btnSeeWhatsNewClick: the release notes are to be opened.
    void whatsNewRequested();
    // "Don't Show This Message Again" could not be written: the path and why.
    void preferenceNotSaved(const QString &error);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void FormShow();
    void CheckBox1Change(bool checked);

    QString m_currentAppVersion;
    QString m_newAppVersion;
    UpdatePreference *m_preference = nullptr;
};
