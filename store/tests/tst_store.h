#pragma once

#include <QObject>

// The note store: tables and change marks, the record codec, loading and saving.
class TestStore : public QObject {
    Q_OBJECT
private slots:
    // tables and change marks
    void markChanged_data();
    void markChanged();
    void markChangedIgnoredWhileUpdatingLists();
    void slotsAndLines();
    void swapAndMoveKeepPositions();
    void markDeleted();
    void autoDimValue_data();
    void autoDimValue();

    // record codec
    void fieldsAtTheirOffsets();
    void roundTrip();
    void textsCutAtTheirWidths_data();
    void textsCutAtTheirWidths();
    void pictureMode_data();
    void pictureMode();
    void wrongLengthIsNoRecord();

    // loader
    void missingFilesCreatedEmpty();
    void invalidRecordsSkipped_data();
    void invalidRecordsSkipped();
    void positionCorrection_data();
    void positionCorrection();
    void importMerge();
    void importIntoOtherListKeepsLine();
    void trailingPartialRecordIgnored();
    void textsTrimmed();
    void builderMarksNothing();

    // saver
    void cycleWithoutChangesTouchesNoFile();
    void fullRewriteDropsDeletedNote();
    void inPlaceWritesOnlyTheChangedRecord_data();
    void inPlaceWritesOnlyTheChangedRecord();
    void readOnlyDataFile_data();
    void readOnlyDataFile();
    void quickSaveWithFullSaveNeeded();
    void deletedNoteStaysDroppedAfterMidRunFullSave();
    void skippedRecordsForceWholeRewrite();
    void failedTemporaryFileLeavesFilesAlone();
    void unicodeRoundTrip();
    void datesStampedFromClock_data();
    void datesStampedFromClock();
    void oldVersionRule_data();
    void oldVersionRule();
    void linkedFileWrittenWhenAsked();

    // failing file operations
    void crashPoints_data();
    void crashPoints();
    void restoredAtLoad_data();
    void restoredAtLoad();
    void emptiedListIsTheUsersToRestore();
    void failingOperation_data();
    void failingOperation();
    void inPlaceFailures();
    void fileShortOfRecords_data();
    void fileShortOfRecords();
    void readOnlyFolderSavesInPlace();
    void unreadableListLeftAlone();
    void eventsFileNamedInBoxes();
    void oneFullCyclePerStart();
    void failingListLeavesOtherBackup();
    void importKeptUntilWritten();
    void modeAndLinkKept();
    void rescueFile();
};
