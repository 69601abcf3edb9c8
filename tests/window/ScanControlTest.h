#pragma once

#include <QObject>

class ScanControlTest : public QObject {
    Q_OBJECT
    struct Window;

private slots:
    void initTestCase();
    void init();
    void firstLaunchIsIdleWithDefaults();
    void typedScanGoesThroughScanningToTheReport();
    void typedPaths_data();
    void typedPaths();
    void flushEmptiesOnlyATypedField();
    void panelCancelledRestoresIdle();
    void panelConfirmedScansTheChosenFolder();
    void optionsAreReadWhenTheScanStarts();
    void scanWithoutPlatformGivesControlsBack();
    void outputRunsTextsTogether();
    void fontSteps_data();
    void fontSteps();
    void storedFontSize_data();
    void storedFontSize();
    void optionsAreStoredWhenTheViewDisappears();
    void lastWindowToCloseDecidesTheOptions();
};

class SaveOutputTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void suggestedName_data();
    void suggestedName();
    void savesTheSnapshotAsUtf8();
    void remembersTheFolderOfTheLastSave();
    void failureAppendsTheSystemText();
    void savesEvenIfTheWindowClosed();
};

class DocumentTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void dataOperationsFail();
    void documentsMakeTheirWindowFromTheStoryboard();
    void windowsAreIndependent();
    void windowClosedMidScanLetsTheScanFinish();
    void controllerFreedMidScanDropsTheAnswer();
};
