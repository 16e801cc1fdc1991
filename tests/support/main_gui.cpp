#include <QApplication>
#include <gtest/gtest.h>

#include "WineEnvironment.h"

int main(int argc, char **argv)
{
    restoreQtVariablesPassedThroughWine();
    // Windows are real, on Qt's offscreen platform unless the caller chose one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
