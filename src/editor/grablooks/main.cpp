// sombrant-grab-looks: every window of the editor in every look, grabbed on
// Qt's offscreen platform into PNG files at 1x and 2x device pixel ratio, for
// checking by eye. Not a test: run it on demand.
//
//   sombrant-grab-looks [OUTDIR]            both scales, and OUTDIR/looks.png
//   sombrant-grab-looks --scale 2 [OUTDIR]  one scale only
//
// Each scale runs in a process of its own, since a process has one screen
// setup. The windows are those of a real start against the simulated pedal,
// connected and with a status read, so that the controls show values.

#include "app/EditorServices.h"
#include "app/EditorWindows.h"
#include "app/LogRelay.h"
#include "app/SystemClock.h"
#include "app/TformMain.h"
#include "app/TformPrint.h"
#include "app/WidgetPrompts.h"
#include "device/D2XXUnit.h"
#include "device/SimulatedPedalDriver.h"
#include "firmware/TformFirmwareUpgrade.h"
#include "params/PresetFile.h"
#include "params/PresetFolders.h"
#include "params/TformFXsettings.h"
#include "prefs/LookMenu.h"
#include "prefs/LookTheme.h"
#include "updates/TformNewVersionMsg.h"
#include "widgets/RotaryDial.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

struct Arguments {
    int scale = 0;  // 0: both, each in a process of its own
    QString outDir = QStringLiteral("looks");
};

Arguments parseArguments(int argc, char *argv[])
{
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc)
            arguments.scale = std::atoi(argv[++i]);
        else
            arguments.outDir = QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

// One offscreen screen, large enough that no window is squeezed, at `scale`.
void useOffscreenScreen(int scale, QTemporaryDir &folder)
{
    const QString config = folder.filePath(QStringLiteral("screen.json"));
    QFile file(config);
    if (file.open(QIODevice::WriteOnly))
        file.write(QStringLiteral(R"({"screens":[{"name":"grab","x":0,"y":0,"width":1920,)"
                                  R"("height":1200,"logicalDpiX":96,"logicalDpiY":96,"dpr":%1}]})")
                       .arg(scale)
                       .toUtf8());
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + config).toLocal8Bit());
}

// A prompt would wait for a person forever offscreen: it is reported and closed.
void closePromptsAsTheyOpen(QObject *owner)
{
    auto *timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            std::fprintf(stderr, "closed a prompt: %s\n", qPrintable(modal->windowTitle()));
            modal->close();
        }
    });
    timer->start(100);
}

void settle(int ms = 30)
{
    SystemClock clock;
    clock.processEvents(ms);
}

// Shows the window with `focus` focused as the keyboard leaves it.
QPixmap grabWindow(QWidget *window, QWidget *focus)
{
    window->show();
    QApplication::setActiveWindow(window);
    if (focus)
        focus->setFocus(Qt::TabFocusReason);
    settle();
    return window->grab();
}

// The window with one of its drop-down lists open and the entry after the
// chosen one highlighted, as the mouse or the arrow keys leave it: the list's
// popup drawn over the window where the screen shows it.
QPixmap grabOpenList(QWidget *window, QComboBox *list)
{
    window->show();
    QApplication::setActiveWindow(window);
    list->setFocus(Qt::MouseFocusReason);
    list->showPopup();
    settle();
    QAbstractItemView *view = list->view();
    const int highlighted = std::min(list->currentIndex() + 1, list->count() - 1);
    view->setCurrentIndex(list->model()->index(highlighted, 0));
    settle();
    QWidget *popup = view->window();
    QPixmap picture = window->grab();
    const QPixmap open = popup->grab();
    {
        QPainter painter(&picture);
        painter.drawPixmap(popup->mapToGlobal(QPoint(0, 0)) - window->mapToGlobal(QPoint(0, 0)), open);
    }
    list->hidePopup();
    settle();
    return picture;
}

QPixmap grabMenu(QMenu *menu, const QPoint &at)
{
    menu->popup(at);
    settle();
    QPixmap picture = menu->grab();
    menu->hide();
    return picture;
}

bool save(const QPixmap &picture, const QString &path)
{
    if (picture.save(path))
        return true;
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return false;
}

QString baseName(int look, const char *what)
{
    return QStringLiteral("style-%1-%2").arg(look).arg(QLatin1String(what));
}

int grabAllLooks(int scale, const QString &outDir)
{
    const QString folder = QDir(outDir).filePath(QStringLiteral("%1x").arg(scale));
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "could not make %s\n", qPrintable(folder));
        return 1;
    }

    QTemporaryDir documents;
    SimulatedPedalDriver driver;
    WidgetPrompts prompts;
    D2XXUnit transport(driver, prompts);
    LogRelay log;
    SystemClock clock;
    EditorWindows windows(EditorServices{transport, prompts, log, clock, documents.path()}, log);
    closePromptsAsTheyOpen(windows.formMain.get());

    TformMain &main = *windows.formMain;
    LookMenu *looks = main.findChild<LookMenu *>();
    if (!looks) {
        std::fprintf(stderr, "the main window has no Look menu\n");
        return 1;
    }
    auto path = [&](int look, const char *what) {
        return QDir(folder).filePath(baseName(look, what) + QStringLiteral(".png"));
    };
    QListWidget *effects = main.lstEffects;
    TformFXsettings *parameters = windows.formFXsettings.get();
    bool ok = true;

    // As a start without a pedal shows them: commands and controls disabled.
    main.show();
    effects->setCurrentRow(0);
    main.effetto_cliccato(0);
    parameters->set_parameter_controls_enabled(false);
    for (int look = 0; look < LookTheme::Count; ++look) {
        ok &= looks->applyLook(look);
        ok &= save(grabWindow(&main, effects), path(look, "main-disconnected"));
        ok &= save(grabWindow(parameters, nullptr), path(look, "parameters-disconnected"));
    }

    // Connected, with the pedal's state read: every window, menus included.
    main.menuConnect->trigger();
    main.btnRequest->click();
    main.effetto_cliccato(0);
    // A few presets in the browser, and one value turned and not stored, so
    // that its mark shows.
    const QString presets = PresetFolders(documents.path()).saveFolder();
    QDir().mkpath(presets);
    for (const char *name : {"Doom Fuzz", "Octave Down Lead", "Warm Sub"}) {
        QString error;
        PresetFile::write(QDir(presets).filePath(QString::fromLatin1(name) + QStringLiteral(".txt")),
                          parameters->settings().values(), &error);
    }
    parameters->dialInputLevel->setAngle(parameters->dialInputLevel->angle() + 40);
    settle(300);
    for (int look = 0; look < LookTheme::Count; ++look) {
        ok &= looks->applyLook(look);
        ok &= save(grabWindow(&main, effects), path(look, "main"));
        // The focus as Tab leaves it on each kind of control.
        ok &= save(grabWindow(parameters, parameters->dialInputLevel), path(look, "parameters"));
        ok &= save(grabWindow(parameters, parameters->chkDominantNoteCut), path(look, "parameters-focus-check-box"));
        ok &= save(grabWindow(parameters, parameters->chkChangePresetShortPress), path(look, "parameters-focus-radio"));
        ok &= save(grabWindow(parameters, parameters->cmbAssignCtrlDUE), path(look, "parameters-focus-list"));
        ok &= save(grabOpenList(parameters, parameters->cmbGuitarTuning), path(look, "parameters-open-list"));
        ok &= save(grabWindow(windows.formPrint.get(), windows.formPrint->btnScrollTop), path(look, "console"));
        ok &= save(grabWindow(windows.formFirmwareUpgrade.get(), nullptr), path(look, "firmware-upgrade"));
        ok &= save(grabWindow(windows.formNewVersionMsg.get(), nullptr), path(look, "new-version"));
        windows.formFirmwareUpgrade->hide();
        windows.formNewVersionMsg->hide();
        QApplication::setActiveWindow(&main);
        ok &= save(grabMenu(main.menuSettings, main.mapToGlobal(QPoint(0, 0))), path(look, "menu-settings"));
        ok &= save(grabMenu(main.menuLook, main.mapToGlobal(QPoint(0, 0))), path(look, "menu-look"));
    }
    return ok ? 0 : 1;
}

// The eight looks side by side: for each, the main window as a first start
// shows it (no pedal connected yet) and the parameter window with a pedal's
// values and a drop-down list open, with the look's name below them.
int makeContactSheet(const QString &outDir)
{
    const QString folder = QDir(outDir).filePath(QStringLiteral("1x"));
    constexpr int Columns = 2;
    constexpr int Gap = 16;
    constexpr int Caption = 26;
    QList<QImage> mains, parameters;
    for (int look = 0; look < LookTheme::Count; ++look) {
        mains << QImage(QDir(folder).filePath(baseName(look, "main-disconnected") + QStringLiteral(".png")));
        parameters << QImage(QDir(folder).filePath(baseName(look, "parameters-open-list") + QStringLiteral(".png")));
        if (mains.back().isNull() || parameters.back().isNull()) {
            std::fprintf(stderr, "missing grabs of Style_%d\n", look);
            return 1;
        }
    }
    int cellWidth = 0, cellHeight = 0;
    for (int look = 0; look < LookTheme::Count; ++look) {
        cellWidth = std::max(cellWidth, mains[look].width() + Gap / 2 + parameters[look].width());
        cellHeight = std::max(cellHeight, std::max(mains[look].height(), parameters[look].height()));
    }
    const int rows = (LookTheme::Count + Columns - 1) / Columns;
    QImage sheet(Gap + Columns * (cellWidth + Gap), Gap + rows * (cellHeight + Caption + Gap),
                 QImage::Format_RGB32);
    sheet.fill(QColor(0x80, 0x84, 0x8a));
    QPainter painter(&sheet);
    QFont font = QApplication::font();
    font.setPixelSize(15);
    font.setBold(true);
    painter.setFont(font);
    for (int look = 0; look < LookTheme::Count; ++look) {
        const int x = Gap + (look % Columns) * (cellWidth + Gap);
        const int y = Gap + (look / Columns) * (cellHeight + Caption + Gap);
        painter.drawImage(x, y, mains[look]);
        painter.drawImage(x + mains[look].width() + Gap / 2, y, parameters[look]);
        const std::optional<LookTheme> theme = LookTheme::load(LookTheme::name(look));
        const QString caption = LookTheme::name(look) + (theme ? QStringLiteral(": ") + theme->title : QString());
        painter.setPen(Qt::white);
        painter.drawText(QRect(x, y + cellHeight + 4, cellWidth, Caption - 4),
                         Qt::AlignLeft | Qt::AlignVCenter, caption);
    }
    painter.end();
    const QString path = QDir(outDir).filePath(QStringLiteral("looks.png"));
    // Committed to the repository: written with the strongest compression.
    if (!sheet.save(path, "PNG", 0)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("%s\n", qPrintable(path));
    return 0;
}

}  // namespace

int main(int argc, char *argv[])
{
    const Arguments arguments = parseArguments(argc, argv);
    QTemporaryDir scratch;
    if (arguments.scale > 0) {
        useOffscreenScreen(arguments.scale, scratch);
        QApplication app(argc, argv);
        return grabAllLooks(arguments.scale, arguments.outDir);
    }

    // Both scales, each in a fresh process, then the contact sheet.
    useOffscreenScreen(1, scratch);
    QApplication app(argc, argv);
    for (int scale : {1, 2}) {
        const int status = QProcess::execute(QCoreApplication::applicationFilePath(),
                                             {QStringLiteral("--scale"), QString::number(scale),
                                              arguments.outDir});
        if (status != 0) {
            std::fprintf(stderr, "grabbing at %dx failed\n", scale);
            return 1;
        }
    }
    std::printf("%s\n", qPrintable(QDir(arguments.outDir).absolutePath()));
    return makeContactSheet(arguments.outDir);
}
