#include <QCoreApplication>
#include <gtest/gtest.h>

#include "WineEnvironment.h"

int main(int argc, char **argv)
{
    restoreQtVariablesPassedThroughWine();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
