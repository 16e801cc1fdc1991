#include "device/DriverSelection.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

DriverSelection::Options parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    DriverSelection::addOptions(parser);
    EXPECT_TRUE(parser.parse(QStringList{"sombrant"} + arguments)) << parser.errorText().toStdString();
    return DriverSelection::optionsFrom(parser);
}

}  // namespace

TEST(DriverSelection, ChoosesByOptionsAndByWhatLoads)
{
    struct Case {
        QStringList arguments;
        QByteArray library;
        const char *driver;
        bool simulated;
    };
    const Case cases[] = {
        {{"--simulate"}, SOMBRANT_FAKE_FTD2XX_PATH, "simulated pedal", true},
        {{}, SOMBRANT_FAKE_FTD2XX_PATH, "D2XX library", false},
        {{}, "/nonexistent/libftd2xx.so", "serial port", false},
        {{"--port", "/dev/pts/99"}, SOMBRANT_FAKE_FTD2XX_PATH, "serial port", false},
    };
    for (const Case &c : cases) {
        ScopedEnv env("SOMBRANT_FTD2XX_LIBRARY", c.library);
        QString line;
        auto driver = DriverSelection::choose(parse(c.arguments), &line);
        ASSERT_TRUE(driver);
        EXPECT_EQ(driver->driverName(), c.driver) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(driver->isSimulated(), c.simulated);
        EXPECT_TRUE(line.startsWith(QStringLiteral("driver: ") + c.driver)) << line.toStdString();
    }
}

TEST(DriverSelection, ExplicitPortsAreListedAsDevices)
{
    ScopedEnv env("SOMBRANT_FTD2XX_LIBRARY", "/nonexistent/libftd2xx.so");
    auto driver = DriverSelection::choose(parse({"--port", "/dev/pts/98", "--port", "/dev/pts/99"}), nullptr);
    std::uint32_t count = 0;
    ASSERT_EQ(driver->listDeviceCount(count), ft::Ok);
    ASSERT_GE(count, 2u);
    char serial[ft::ListBufferSize] = {};
    ASSERT_EQ(driver->listSerialNumber(count - 1, serial), ft::Ok);
    EXPECT_STREQ(serial, "/dev/pts/99");
}
