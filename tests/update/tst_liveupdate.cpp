#include "liveupdate.h"

#include "cindral_version.h"

#include <QTest>

using namespace LiveUpdate;

Q_DECLARE_METATYPE(LiveUpdate::Checksum)

class tst_LiveUpdate : public QObject
{
    Q_OBJECT
private slots:
    void parseConfig_data();
    void parseConfig();
    void checksumBytes();
    void isSafeFileName_data();
    void isSafeFileName();
    void newVersion_data();
    void newVersion();
    void versionLineText();
    void configProgress_data();
    void configProgress();
    void updateProgress_data();
    void updateProgress();
    void completion_data();
    void completion();
    void configFileUrlFromEnvironment();
};

void tst_LiveUpdate::parseConfig_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("lineCount");
    QTest::addColumn<LiveUpdate::Checksum>("checksum");

    const auto none = Checksum::None;
    QTest::newRow("three lines, CR LF")
            << QByteArray("Cindral 0.2\r\n0.2.0\r\nhttp://h/dl/cindral.zip\r\n")
            << "Cindral 0.2" << "0.2.0" << "http://h/dl/cindral.zip" << "cindral.zip" << 3 << none;
    QTest::newRow("three lines, LF")
            << QByteArray("Cindral 0.2\n0.2.0\nhttp://h/dl/cindral.zip\n")
            << "Cindral 0.2" << "0.2.0" << "http://h/dl/cindral.zip" << "cindral.zip" << 3 << none;
    QTest::newRow("lone CR ends lines")
            << QByteArray("T\r0.2.0\rhttp://h/a.zip") << "T" << "0.2.0" << "http://h/a.zip"
            << "a.zip" << 3 << none;
    QTest::newRow("no final line break")
            << QByteArray("T\r\n0.2.0\r\nhttp://h/a.zip") << "T" << "0.2.0" << "http://h/a.zip"
            << "a.zip" << 3 << none;
    QTest::newRow("two lines leave the address empty")
            << QByteArray("T\r\n0.2.0\r\n") << "T" << "0.2.0" << "" << "" << 2 << none;
    QTest::newRow("one line") << QByteArray("T") << "T" << "" << "" << "" << 1 << none;
    QTest::newRow("empty file") << QByteArray() << "" << "" << "" << "" << 0 << none;
    QTest::newRow("later lines ignored")
            << QByteArray("T\r\n0.2.0\r\nhttp://h/a.zip\r\nnotes\r\nmore\r\n") << "T" << "0.2.0"
            << "http://h/a.zip" << "a.zip" << 5 << none;
    QTest::newRow("address without slash is the file name")
            << QByteArray("T\r\n0.2.0\r\nsetup.exe\r\n") << "T" << "0.2.0" << "setup.exe"
            << "setup.exe" << 3 << none;
    QTest::newRow("address ending in slash has no file name")
            << QByteArray("T\r\n0.2.0\r\nhttp://h/dl/\r\n") << "T" << "0.2.0" << "http://h/dl/"
            << "" << 3 << none;
    QTest::newRow("blanks are kept")
            << QByteArray(" T \r\n0.1.9 \r\nhttp://h/a.zip\r\n") << " T " << "0.1.9 "
            << "http://h/a.zip" << "a.zip" << 3 << none;
    QTest::newRow("empty version line")
            << QByteArray("T\r\n\r\nhttp://h/a.zip\r\n") << "T" << "" << "http://h/a.zip"
            << "a.zip" << 3 << none;
    QTest::newRow("byte order mark dropped")
            << QByteArray("\xEF\xBB\xBFT\r\n0.2.0\r\nhttp://h/a.zip\r\n") << "T" << "0.2.0"
            << "http://h/a.zip" << "a.zip" << 3 << none;
    QTest::newRow("UTF-8 title")
            << QByteArray("Aggiornamento \xC3\xA8 pronto\r\n0.2.0\r\nhttp://h/a.zip\r\n")
            << QString::fromUtf8("Aggiornamento \xC3\xA8 pronto") << "0.2.0" << "http://h/a.zip"
            << "a.zip" << 3 << none;

    const QByteArray hex(64, 'a');
    QTest::newRow("checksum line")
            << QByteArray("T\r\n0.2.0\r\nhttp://h/a.zip\r\nsha256=" + hex + "\r\n") << "T"
            << "0.2.0" << "http://h/a.zip" << "a.zip" << 4 << Checksum::Sha256;
    QTest::newRow("checksum line, upper-case digits")
            << QByteArray("T\r\n0.2.0\r\nhttp://h/a.zip\r\nsha256=" + hex.toUpper()) << "T"
            << "0.2.0" << "http://h/a.zip" << "a.zip" << 4 << Checksum::Sha256;
    QTest::newRow("checksum too short")
            << QByteArray("T\r\n0.2.0\r\nhttp://h/a.zip\r\nsha256=" + hex.left(63)) << "T"
            << "0.2.0" << "http://h/a.zip" << "a.zip" << 4 << Checksum::Malformed;
    QTest::newRow("checksum not hexadecimal")
            << QByteArray("T\r\n0.2.0\r\nhttp://h/a.zip\r\nsha256=" + hex.left(63) + "g") << "T"
            << "0.2.0" << "http://h/a.zip" << "a.zip" << 4 << Checksum::Malformed;
    QTest::newRow("checksum with trailing blank")
            << QByteArray("T\r\n0.2.0\r\nhttp://h/a.zip\r\nsha256=" + hex + " ") << "T" << "0.2.0"
            << "http://h/a.zip" << "a.zip" << 4 << Checksum::Malformed;
    QTest::newRow("checksum on line 5 is ignored")
            << QByteArray("T\r\n0.2.0\r\nhttp://h/a.zip\r\n\r\nsha256=" + hex) << "T" << "0.2.0"
            << "http://h/a.zip" << "a.zip" << 5 << none;
}

void tst_LiveUpdate::parseConfig()
{
    QFETCH(QByteArray, bytes);
    const UpdateConfig config = LiveUpdate::parseConfig(bytes);
    QTEST(config.title, "title");
    QTEST(config.newestVersion, "version");
    QTEST(config.url, "url");
    QTEST(config.fileName, "fileName");
    QTEST(config.lineCount, "lineCount");
    QTEST(config.checksum, "checksum");
}

void tst_LiveUpdate::checksumBytes()
{
    const QByteArray digits = "00112233445566778899AABBCCDDEEFF00112233445566778899aabbccddeeff";
    const UpdateConfig config =
            LiveUpdate::parseConfig("T\n1\nhttp://h/a\nsha256=" + digits + "\n");
    QCOMPARE(config.checksum, Checksum::Sha256);
    QCOMPARE(config.sha256, QByteArray::fromHex(digits));
    QCOMPARE(config.sha256.size(), 32);
}

void tst_LiveUpdate::isSafeFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("safe");
    QTest::newRow("plain") << "cindral-0.2.0.zip" << true;
    QTest::newRow("blanks") << "Cindral Setup.exe" << true;
    QTest::newRow("leading dot") << ".cindral" << true;
    QTest::newRow("three dots") << "..." << true;
    QTest::newRow("non-ASCII") << QString::fromUtf8("aggiornamento-\xC3\xA8.zip") << true;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("dot") << "." << false;
    QTest::newRow("dot dot") << ".." << false;
    QTest::newRow("slash") << "a/b.zip" << false;
    QTest::newRow("backslash") << "..\\evil.exe" << false;
    QTest::newRow("tab") << "a\tb.zip" << false;
    QTest::newRow("line feed") << "a.zip\n" << false;
    QTest::newRow("NUL") << QString(QChar(0)) + "a.zip" << false;
    QTest::newRow("DEL") << QString("a") + QChar(0x7F) + ".zip" << false;
    QTest::newRow("C1 control") << QString("a") + QChar(0x85) + ".zip" << false;
}

void tst_LiveUpdate::isSafeFileName()
{
    QFETCH(QString, name);
    QTEST(LiveUpdate::isSafeFileName(name), "safe");
}

void tst_LiveUpdate::newVersion_data()
{
    QTest::addColumn<QString>("newest");
    QTest::addColumn<bool>("isNew");
    QTest::newRow("same") << "0.1.9" << false;
    QTest::newRow("higher revision, more digits") << "0.1.10" << true;
    QTest::newRow("older") << "0.1.8" << true;
    QTest::newRow("trailing blank") << "0.1.9 " << true;
    QTest::newRow("empty") << "" << true;
    QTest::newRow("extra segment") << "0.1.9.0" << true;
}

void tst_LiveUpdate::newVersion()
{
    QFETCH(QString, newest);
    QCOMPARE(versionInUse(), QStringLiteral("0.1.9"));
    QTEST(isNewVersion(newest, versionInUse()), "isNew");
}

void tst_LiveUpdate::versionLineText()
{
    QCOMPARE(versionLine("0.1.9", "0.2.0"),
             QStringLiteral("Version in use: 0.1.9    Newest version: 0.2.0"));
}

void tst_LiveUpdate::configProgress_data()
{
    QTest::addColumn<qint64>("read");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("part") << qint64(12) << qint64(34) << "12 of 34 configured byte received.";
    QTest::newRow("no grouping")
            << qint64(65536) << qint64(65536) << "65536 of 65536 configured byte received.";
}

void tst_LiveUpdate::configProgress()
{
    QFETCH(qint64, read);
    QFETCH(qint64, total);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QString text = configProgressText(read, total);
    QLocale::setDefault(QLocale::c());
    QTEST(text, "text");
}

void tst_LiveUpdate::updateProgress_data()
{
    QTest::addColumn<qint64>("read");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("999999 bytes are KB") << qint64(0) << qint64(999999) << c
                                          << "0.00 KB of 1000.00 KB downloaded...";
    QTest::newRow("1000000 bytes are MB") << qint64(500000) << qint64(1000000) << c
                                           << "0.50 MB of 1.00 MB downloaded...";
    QTest::newRow("halves round up") << qint64(5) << qint64(1005) << c
                                      << "0.01 KB of 1.01 KB downloaded...";
    QTest::newRow("below a half rounds down") << qint64(4) << qint64(1004) << c
                                               << "0.00 KB of 1.00 KB downloaded...";
    QTest::newRow("no digit grouping") << qint64(1234567890) << qint64(2000000000) << c
                                        << "1234.57 MB of 2000.00 MB downloaded...";
    QTest::newRow("comma locale, MB") << qint64(1234567) << qint64(2500000) << german
                                       << "1,23 MB of 2,50 MB downloaded...";
    QTest::newRow("comma locale, KB, no grouping") << qint64(1500) << qint64(999999) << german
                                                    << "1,50 KB of 1000,00 KB downloaded...";
}

void tst_LiveUpdate::updateProgress()
{
    QFETCH(qint64, read);
    QFETCH(qint64, total);
    QFETCH(QLocale, locale);
    QTEST(updateProgressText(read, total, locale), "text");
}

void tst_LiveUpdate::completion_data()
{
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    const QLocale c = QLocale::c();
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("999999 bytes") << qint64(999999) << c << "Download of 1000.00 KB complete.";
    QTest::newRow("1000000 bytes") << qint64(1000000) << c << "Download of 1.00 MB complete.";
    QTest::newRow("one byte") << qint64(1) << c << "Download of 0.00 KB complete.";
    QTest::newRow("comma locale") << qint64(1500000) << german << "Download of 1,50 MB complete.";
    QTest::newRow("beyond 32 bits")
            << qint64(5000000000) << c << "Download of 5000.00 MB complete.";
}

void tst_LiveUpdate::completion()
{
    QFETCH(qint64, total);
    QFETCH(QLocale, locale);
    QTEST(completionText(total, locale), "text");
}

void tst_LiveUpdate::configFileUrlFromEnvironment()
{
    qunsetenv("CINDRAL_UPDATE_URL");
    QCOMPARE(configFileUrl(), QStringLiteral(CINDRAL_DEFAULT_UPDATE_URL));
    qputenv("CINDRAL_UPDATE_URL", "http://127.0.0.1:8080/LiveCindralEng.txt");
    QCOMPARE(configFileUrl(), QStringLiteral("http://127.0.0.1:8080/LiveCindralEng.txt"));
    qunsetenv("CINDRAL_UPDATE_URL");
}

QTEST_APPLESS_MAIN(tst_LiveUpdate)
#include "tst_liveupdate.moc"
