#pragma once

#include <QObject>

class ScanControlTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void launch_data();
    void launch();
    void typedPaths_data();
    void typedPaths();
    void folderPanel();
    void optionsAreReadWhenTheScanStarts();
    void outputConsole();
    void fontSteps_data();
    void fontSteps();
    void optionsAreStoredWhenTheViewDisappears();
};

class SaveOutputTest : public QObject {
    Q_OBJECT
private slots:
    void suggestedName_data();
    void suggestedName();
    void writesTheSnapshot();
    void folderMemoryAndFailure();
    void realPanels();
};

class PreferencesTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void tableRoundTrip();
    void unusableRowsAndDamagedFile();
    void oneWindowFromTheEditMenu();
    void scansUseTheStoredMappings();
};

class DocumentTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void dataOperationsFail();
    void windowsAreIndependent();
    void windowClosedMidScan();
    void controllerFreedMidScan();
};
