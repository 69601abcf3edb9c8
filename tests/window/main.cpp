#include "ScanControlTest.h"
#include "TestSupport.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    korvex::test::useTemporarySettings();
    ScanControlTest scanControl;
    SaveOutputTest saveOutput;
    DocumentTest documents;
    PreferencesTest preferences;
    int failed = QTest::qExec(&scanControl, argc, argv);
    failed += QTest::qExec(&saveOutput, argc, argv);
    failed += QTest::qExec(&documents, argc, argv);
    failed += QTest::qExec(&preferences, argc, argv);
    return failed == 0 ? 0 : 1;
}
