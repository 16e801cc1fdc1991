#pragma once

#include "params/PresetCatalog.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The presets of both preset folders beside the parameter window: a filter
// box, the list newest first, and "Save As…" with a name field below it.
//
// A single click or Enter on an entry asks for it to be loaded
// (loadRequested): a guitarist goes through presets by ear, one click each,
// as on the pedal's own footswitch, and a double click would only load the
// same preset twice. The arrow keys move through the list without loading,
// so Enter says which one. "Save As…" opens the name field, prefilled with
// the selected preset's name; Enter in it asks for the save
// (saveRequested), Escape closes it.
//
// The list follows the folders: a watcher on each (or, for one not made yet,
// on the nearest folder above it that exists) rebuilds it shortly after any
// change, and the selected preset stays selected while it is there.
//
// Whoever connects the two signals reads, writes and tells; the panel holds
// no values and reads no file.
class PresetBrowser : public QWidget {
    Q_OBJECT
public:
    static constexpr int PanelWidth = 190;
    // Changes in a folder come in bursts (a temporary file, then its
    // rename): one rebuild after the burst.
    static constexpr int RefreshDelayMs = 100;
    static constexpr const char *LoadingOffTip =
        "No pedal is connected: choose Connection → Connect to load a preset.";

    explicit PresetBrowser(PresetCatalog catalog, QWidget *parent = nullptr);

    // Whether a click or Enter loads; the list can be looked through either
    // way, and saving needs no pedal.
    void setLoadingEnabled(bool enabled);
    bool loadingEnabled() const { return m_loadingEnabled; }
    // Reads the folders again now.
    void refresh();
    // The entries shown, in order.
    const QList<PresetEntry> &shownEntries() const { return m_shown; }

    QLineEdit *filterBox = nullptr;
    QListWidget *list = nullptr;
    QLabel *capNote = nullptr;
    QLineEdit *nameBox = nullptr;
    QPushButton *saveAsButton = nullptr;

signals:
    void loadRequested(const QString &path);
    void saveRequested(const QString &name);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    // Watches each folder, or the nearest existing one above it.
    void rewatch();
    // Shows the entries that pass the filter, keeping the selection.
    void showEntries();
    void load(QListWidgetItem *item);
    void startNaming();
    void finishNaming(bool save);

    PresetCatalog m_catalog;
    QFileSystemWatcher m_watcher;
    QTimer m_refreshTimer;
    QList<PresetEntry> m_entries;
    QList<PresetEntry> m_shown;
    // The path to select at the next rebuild: a preset just saved.
    QString m_wanted;
    bool m_loadingEnabled = true;
};
