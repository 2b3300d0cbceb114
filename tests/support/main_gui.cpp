#include "shell/frenchui.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Keep the tests' working folders away from the user's own.
    QTemporaryDir tmp;
    qputenv("TMPDIR", QFile::encodeName(tmp.path()));
    // A system that is not French: the program is French all the same.
    qputenv("LC_ALL", "C.UTF-8");
    QApplication app(argc, argv);
    tovo::UseFrenchInterface();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
