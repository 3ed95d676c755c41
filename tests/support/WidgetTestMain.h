#pragma once

#include <QApplication>
#include <QTest>

// Runs a Qt Test class with a QApplication on the offscreen platform unless another
// platform was asked for.
#define QUILLON_WIDGET_TEST_MAIN(TestClass)                                                                            \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {                                                          \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                                   \
        }                                                                                                              \
        QApplication app(argc, argv);                                                                                  \
        TestClass test;                                                                                                \
        return QTest::qExec(&test, argc, argv);                                                                        \
    }
