#include "params/PresetBrowser.h"

#include "params/PresetFile.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int PathRole = Qt::UserRole;

bool isEnter(const QKeyEvent *key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

}  // namespace

PresetBrowser::PresetBrowser(PresetCatalog catalog, QWidget *parent)
    : QWidget(parent), m_catalog(std::move(catalog))
{
    setObjectName(QStringLiteral("presetBrowser"));
    setFixedWidth(PanelWidth);
    buildControls();
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(RefreshDelayMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &PresetBrowser::refresh);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_refreshTimer.start(); });
    refresh();
}

void PresetBrowser::buildControls()
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 8, 8, 8);
    layout->setSpacing(4);

    auto *caption = new QLabel(QStringLiteral("&Presets"), this);
    caption->setObjectName(QStringLiteral("lblPresets"));
    filterBox = new QLineEdit(this);
    filterBox->setObjectName(QStringLiteral("edtPresetFilter"));
    filterBox->setPlaceholderText(QStringLiteral("Filter"));
    filterBox->setClearButtonEnabled(true);
    filterBox->setAccessibleName(QStringLiteral("Preset filter"));
    filterBox->setToolTip(QStringLiteral("Shows the presets whose name holds this text. Down moves into the list."));
    caption->setBuddy(filterBox);
    filterBox->installEventFilter(this);
    connect(filterBox, &QLineEdit::textChanged, this, &PresetBrowser::showEntries);

    list = new QListWidget(this);
    list->setObjectName(QStringLiteral("lstPresets"));
    list->setAccessibleName(QStringLiteral("Presets"));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setTextElideMode(Qt::ElideRight);
    list->installEventFilter(this);
    connect(list, &QListWidget::itemClicked, this, &PresetBrowser::load);

    capNote = new QLabel(this);
    capNote->setObjectName(QStringLiteral("lblPresetsCapped"));
    capNote->setWordWrap(true);
    capNote->setText(QStringLiteral("Only the newest %1 are listed.").arg(PresetCatalog::MaxEntries));
    capNote->hide();

    nameBox = new QLineEdit(this);
    nameBox->setObjectName(QStringLiteral("edtPresetName"));
    nameBox->setAccessibleName(QStringLiteral("New preset name"));
    nameBox->setPlaceholderText(QStringLiteral("Name, then Enter"));
    nameBox->setToolTip(QStringLiteral("Enter saves the values shown under this name in the preset folder; "
                                       "Escape closes it."));
    nameBox->installEventFilter(this);
    nameBox->hide();

    saveAsButton = new QPushButton(QStringLiteral("Save &As…"), this);
    saveAsButton->setObjectName(QStringLiteral("btnPresetSaveAs"));
    saveAsButton->setAccessibleName(QStringLiteral("Save preset as"));
    saveAsButton->setToolTip(QStringLiteral("Saves the values shown as a new preset, under a name you type."));
    connect(saveAsButton, &QPushButton::clicked, this, &PresetBrowser::startNaming);

    layout->addWidget(caption);
    layout->addWidget(filterBox);
    layout->addWidget(list, 1);
    layout->addWidget(capNote);
    layout->addWidget(nameBox);
    layout->addWidget(saveAsButton);
    setLoadingEnabled(m_loadingEnabled);
}

void PresetBrowser::setLoadingEnabled(bool enabled)
{
    m_loadingEnabled = enabled;
    list->setToolTip(enabled ? QStringLiteral("A click or Enter loads the preset and sends it to the pedal.")
                             : QString::fromUtf8(LoadingOffTip));
}

void PresetBrowser::rewatch()
{
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    for (const QString &folder : m_catalog.folders()) {
        // A folder not made yet is noticed from the nearest one above it;
        // each change there watches again, a level deeper once it is made.
        QString path = QDir(folder).absolutePath();
        while (!QFileInfo(path).isDir()) {
            const QString above = QFileInfo(path).absolutePath();
            if (above == path)
                break;
            path = above;
        }
        if (QFileInfo(path).isDir() && !m_watcher.directories().contains(path))
            m_watcher.addPath(path);
    }
}

void PresetBrowser::refresh()
{
    rewatch();
    bool capped = false;
    m_entries = m_catalog.scan(&capped);
    capNote->setVisible(capped);
    showEntries();
}

void PresetBrowser::showEntries()
{
    QString selected = m_wanted;
    if (selected.isEmpty() && list->currentItem())
        selected = list->currentItem()->data(PathRole).toString();
    m_shown = PresetCatalog::filtered(m_entries, filterBox->text());

    const QSignalBlocker quiet(list);
    list->clear();
    QListWidgetItem *current = nullptr;
    for (const PresetEntry &entry : std::as_const(m_shown)) {
        auto *item = new QListWidgetItem(entry.name, list);
        item->setData(PathRole, entry.path);
        item->setToolTip(QStringLiteral("%1\n%2").arg(
            QDir::toNativeSeparators(entry.path),
            QLocale().toString(entry.modified, QLocale::ShortFormat)));
        if (entry.path == selected)
            current = item;
    }
    if (current) {
        list->setCurrentItem(current);
        list->scrollToItem(current);
        if (!m_wanted.isEmpty())
            m_wanted.clear();
    }
}

void PresetBrowser::load(QListWidgetItem *item)
{
    if (!item || !m_loadingEnabled)
        return;
    emit loadRequested(item->data(PathRole).toString());
}

void PresetBrowser::startNaming()
{
    if (QListWidgetItem *item = list->currentItem())
        nameBox->setText(item->text());
    nameBox->show();
    nameBox->selectAll();
    nameBox->setFocus(Qt::OtherFocusReason);
}

void PresetBrowser::finishNaming(bool save)
{
    const QString name = nameBox->text();
    nameBox->hide();
    saveAsButton->setFocus(Qt::OtherFocusReason);
    if (!save)
        return;
    // Selected as soon as it is listed: now, when the save went through.
    m_wanted = QDir(m_catalog.saveFolder()).absoluteFilePath(PresetFile::withExtension(name.trimmed()));
    emit saveRequested(name);
    refresh();
    m_wanted.clear();
}

bool PresetBrowser::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (watched == filterBox && key->key() == Qt::Key_Down && list->count() > 0) {
        list->setFocus(Qt::TabFocusReason);
        if (!list->currentItem())
            list->setCurrentRow(0);
        return true;
    }
    if (watched == list && isEnter(key)) {
        load(list->currentItem());
        return true;
    }
    if (watched == nameBox && (isEnter(key) || key->key() == Qt::Key_Escape)) {
        finishNaming(isEnter(key));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
