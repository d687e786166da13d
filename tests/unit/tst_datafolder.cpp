#include "datafolder.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class tst_DataFolder : public QObject
{
    Q_OBJECT
private slots:
    void portableFolders_data();
    void portableFolders();
    void environmentOverrideWinsAndIsCreated();
};

void tst_DataFolder::portableFolders_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("portable");
    QTest::newRow("unpacked in home") << "/home/ann/cindral" << true << true;
    QTest::newRow("read-only folder") << "/home/ann/cindral" << false << false;
    QTest::newRow("build tree") << "/work/build/src/app" << true << true;
    QTest::newRow("/opt install the user owns") << "/opt/cindral" << true << true;
#ifdef Q_OS_UNIX
    QTest::newRow("/usr/bin, writable by root") << "/usr/bin" << true << false;
    QTest::newRow("/usr/local/bin") << "/usr/local/bin" << true << false;
    QTest::newRow("/bin") << "/bin" << true << false;
    QTest::newRow("not fooled by a prefix") << "/usrdata/cindral" << true << true;
#endif
    QTest::newRow("unknown") << "" << true << false;
}

void tst_DataFolder::portableFolders()
{
    QFETCH(QString, folder);
    QFETCH(bool, writable);
    QFETCH(bool, portable);
    QCOMPARE(Platform::isPortableFolder(folder, writable), portable);
}

void tst_DataFolder::environmentOverrideWinsAndIsCreated()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("a/b/../c"));
    qputenv("CINDRAL_DATA_DIR", folder.toUtf8());
    QCOMPARE(Platform::dataFolder(), QDir::cleanPath(folder));
    QVERIFY(QDir(folder).exists());
    QCOMPARE(Platform::dataFile(QStringLiteral("Colorpicker.dat")),
             QDir::cleanPath(folder) + QStringLiteral("/Colorpicker.dat"));
}

QTEST_APPLESS_MAIN(tst_DataFolder)
#include "tst_datafolder.moc"
