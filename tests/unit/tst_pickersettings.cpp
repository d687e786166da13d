#include "pickersettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace PickerSettings;

class tst_PickerSettings : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip();
    void writesTheDocumentedFormat();
    void narrowWidthIsWrittenAs6975();
    void readsTheExampleFile();
    void shortFilesKeepWhatWasReadAndUseDefaults_data();
    void shortFilesKeepWhatWasReadAndUseDefaults();
    void badValuesUseDefaults_data();
    void badValuesUseDefaults();
    void historyLinesThatAreNotNumbersReadAsBlack();
    void emptyOptionLinesLeaveTheChecksAlone();
    void booleans_data();
    void booleans();
    void lineEnds_data();
    void lineEnds();
    void saveReplacesTheFileWhole();
    void saveReportsAnUnwritableFolder();
};

static QByteArray lines(const QStringList &list)
{
    return (list.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1();
}

static const QStringList exampleFile = { "16711680", "9435",      "1",         "#TRUE#",
                                         "#FALSE#",  "1",         "255",       "16711680",
                                         "\"blank\"", "\"blank\"", "\"blank\"", "\"blank\"" };

void tst_PickerSettings::roundTrip()
{
    Settings settings;
    settings.newColour = 0x123456;
    settings.widthTwips = 9435;
    settings.zoomIndex = 4;
    settings.autoCopy = false;
    settings.autoPaste = true;
    settings.historyPointer = 1;
    settings.history[0] = { 255, QStringLiteral("255") };
    settings.history[1] = { 0x123456, QString::number(0x123456) };

    const Loaded loaded = parse(serialize(settings));
    QVERIFY(!loaded.usedDefaults);
    QCOMPARE(*loaded.oldColour, 0x123456);
    QCOMPARE(*loaded.widthTwips, 9435.0);
    QCOMPARE(*loaded.zoomIndex, 4);
    QCOMPARE(*loaded.autoCopy, false);
    QCOMPARE(*loaded.autoPaste, true);
    QCOMPARE(*loaded.historyPointer, quint8(1));
    for (int i = 0; i < HistorySlots; ++i)
        QCOMPARE(*loaded.history[i], settings.history[i]);
    QVERIFY(loaded.history[5]->isBlank());
    QCOMPARE(loaded.history[5]->colour, EmptySlotColour);
}

void tst_PickerSettings::writesTheDocumentedFormat()
{
    Settings settings;
    settings.newColour = 16711680;
    settings.widthTwips = 9435;
    settings.zoomIndex = 1;
    settings.autoCopy = true;
    settings.autoPaste = false;
    settings.historyPointer = 1;
    settings.history[0] = { 255, QStringLiteral("255") };
    settings.history[1] = { 16711680, QStringLiteral("16711680") };
    QCOMPARE(serialize(settings), lines(exampleFile));

    settings.widthTwips = 9435.5;
    QCOMPARE(serialize(settings).split('\n').at(1), QByteArray("9435.5\r"));
}

void tst_PickerSettings::narrowWidthIsWrittenAs6975()
{
    Settings settings;
    settings.widthTwips = 5000;
    QCOMPARE(serialize(settings).split('\n').at(1), QByteArray("6975\r"));
    settings.widthTwips = 6975;
    QCOMPARE(serialize(settings).split('\n').at(1), QByteArray("6975\r"));
}

void tst_PickerSettings::readsTheExampleFile()
{
    const Loaded loaded = parse(lines(exampleFile));
    QVERIFY(!loaded.usedDefaults);
    QCOMPARE(*loaded.oldColour, 16711680);
    QCOMPARE(*loaded.zoomIndex, 1);
    QCOMPARE(*loaded.autoCopy, true);
    QCOMPARE(*loaded.autoPaste, false);
    QCOMPARE(loaded.history[0]->tag, QStringLiteral("255"));
    QCOMPARE(loaded.history[1]->colour, 16711680);
    QCOMPARE(loaded.history[2]->tag, QStringLiteral("blank"));
}

void tst_PickerSettings::shortFilesKeepWhatWasReadAndUseDefaults_data()
{
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<bool>("hasOldColour");
    QTest::newRow("empty file") << 0 << false;
    QTest::newRow("one line") << 1 << true;
    QTest::newRow("five lines") << 5 << true;
    QTest::newRow("eleven lines") << 11 << true;
}

void tst_PickerSettings::shortFilesKeepWhatWasReadAndUseDefaults()
{
    QFETCH(int, lineCount);
    QFETCH(bool, hasOldColour);
    const Loaded loaded = parse(lines(exampleFile.mid(0, lineCount)));
    QVERIFY(loaded.usedDefaults);
    QCOMPARE(loaded.oldColour.has_value(), hasOldColour);
    if (hasOldColour)
        QCOMPARE(*loaded.oldColour, 16711680);
    // Nothing past line 1 is applied from a short file.
    QVERIFY(!loaded.widthTwips && !loaded.zoomIndex && !loaded.autoCopy && !loaded.historyPointer);
    for (const auto &slot : loaded.history)
        QVERIFY(!slot);
}

void tst_PickerSettings::badValuesUseDefaults_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("historyApplied");
    QTest::newRow("colour too large") << 0 << "99999999999" << 0;
    QTest::newRow("negative width") << 1 << "-10" << 0;
    QTest::newRow("zoom index 10") << 2 << "10" << 0;
    QTest::newRow("zoom index -2") << 2 << "-2" << 0;
    QTest::newRow("Auto Copy not a boolean") << 3 << "maybe" << 0;
    QTest::newRow("Auto Paste not a boolean") << 4 << "#MAYBE#" << 0;
    QTest::newRow("pointer not a number") << 5 << "x" << 0;
    QTest::newRow("pointer past the last slot") << 5 << "6" << 0;
    QTest::newRow("history slot 3 overflows") << 9 << "1e12" << 3;
}

void tst_PickerSettings::badValuesUseDefaults()
{
    QFETCH(int, line);
    QFETCH(QString, text);
    QFETCH(int, historyApplied);
    QStringList file = exampleFile;
    file[line] = text;
    const Loaded loaded = parse(lines(file));
    QVERIFY(loaded.usedDefaults);
    for (int slot = 0; slot < HistorySlots; ++slot)
        QCOMPARE(loaded.history[slot].has_value(), slot < historyApplied);
}

void tst_PickerSettings::historyLinesThatAreNotNumbersReadAsBlack()
{
    QStringList file = exampleFile;
    file[6] = QStringLiteral("purple");
    file[7] = QStringLiteral("  42abc");
    file[8] = QStringLiteral("blank"); // without its quotes it is no empty slot
    file[9] = QString();
    const Loaded loaded = parse(lines(file));
    QVERIFY(!loaded.usedDefaults);
    QCOMPARE(*loaded.history[0], (HistorySlot{ 0, QStringLiteral("0") }));
    QCOMPARE(*loaded.history[1], (HistorySlot{ 42, QStringLiteral("42") }));
    QCOMPARE(*loaded.history[2], (HistorySlot{ 0, QStringLiteral("0") }));
    QCOMPARE(*loaded.history[3], (HistorySlot{ 0, QStringLiteral("0") }));
}

void tst_PickerSettings::emptyOptionLinesLeaveTheChecksAlone()
{
    QStringList file = exampleFile;
    file[1] = QStringLiteral("wide");
    file[2] = QString();
    file[3] = QString();
    file[4] = QString();
    file[5] = QString();
    const Loaded loaded = parse(lines(file));
    QVERIFY(!loaded.usedDefaults);
    QVERIFY(!loaded.widthTwips && !loaded.zoomIndex && !loaded.autoCopy && !loaded.autoPaste
            && !loaded.historyPointer);
}

void tst_PickerSettings::booleans_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // -1: not a boolean
    QTest::newRow("#TRUE#") << "#TRUE#" << 1;
    QTest::newRow("#FALSE#") << "#FALSE#" << 0;
    QTest::newRow("True") << "True" << 1;
    QTest::newRow("false") << "false" << 0;
    QTest::newRow("-1") << "-1" << 1;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("0.5") << "0.5" << 1;
    QTest::newRow("yes") << "yes" << -1;
    QTest::newRow("quoted") << "\"True\"" << -1;
}

void tst_PickerSettings::booleans()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    const auto value = toBoolean(text);
    QCOMPARE(value.has_value(), expected >= 0);
    if (value)
        QCOMPARE(int(*value), expected);
}

void tst_PickerSettings::lineEnds_data()
{
    QTest::addColumn<QByteArray>("separator");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("LF") << QByteArray("\n");
    QTest::newRow("CR") << QByteArray("\r");
}

void tst_PickerSettings::lineEnds()
{
    QFETCH(QByteArray, separator);
    const QByteArray contents = exampleFile.join(QString::fromLatin1(separator)).toLatin1();
    const Loaded loaded = parse(contents); // the last line needs no line end
    QVERIFY(!loaded.usedDefaults);
    QCOMPARE(*loaded.autoPaste, false);
    QVERIFY(loaded.history[5]->isBlank());
}

void tst_PickerSettings::saveReplacesTheFileWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Colorpicker.dat"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(4096, 'x'));
    old.close();
    QFile::setPermissions(path, QFile::ReadOwner); // a read-only mark does not stop the save
    Settings settings;
    settings.newColour = 77;
    QString reason;
    QVERIFY2(save(path, settings, &reason), qPrintable(reason));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), serialize(settings));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{ "Colorpicker.dat" });
}

void tst_PickerSettings::saveReportsAnUnwritableFolder()
{
    QString reason;
    QVERIFY(!save(QStringLiteral("/nonexistent-folder/Colorpicker.dat"), Settings{}, &reason));
    QVERIFY(!reason.isEmpty());
}

QTEST_APPLESS_MAIN(tst_PickerSettings)
#include "tst_pickersettings.moc"
