#include "app/SystemClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

SystemClock::SystemClock()
{
    m_timer.start();
}

std::int64_t SystemClock::elapsedMs()
{
    return m_timer.elapsed();
}

void SystemClock::sleep(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

void SystemClock::processEvents(int ms)
{
    if (ms <= 0 || !QCoreApplication::instance()) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}
