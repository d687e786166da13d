#include "rompalette.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <csignal>
#include <unistd.h>
#endif

using namespace RomPalette;

class tst_RomPalette : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void parseOffset_data();
    void parseOffset();
    void bytesToWordText_data();
    void bytesToWordText();
    void wordTextToBytes_data();
    void wordTextToBytes();
    void readsThirtyTwoBytesLowByteFirst();
    void readPastTheEndGivesZeros();
    void readFailsForMissingFileAndFolder();
    void writeChangesExactlyThoseBytes();
    void writeOfLoadedTextsLeavesFileUnchanged();
    void writeBeyondEndLengthensFile();
    void writeRefusesMissingFileWithoutCreatingIt();
    void writeRefusesReadOnlyFile();
    void writeReportsAFullDisk();

private:
    QString makeRom(const QByteArray &contents);
    QByteArray contents(const QString &path);
    QTemporaryDir m_dir;
    int m_count = 0;
};

void tst_RomPalette::init()
{
    QVERIFY(m_dir.isValid());
}

QString tst_RomPalette::makeRom(const QByteArray &contents)
{
    const QString path = m_dir.filePath(QStringLiteral("rom%1.nds").arg(++m_count));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray tst_RomPalette::contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

static QByteArray pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + 3) & 0xFF);
    return bytes;
}

void tst_RomPalette::parseOffset_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<quint32>("value");
    QTest::newRow("1A0") << "1A0" << true << 0x1A0u;
    QTest::newRow("lower case") << "1a0" << true << 0x1A0u;
    QTest::newRow("zero") << "0" << true << 0u;
    QTest::newRow("8000 is not negative") << "8000" << true << 0x8000u;
    QTest::newRow("leading zeros") << "0000000001A0" << true << 0x1A0u;
    QTest::newRow("blanks around") << " 1A0 " << true << 0x1A0u;
    QTest::newRow("largest") << "7FFFFFE0" << true << 0x7FFFFFE0u;
    QTest::newRow("one above largest") << "7FFFFFE1" << false << 0u;
    QTest::newRow("far too large") << "FFFFFFFFFFFFFFFFFFFF" << false << 0u;
    QTest::newRow("empty") << "" << false << 0u;
    QTest::newRow("blank") << "   " << false << 0u;
    QTest::newRow("not hex") << "1G0" << false << 0u;
    QTest::newRow("prefix") << "0x1A0" << false << 0u;
    QTest::newRow("sign") << "-1" << false << 0u;
    QTest::newRow("blank inside") << "1 A0" << false << 0u;
    QTest::newRow("non-ASCII digit") << QString::fromUtf8("１A0") << false << 0u;
}

void tst_RomPalette::parseOffset()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(quint32, value);
    const auto offset = RomPalette::parseOffset(text);
    QCOMPARE(offset.has_value(), valid);
    if (valid)
        QCOMPARE(*offset, value);
}

void tst_RomPalette::bytesToWordText_data()
{
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::addColumn<QString>("text");
    QTest::newRow("1F 7C") << 0x1F << 0x7C << "1F7C";
    QTest::newRow("white") << 0xFF << 0x7F << "FF7F";
    QTest::newRow("zero pads") << 0x00 << 0x05 << "0005";
}

void tst_RomPalette::bytesToWordText()
{
    QFETCH(int, low);
    QFETCH(int, high);
    QFETCH(QString, text);
    QCOMPARE(BytesToWordText(quint8(low), quint8(high)), text);
}

void tst_RomPalette::wordTextToBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("FF7F") << "FF7F" << 0xFF << 0x7F;
    QTest::newRow("lower case") << "ff7f" << 0xFF << 0x7F;
    QTest::newRow("stops at non-hex") << "1G00" << 0x01 << 0x00;
    QTest::newRow("no leading digit") << "zz7F" << 0x00 << 0x7F;
    QTest::newRow("blank skipped") << " F7F" << 0x0F << 0x7F;
    QTest::newRow("short text") << "AB" << 0xAB << 0x00;
    QTest::newRow("empty") << "" << 0x00 << 0x00;
}

void tst_RomPalette::wordTextToBytes()
{
    QFETCH(QString, text);
    QFETCH(int, low);
    QFETCH(int, high);
    const auto bytes = WordTextToBytes(text);
    QCOMPARE(int(bytes[0]), low);
    QCOMPARE(int(bytes[1]), high);
}

void tst_RomPalette::readsThirtyTwoBytesLowByteFirst()
{
    QByteArray rom = pattern(0x400);
    rom[0x1A0] = char(0xFF);
    rom[0x1A1] = char(0x7F);
    rom[0x1A2] = char(0x1F);
    rom[0x1A3] = char(0x00);
    const QString path = makeRom(rom);
    Bytes bytes{};
    QVERIFY(readPalette(path, 0x1A0, bytes).ok);
    const WordTexts texts = wordTextsOf(bytes);
    QCOMPARE(texts[0], QStringLiteral("FF7F"));
    QCOMPARE(texts[1], QStringLiteral("1F00"));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(bytes.data()), ByteCount), rom.mid(0x1A0, 32));

    QVERIFY(readPalette(path, 0, bytes).ok);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(bytes.data()), ByteCount), rom.left(32));
}

void tst_RomPalette::readPastTheEndGivesZeros()
{
    const QByteArray rom = pattern(100);
    const QString path = makeRom(rom);
    Bytes bytes{};
    QVERIFY(readPalette(path, 100 - 32, bytes).ok);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(bytes.data()), ByteCount), rom.right(32));

    bytes.fill(0xEE);
    QVERIFY(readPalette(path, 99, bytes).ok);
    const WordTexts texts = wordTextsOf(bytes);
    QCOMPARE(texts[0], BytesToWordText(quint8(rom[99]), 0));
    for (int i = 1; i < WordCount; ++i)
        QCOMPARE(texts[i], QStringLiteral("0000"));

    bytes.fill(0xEE);
    QVERIFY(readPalette(path, MaxOffset, bytes).ok);
    QVERIFY(std::all_of(bytes.begin(), bytes.end(), [](quint8 b) { return b == 0; }));
    QCOMPARE(contents(path), rom);
}

void tst_RomPalette::readFailsForMissingFileAndFolder()
{
    Bytes bytes{};
    bytes.fill(0x55);
    const FileResult missing = readPalette(m_dir.filePath(QStringLiteral("gone.nds")), 0, bytes);
    QVERIFY(!missing.ok);
    QVERIFY2(!missing.reason.isEmpty(), "a failure names its reason");
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("gone.nds"))));
    QVERIFY(!readPalette(m_dir.path(), 0, bytes).ok);
    QCOMPARE(bytes[0], quint8(0x55)); // untouched on failure
}

void tst_RomPalette::writeChangesExactlyThoseBytes()
{
    const QByteArray before = pattern(0x1000);
    const QString path = makeRom(before);
    WordTexts texts;
    texts.fill(QStringLiteral("FF7F"));
    QVERIFY(writePalette(path, 0x1A0, bytesOf(texts)).ok);
    const QByteArray after = contents(path);
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.left(0x1A0), before.left(0x1A0));
    QCOMPARE(after.mid(0x1C0), before.mid(0x1C0));
    for (int i = 0; i < 32; i += 2) {
        QCOMPARE(quint8(after[0x1A0 + i]), quint8(0xFF));
        QCOMPARE(quint8(after[0x1A0 + i + 1]), quint8(0x7F));
    }
}

void tst_RomPalette::writeOfLoadedTextsLeavesFileUnchanged()
{
    const QByteArray before = pattern(0x800);
    const QString path = makeRom(before);
    Bytes bytes{};
    QVERIFY(readPalette(path, 0x123, bytes).ok);
    QVERIFY(writePalette(path, 0x123, bytesOf(wordTextsOf(bytes))).ok);
    QCOMPARE(contents(path), before);

    // Copying the palette at A to B leaves A as it was.
    QVERIFY(writePalette(path, 0x600, bytesOf(wordTextsOf(bytes))).ok);
    const QByteArray after = contents(path);
    QCOMPARE(after.mid(0x600, 32), before.mid(0x123, 32));
    QCOMPARE(after.left(0x600), before.left(0x600));
}

void tst_RomPalette::writeBeyondEndLengthensFile()
{
    const QByteArray before = pattern(40);
    const QString path = makeRom(before);
    WordTexts texts;
    texts.fill(QStringLiteral("1F00"));
    QVERIFY(writePalette(path, 30, bytesOf(texts)).ok);
    const QByteArray after = contents(path);
    QCOMPARE(after.size(), 62);
    QCOMPARE(after.left(30), before.left(30));
    QCOMPARE(quint8(after[60]), quint8(0x1F));
    QCOMPARE(quint8(after[61]), quint8(0x00));
}

void tst_RomPalette::writeRefusesMissingFileWithoutCreatingIt()
{
    const QString path = m_dir.filePath(QStringLiteral("deleted.nds"));
    const FileResult result = writePalette(path, 0, Bytes{});
    QVERIFY(!result.ok);
    QVERIFY(!result.reason.isEmpty());
    QVERIFY2(!QFile::exists(path), "a missing ROM image must not be created");
    QVERIFY(!writePalette(m_dir.path(), 0, Bytes{}).ok);
}

void tst_RomPalette::writeRefusesReadOnlyFile()
{
#ifdef Q_OS_UNIX
    if (::geteuid() == 0)
        QSKIP("root writes read-only files; covered by the full-disk case instead");
#endif
    const QByteArray before = pattern(64);
    const QString path = makeRom(before);
    QFile::setPermissions(path, QFile::ReadOwner);
    QVERIFY(!writePalette(path, 0, Bytes{}).ok);
    QCOMPARE(contents(path), before);
}

void tst_RomPalette::writeReportsAFullDisk()
{
#ifdef Q_OS_UNIX
    // A file size limit makes every write past it fail as on a full disk.
    const QByteArray before = pattern(64);
    const QString path = makeRom(before);
    struct rlimit old;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit limited = old;
    limited.rlim_cur = 70;
    std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    WordTexts texts;
    texts.fill(QStringLiteral("FF7F"));
    const FileResult result = writePalette(path, 60, bytesOf(texts));
    setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY2(!result.ok, "a short write must not count as success");
    QVERIFY(!result.reason.isEmpty());
    QCOMPARE(contents(path).left(60), before.left(60));
#else
    QSKIP("needs RLIMIT_FSIZE");
#endif
}

QTEST_APPLESS_MAIN(tst_RomPalette)
#include "tst_rompalette.moc"
