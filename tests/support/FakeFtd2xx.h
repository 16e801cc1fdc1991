#pragma once

#include <QByteArray>
#include <QLibrary>
#include <QString>
#include <QStringList>
#include <type_traits>

// The control functions of the stand-in D2XX library (standin/fake_ftd2xx.c),
// reached through a QLibrary on the same file, so they act on the very
// instance the D2XX driver loads.
struct FakeFtd2xx {
    void (*reset)() = nullptr;
    int (*addDevice)(const char *, const char *, size_t, size_t) = nullptr;
    int (*pushRx)(int, const void *, size_t) = nullptr;
    size_t (*rxPending)(int) = nullptr;
    size_t (*takeTx)(int, void *, size_t) = nullptr;
    void (*limitNextRead)(size_t) = nullptr;
    void *(*deviceHandle)(int) = nullptr;
    int (*failNext)(const char *, unsigned int) = nullptr;
    unsigned int (*callCount)(const char *) = nullptr;
    unsigned long long (*lastArg)(const char *, int) = nullptr;
    size_t (*lastOpenArg)(void *, size_t) = nullptr;
    void (*setTime)(long long) = nullptr;
    size_t (*journalText)(char *, size_t) = nullptr;

    bool complete() const
    {
        return reset && addDevice && pushRx && rxPending && takeTx && limitNextRead && deviceHandle
               && failNext && callCount && lastArg && lastOpenArg && setTime && journalText;
    }

    // Every call so far, in order, one line each: "@<ms> FT_Write 0200",
    // "@0 FT_Purge RX", "@200 FT_Read 290", " !<status>" after a failure.
    QStringList journal() const
    {
        QByteArray text(int(journalText(nullptr, 0)), '\0');
        journalText(text.data(), size_t(text.size()));
        return QString::fromLatin1(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    // The journal without the lines of one function (the polls, say).
    QStringList journalWithout(const QString &function) const
    {
        QStringList lines = journal();
        lines.removeIf([&](const QString &line) { return line.section(' ', 1, 1) == function; });
        return lines;
    }

    int add(const QByteArray &serial, const QByteArray &description) const
    {
        return addDevice(serial.constData(), description.constData(), size_t(serial.size()),
                         size_t(description.size()));
    }
    int push(int device, const QByteArray &bytes) const
    {
        return pushRx(device, bytes.constData(), size_t(bytes.size()));
    }

    // The control functions of the stand-in loaded by `library`, which it
    // loads; members stay null when it cannot be loaded.
    static FakeFtd2xx resolveIn(QLibrary &library)
    {
        FakeFtd2xx f;
        if (!library.load())
            return f;
        auto resolve = [&library](auto &slot, const char *name) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(library.resolve(name));
        };
        resolve(f.reset, "fake_ftd2xx_reset");
        resolve(f.addDevice, "fake_ftd2xx_add_device");
        resolve(f.pushRx, "fake_ftd2xx_push_rx");
        resolve(f.rxPending, "fake_ftd2xx_rx_pending");
        resolve(f.takeTx, "fake_ftd2xx_take_tx");
        resolve(f.limitNextRead, "fake_ftd2xx_limit_next_read");
        resolve(f.deviceHandle, "fake_ftd2xx_device_handle");
        resolve(f.failNext, "fake_ftd2xx_fail_next");
        resolve(f.callCount, "fake_ftd2xx_call_count");
        resolve(f.lastArg, "fake_ftd2xx_last_arg");
        resolve(f.lastOpenArg, "fake_ftd2xx_last_open_arg");
        resolve(f.setTime, "fake_ftd2xx_set_time");
        resolve(f.journalText, "fake_ftd2xx_journal");
        return f;
    }

    // Loads the stand-in once per process; the library stays loaded, as the
    // driver leaves it. Members stay null when it cannot be loaded (error says why).
    static const FakeFtd2xx &instance(QString *error = nullptr)
    {
        static QLibrary library(QStringLiteral(SOMBRANT_FAKE_FTD2XX_PATH));
        static FakeFtd2xx fake = resolveIn(library);
        if (error && !fake.complete())
            *error = library.isLoaded() ? QStringLiteral("the stand-in lacks a control function")
                                        : library.errorString();
        return fake;
    }
};
