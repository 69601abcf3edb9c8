#include "ScanControlTest.h"
#include "TestSupport.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    korvex::test::useTemporarySettings();
    int failed = 0;
    {
        ScanControlTest test;
        failed += QTest::qExec(&test, argc, argv);
    }
    {
        SaveOutputTest test;
        failed += QTest::qExec(&test, argc, argv);
    }
    {
        DocumentTest test;
        failed += QTest::qExec(&test, argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
