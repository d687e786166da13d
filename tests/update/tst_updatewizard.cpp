#include "datafolder.h"
#include "frmmain.h"
#include "frmupdate.h"
#include "liveupdate.h"
#include "scriptedhttpserver.h"
#include "testservices.h"
#include "vcupdatectl.h"

#include <QAction>
#include <QCryptographicHash>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Behaviour = ScriptedResponse::Behaviour;

Q_DECLARE_METATYPE(ScriptedResponse)

namespace {

const QString configPath = QStringLiteral("/LiveCindralEng.txt");
const QString updatePath = QStringLiteral("/files/cindral-0.2.0.zip");
const QString updateName = QStringLiteral("cindral-0.2.0.zip");

// Bytes that differ from one position to the next, so a cut or a shifted
// copy never passes for the whole.
QByteArray payload(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 12345;
    for (char &byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = char(state >> 24);
    }
    return bytes;
}

QByteArray sha256Hex(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex();
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                                  QDir::Name);
}

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class tst_UpdateWizard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startsOnWelcomePage();
    void sameVersionOffersNoUpdate();
    void newVersionIsDownloadedAndOpened();
    void progressShowsWhileDownloading();
    void cancelDuringDownloadRemovesTemporaryFile();
    void closeBoxDuringDownloadRemovesTemporaryFile();
    void configDownloadFailure_data();
    void configDownloadFailure();
    void hugeConfigIsRefused_data();
    void hugeConfigIsRefused();
    void redirectsAreFollowed();
    void httpsDownloads();
    void httpsNeverRedirectsToHttp();
    void updateDownloadFailure_data();
    void updateDownloadFailure();
    void existingFileIsReplacedWhole();
    void checksum_data();
    void checksum();
    void unsafeFileNameIsRefused_data();
    void unsafeFileNameIsRefused();
    void missingConfigUrlIsAnError();
    void unusableAddressWarns_data();
    void unusableAddressWarns();
    void unwritableDesktopWarns();
    void configCopyGoesToTempFolder_data();
    void configCopyGoesToTempFolder();
    void refusedLaunchWarns();
    void enterPressesFocusedButton();
    void mainWindowOpensOneSharedWindow();

private:
    frmUPDATE *openWindow();
    void serveConfig(const QByteArray &newestVersion, const QString &address,
                     const QByteArray &extraLine = QByteArray());
    void serveUpdate(const QByteArray &bytes);
    // Next on the welcome page, then waits until the configuration is in.
    bool reachVersionPage();
    bool reachDownloadPage();
    // A new version whose download of size bytes stalls halfway; opens the
    // window and goes on to the download page.
    bool startStalledDownload(int size);
    vcUPDATECTL *control() const { return m_window ? m_window->vcUPDATECTL : nullptr; }
    QString target() const { return m_desktop->path() + QLatin1Char('/') + updateName; }

    ScriptedHttpServer m_server;
    ScriptedHttpServer m_tlsServer;
    bool m_tlsReady = false;
    QNetworkAccessManager m_network;
    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<QTemporaryDir> m_desktop;
    std::unique_ptr<TestServices> m_services;
    QPointer<frmUPDATE> m_window;
    qsizetype m_configSize = 0;
};

void tst_UpdateWizard::initTestCase()
{
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    QVERIFY(m_server.listen());

    // https on 127.0.0.1 with a certificate made for it, trusted by this
    // process alone.
    if (!QSslSocket::supportsSsl())
        return;
    QFile certificateFile(QFINDTESTDATA("loopback.crt"));
    QFile keyFile(QFINDTESTDATA("loopback.key"));
    QVERIFY(certificateFile.open(QIODevice::ReadOnly) && keyFile.open(QIODevice::ReadOnly));
    const QSslCertificate certificate(&certificateFile, QSsl::Pem);
    const QSslKey key(&keyFile, QSsl::Rsa, QSsl::Pem);
    QVERIFY(!certificate.isNull() && !key.isNull());
    QSslConfiguration serverSide = QSslConfiguration::defaultConfiguration();
    serverSide.setLocalCertificate(certificate);
    serverSide.setPrivateKey(key);
    QVERIFY(m_tlsServer.listen(serverSide));
    QSslConfiguration clientSide = QSslConfiguration::defaultConfiguration();
    clientSide.addCaCertificate(certificate);
    QSslConfiguration::setDefaultConfiguration(clientSide);
    m_tlsReady = true;
}

void tst_UpdateWizard::init()
{
    m_server.reset();
    m_tlsServer.reset();
    m_temp = std::make_unique<QTemporaryDir>();
    m_desktop = std::make_unique<QTemporaryDir>();
    QVERIFY(m_temp->isValid() && m_desktop->isValid());
    qputenv("TEMP", QFile::encodeName(m_temp->path()));
    qunsetenv("TMPDIR");
    qputenv("CINDRAL_UPDATE_URL", m_server.url(configPath).toEncoded());
    m_services = std::make_unique<TestServices>();
}

void tst_UpdateWizard::cleanup()
{
    delete m_window;
    m_services.reset();
    m_desktop.reset();
    m_temp.reset();
}

frmUPDATE *tst_UpdateWizard::openWindow()
{
    m_window = new frmUPDATE(m_services->services(), &m_network);
    m_window->vcUPDATECTL->setDesktopFolder(m_desktop->path());
    // Long enough for a loaded machine, short enough that a stuck test ends.
    m_window->vcUPDATECTL->setTransferTimeout(5000);
    m_window->show();
    return m_window;
}

void tst_UpdateWizard::serveConfig(const QByteArray &newestVersion, const QString &address,
                                   const QByteArray &extraLine)
{
    QByteArray config = "Cindral Palette Editor " + newestVersion + "\r\n" + newestVersion + "\r\n"
            + address.toUtf8() + "\r\n";
    if (!extraLine.isNull())
        config += extraLine + "\r\n";
    m_configSize = config.size();
    m_server.route(configPath, ScriptedResponse::ok(config));
}

void tst_UpdateWizard::serveUpdate(const QByteArray &bytes)
{
    m_server.route(updatePath, ScriptedResponse::ok(bytes));
}

bool tst_UpdateWizard::reachVersionPage()
{
    QTest::mouseClick(control()->cmdNEXT, Qt::LeftButton);
    return QTest::qWaitFor([this] { return control()->lblVERSION->text() != QLatin1String(" "); },
                           10000);
}

bool tst_UpdateWizard::reachDownloadPage()
{
    if (!reachVersionPage() || !control()->cmdNEXT->isEnabled())
        return false;
    QTest::mouseClick(control()->cmdNEXT, Qt::LeftButton);
    return control()->step() == 2;
}

bool tst_UpdateWizard::startStalledDownload(int size)
{
    serveConfig("0.2.0", m_server.url(updatePath).toString());
    ScriptedResponse half = ScriptedResponse::ok(payload(size));
    half.behaviour = Behaviour::StallAfter;
    half.cut = size / 2;
    m_server.route(updatePath, half);
    openWindow();
    return reachDownloadPage();
}

void tst_UpdateWizard::startsOnWelcomePage()
{
    frmUPDATE *window = openWindow();
    vcUPDATECTL *wizard = window->vcUPDATECTL;
    QCOMPARE(window->windowTitle(), QStringLiteral("Live Update"));
    QCOMPARE(window->size(), QSize(398, 254));
    QVERIFY(window->parentWidget() == nullptr);
    QCOMPARE(wizard->geometry(), QRect(0, 0, 398, 249));
    QCOMPARE(wizard->ConfigFileURL(), m_server.url(configPath).toString());
    QCOMPARE(wizard->Image1->pixmap().size(), QSize(405, 67));

    QCOMPARE(wizard->step(), 0);
    QVERIFY(wizard->fraFRAME[0]->isVisible());
    QVERIFY(!wizard->fraFRAME[1]->isVisible());
    QVERIFY(!wizard->fraFRAME[2]->isVisible());
    QCOMPARE(wizard->fraFRAME[0]->title(), QStringLiteral("Step 1 Of 3"));
    QCOMPARE(wizard->lblSTEP1->text(),
             QStringLiteral("Welcome to Live Update. This tool search new version of the program "
                            "on-line. Click \"Next >>\" to continue."));
    QCOMPARE(wizard->cmdNEXT->text(), QStringLiteral("&Next >>"));
    QCOMPARE(wizard->cmdCANCEL->text(), QStringLiteral("&Cancel"));
    QVERIFY(wizard->cmdNEXT->isEnabled());
    QCOMPARE(window->focusWidget(), wizard->cmdNEXT);
    QCOMPARE(wizard->tempFolder(), m_temp->path() + QLatin1Char('/'));
    QVERIFY(m_server.requestedPaths.isEmpty());
}

void tst_UpdateWizard::sameVersionOffersNoUpdate()
{
    serveConfig("0.1.9", m_server.url(updatePath).toString());
    frmUPDATE *window = openWindow();
    vcUPDATECTL *wizard = window->vcUPDATECTL;
    QSignalSpy closeRequests(wizard, &vcUPDATECTL::CloseRequest);

    QVERIFY(reachVersionPage());
    QCOMPARE(wizard->step(), 1);
    QVERIFY(wizard->fraFRAME[1]->isVisible());
    QVERIFY(!wizard->fraFRAME[0]->isVisible());
    QCOMPARE(wizard->lblVERSION->text(),
             QStringLiteral("Version in use: 0.1.9    Newest version: 0.1.9"));
    QVERIFY(wizard->lblNO->isVisible());
    QVERIFY(!wizard->lblYES->isVisible());
    QVERIFY(!wizard->cmdNEXT->isEnabled());
    QCOMPARE(window->focusWidget(), wizard->cmdCANCEL);
    QCOMPARE(wizard->lblPROGRESS->text(),
             QStringLiteral("%1 of %1 configured byte received.").arg(m_configSize));
    // The configuration is fetched afresh and its copy is gone once read.
    QCOMPARE(m_server.requestedPaths, QStringList{ configPath });
    QVERIFY(m_server.requestHeads.first().contains("Cache-Control: no-cache"));
    QCOMPARE(entriesOf(m_temp->path()), QStringList());

    QTest::mouseClick(wizard->cmdCANCEL, Qt::LeftButton);
    QCOMPARE(closeRequests.size(), 1);
    QCOMPARE(closeRequests.first().first().toString(), QString());
    QTRY_VERIFY(m_window.isNull());
    QVERIFY(m_services->launcher.opened.isEmpty());
    QVERIFY(m_services->messages.messages.isEmpty());
}

void tst_UpdateWizard::newVersionIsDownloadedAndOpened()
{
    const QByteArray update = payload(1500000);
    serveConfig("0.2.0", m_server.url(updatePath).toString());
    serveUpdate(update);
    frmUPDATE *window = openWindow();
    vcUPDATECTL *wizard = window->vcUPDATECTL;

    QVERIFY(reachVersionPage());
    QCOMPARE(wizard->lblVERSION->text(),
             QStringLiteral("Version in use: 0.1.9    Newest version: 0.2.0"));
    QVERIFY(wizard->lblYES->isVisible());
    QVERIFY(!wizard->lblNO->isVisible());
    QVERIFY(wizard->cmdNEXT->isEnabled());
    QCOMPARE(window->focusWidget(), wizard->cmdNEXT);

    QTest::mouseClick(wizard->cmdNEXT, Qt::LeftButton);
    QCOMPARE(wizard->step(), 2);
    QVERIFY(wizard->fraFRAME[2]->isVisible());
    QVERIFY(!wizard->fraFRAME[1]->isVisible());
    QVERIFY(!wizard->cmdNEXT->isEnabled());
    QCOMPARE(wizard->lblUPDATE->text(),
             QStringLiteral("Download Update for: \nCindral Palette Editor 0.2.0 to \n")
                     + QDir::toNativeSeparators(target()));

    QTRY_COMPARE_WITH_TIMEOUT(wizard->cmdCANCEL->text(), QStringLiteral("Fine"), 10000);
    QCOMPARE(wizard->lblPROGRESSUPDATE->text(), QStringLiteral("Download of 1.50 MB complete."));
    QCOMPARE(window->focusWidget(), wizard->cmdCANCEL);
    QVERIFY(!wizard->cmdNEXT->isEnabled());
    QCOMPARE(entriesOf(m_desktop->path()), QStringList{ updateName });
    QVERIFY(contentsOf(target()) == update);
    QCOMPARE(m_server.requestedPaths, (QStringList{ configPath, updatePath }));

    QSignalSpy closeRequests(wizard, &vcUPDATECTL::CloseRequest);
    QTest::mouseClick(wizard->cmdCANCEL, Qt::LeftButton);
    QCOMPARE(closeRequests.size(), 1);
    QCOMPARE(closeRequests.first().first().toString(), target());
    QCOMPARE(m_services->launcher.opened, QStringList{ target() });
    QVERIFY(m_services->messages.messages.isEmpty());
    QTRY_VERIFY(m_window.isNull());
}

void tst_UpdateWizard::progressShowsWhileDownloading()
{
    QVERIFY(startStalledDownload(2000000));
    QCOMPARE(control()->lblPROGRESS->text(),
             QStringLiteral("%1 of %1 configured byte received.").arg(m_configSize));
    QTRY_COMPARE_WITH_TIMEOUT(control()->lblPROGRESSUPDATE->text(),
                              QStringLiteral("1.00 MB of 2.00 MB downloaded..."), 10000);
    QVERIFY(control()->isDownloading());
    QCOMPARE(control()->cmdCANCEL->text(), QStringLiteral("&Cancel"));
}

void tst_UpdateWizard::cancelDuringDownloadRemovesTemporaryFile()
{
    QVERIFY(startStalledDownload(200000));
    QTRY_COMPARE_WITH_TIMEOUT(control()->lblPROGRESSUPDATE->text(),
                              QStringLiteral("100.00 KB of 200.00 KB downloaded..."), 10000);

    // While it runs, nothing is at the target yet; the data goes into a
    // temporary file beside it (unnamed where the system offers that).
    QVERIFY(!QFile::exists(target()));
    const QStringList during = entriesOf(m_desktop->path());
    QVERIFY2(during.isEmpty()
                     || (during.size() == 1 && during.first().startsWith(updateName + '.')),
             qPrintable(during.join(", ")));

    QSignalSpy closeRequests(control(), &vcUPDATECTL::CloseRequest);
    QTest::mouseClick(control()->cmdCANCEL, Qt::LeftButton);
    QCOMPARE(closeRequests.size(), 1);
    QCOMPARE(closeRequests.first().first().toString(), QString());
    // Stopped at once, not only when the closed window is finally deleted.
    QVERIFY(m_window && !control()->isDownloading());
    QCOMPARE(entriesOf(m_desktop->path()), QStringList());
    QVERIFY(m_services->launcher.opened.isEmpty());
    QTRY_VERIFY(m_window.isNull());
}

void tst_UpdateWizard::closeBoxDuringDownloadRemovesTemporaryFile()
{
    QVERIFY(startStalledDownload(200000));
    QTRY_COMPARE_WITH_TIMEOUT(control()->lblPROGRESSUPDATE->text(),
                              QStringLiteral("100.00 KB of 200.00 KB downloaded..."), 10000);

    m_window->close();
    QTRY_VERIFY(m_window.isNull());
    QCOMPARE(entriesOf(m_desktop->path()), QStringList());
    QVERIFY(m_services->launcher.opened.isEmpty());
}

void tst_UpdateWizard::configDownloadFailure_data()
{
    QTest::addColumn<ScriptedResponse>("response");
    QTest::addColumn<int>("timeoutMs");

    QTest::newRow("404") << ScriptedResponse::withStatus(404, "<html>Not Found</html>") << 5000;
    QTest::newRow("500") << ScriptedResponse::withStatus(500, "0.2.0\r\n") << 5000;
    QTest::newRow("empty body") << ScriptedResponse::ok(QByteArray()) << 5000;
    ScriptedResponse dropped = ScriptedResponse::ok("T\r\n0.2.0\r\nhttp://h/a.zip\r\n");
    dropped.contentLength = 1000;
    dropped.behaviour = Behaviour::DropAfter;
    dropped.cut = 10;
    QTest::newRow("connection dropped") << dropped << 5000;
    ScriptedResponse silent;
    silent.behaviour = Behaviour::Silent;
    QTest::newRow("silent past the time-out") << silent << 300;
    ScriptedResponse stalled = dropped;
    stalled.behaviour = Behaviour::StallAfter;
    QTest::newRow("stalled past the time-out") << stalled << 300;
    QTest::newRow("redirect to a local file")
            << ScriptedResponse::redirect("file:///etc/passwd") << 5000;
    QTest::newRow("redirect loop") << ScriptedResponse::redirect(configPath.toLatin1()) << 5000;
}

void tst_UpdateWizard::configDownloadFailure()
{
    QFETCH(ScriptedResponse, response);
    QFETCH(int, timeoutMs);
    m_server.route(configPath, response);
    frmUPDATE *window = openWindow();
    vcUPDATECTL *wizard = window->vcUPDATECTL;
    wizard->setTransferTimeout(timeoutMs);

    QTest::mouseClick(wizard->cmdNEXT, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(wizard->lblPROGRESS->text(),
                              QStringLiteral("Error connecting to host.  Unable to complete Live "
                                             "Update."),
                              10000);
    QCOMPARE(wizard->step(), 1);
    QCOMPARE(wizard->lblVERSION->text(), QStringLiteral(" "));
    QVERIFY(!wizard->lblNO->isVisible());
    QVERIFY(!wizard->lblYES->isVisible());
    QVERIFY(!wizard->cmdNEXT->isEnabled());
    QCOMPARE(window->focusWidget(), wizard->cmdCANCEL);
    QCOMPARE(entriesOf(m_temp->path()), QStringList());
    QVERIFY(m_services->messages.messages.isEmpty());
}

void tst_UpdateWizard::hugeConfigIsRefused_data()
{
    QTest::addColumn<ScriptedResponse>("response");
    ScriptedResponse announced = ScriptedResponse::ok(payload(100000));
    announced.contentLength = 100 * 1000 * 1000;
    announced.behaviour = Behaviour::StallAfter;
    announced.cut = 100000;
    QTest::newRow("announced length") << announced;
    ScriptedResponse unannounced = ScriptedResponse::ok(QByteArray(1000000, 'x'));
    unannounced.contentLength = -2;
    QTest::newRow("no length, 1 MB body") << unannounced;
    QTest::newRow("one byte over") << ScriptedResponse::ok(QByteArray(64 * 1024 + 1, '\n'));
}

void tst_UpdateWizard::hugeConfigIsRefused()
{
    QFETCH(ScriptedResponse, response);
    m_server.route(configPath, response);
    openWindow();
    QTest::mouseClick(control()->cmdNEXT, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(control()->lblPROGRESS->text(), LiveUpdate::configTooLargeText(),
                              10000);
    QVERIFY(!control()->cmdNEXT->isEnabled());
    QVERIFY(!control()->lblYES->isVisible());
    QCOMPARE(entriesOf(m_temp->path()), QStringList());
}

void tst_UpdateWizard::redirectsAreFollowed()
{
    const QByteArray update = payload(4000);
    m_server.route(configPath, ScriptedResponse::redirect("/moved/LiveCindralEng.txt"));
    m_server.route("/moved/LiveCindralEng.txt",
                   ScriptedResponse::ok("T\r\n0.2.0\r\n" + m_server.url(updatePath).toEncoded()));
    m_server.route(updatePath, ScriptedResponse::redirect(m_server.url("/mirror/x").toEncoded()));
    m_server.route("/mirror/x", ScriptedResponse::ok(update));
    openWindow();
    QVERIFY(reachDownloadPage());
    QTRY_COMPARE_WITH_TIMEOUT(control()->cmdCANCEL->text(), QStringLiteral("Fine"), 10000);
    QCOMPARE(control()->lblPROGRESSUPDATE->text(), QStringLiteral("Download of 4.00 KB complete."));
    // The file keeps the name from the address in the configuration.
    QVERIFY(contentsOf(target()) == update);
    QCOMPARE(m_server.requestedPaths,
             (QStringList{ configPath, "/moved/LiveCindralEng.txt", updatePath, "/mirror/x" }));
}

void tst_UpdateWizard::httpsDownloads()
{
    if (!m_tlsReady)
        QSKIP("No TLS support in this Qt build");
    const QByteArray update = payload(5000);
    qputenv("CINDRAL_UPDATE_URL", m_tlsServer.url(configPath).toEncoded());
    m_tlsServer.route(configPath, ScriptedResponse::redirect("/moved.txt"));
    const QByteArray address = m_tlsServer.url(updatePath).toEncoded();
    m_tlsServer.route("/moved.txt", ScriptedResponse::ok("T\r\n0.2.0\r\n" + address));
    m_tlsServer.route(updatePath, ScriptedResponse::ok(update));
    openWindow();
    QVERIFY(reachDownloadPage());
    QTRY_COMPARE_WITH_TIMEOUT(control()->cmdCANCEL->text(), QStringLiteral("Fine"), 10000);
    QVERIFY(contentsOf(target()) == update);
    QCOMPARE(m_tlsServer.requestedPaths, (QStringList{ configPath, "/moved.txt", updatePath }));
}

void tst_UpdateWizard::httpsNeverRedirectsToHttp()
{
    if (!m_tlsReady)
        QSKIP("No TLS support in this Qt build");
    qputenv("CINDRAL_UPDATE_URL", m_tlsServer.url(configPath).toEncoded());
    m_tlsServer.route(configPath, ScriptedResponse::redirect(m_server.url(configPath).toEncoded()));
    serveConfig("0.2.0", m_server.url(updatePath).toString());
    openWindow();
    QTest::mouseClick(control()->cmdNEXT, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(control()->lblPROGRESS->text(), LiveUpdate::connectionErrorText(),
                              10000);
    QCOMPARE(m_tlsServer.requestedPaths, QStringList{ configPath });
    QVERIFY(m_server.requestedPaths.isEmpty());
}

void tst_UpdateWizard::updateDownloadFailure_data()
{
    QTest::addColumn<ScriptedResponse>("response");
    QTest::addColumn<bool>("fileExists");
    QTest::addColumn<int>("timeoutMs");

    const ScriptedResponse notFound = ScriptedResponse::withStatus(404, "<html>Not Found</html>");
    QTest::newRow("404") << notFound << false << 5000;
    QTest::newRow("404 over an existing file") << notFound << true << 5000;
    QTest::newRow("500") << ScriptedResponse::withStatus(500, "oops") << false << 5000;
    QTest::newRow("empty body") << ScriptedResponse::ok(QByteArray()) << true << 5000;

    ScriptedResponse dropped = ScriptedResponse::ok(payload(300000));
    dropped.behaviour = Behaviour::DropAfter;
    dropped.cut = 150000;
    QTest::newRow("dropped mid-download") << dropped << false << 5000;
    QTest::newRow("dropped mid-download over an existing file") << dropped << true << 5000;

    ScriptedResponse stalled = dropped;
    stalled.behaviour = Behaviour::StallAfter;
    QTest::newRow("stalled past the time-out") << stalled << true << 300;
    ScriptedResponse silent;
    silent.behaviour = Behaviour::Silent;
    QTest::newRow("silent past the time-out") << silent << false << 300;
}

void tst_UpdateWizard::updateDownloadFailure()
{
    QFETCH(ScriptedResponse, response);
    QFETCH(bool, fileExists);
    QFETCH(int, timeoutMs);
    const QByteArray old = "the version the user already has";
    if (fileExists)
        QVERIFY(writeFile(target(), old));
    serveConfig("0.2.0", m_server.url(updatePath).toString());
    m_server.route(updatePath, response);
    openWindow();
    control()->setTransferTimeout(timeoutMs);

    QVERIFY(reachDownloadPage());
    QTRY_COMPARE_WITH_TIMEOUT(control()->lblPROGRESSUPDATE->text(),
                              LiveUpdate::connectionErrorText(), 10000);
    QCOMPARE(control()->cmdCANCEL->text(), QStringLiteral("&Cancel"));
    QVERIFY(!control()->cmdNEXT->isEnabled());
    QCOMPARE(control()->downloadedFile(), QString());
    if (fileExists) {
        QCOMPARE(entriesOf(m_desktop->path()), QStringList{ updateName });
        QCOMPARE(contentsOf(target()), old);
    } else {
        QCOMPARE(entriesOf(m_desktop->path()), QStringList());
    }

    QTest::mouseClick(control()->cmdCANCEL, Qt::LeftButton);
    QVERIFY(m_services->launcher.opened.isEmpty());
}

void tst_UpdateWizard::existingFileIsReplacedWhole()
{
    QVERIFY(writeFile(target(), QByteArray(5000, 'X')));
    const QByteArray update = payload(100);
    serveConfig("0.2.0", m_server.url(updatePath).toString());
    serveUpdate(update);
    openWindow();
    QVERIFY(reachDownloadPage());
    QTRY_COMPARE_WITH_TIMEOUT(control()->cmdCANCEL->text(), QStringLiteral("Fine"), 10000);
    QCOMPARE(control()->lblPROGRESSUPDATE->text(), QStringLiteral("Download of 0.10 KB complete."));
    QCOMPARE(contentsOf(target()).size(), 100);
    QVERIFY(contentsOf(target()) == update);
    QCOMPARE(entriesOf(m_desktop->path()), QStringList{ updateName });
}

void tst_UpdateWizard::checksum_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("failure"); // empty when the download must succeed
    QTest::addColumn<bool>("fetched");

    const QByteArray update = payload(3000);
    QTest::newRow("match") << "sha256=" + sha256Hex(update) << QString() << true;
    QTest::newRow("match, upper case") << "sha256=" + sha256Hex(update).toUpper() << QString()
                                       << true;
    QTest::newRow("fourth line of another kind") << QByteArray("released 2026") << QString()
                                                 << true;
    QTest::newRow("mismatch") << "sha256=" + sha256Hex("something else")
                              << LiveUpdate::checksumMismatchText() << true;
    QTest::newRow("malformed") << QByteArray("sha256=1234") << LiveUpdate::malformedChecksumText()
                               << false;
}

void tst_UpdateWizard::checksum()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, failure);
    QFETCH(bool, fetched);
    const QByteArray update = payload(3000);
    serveConfig("0.2.0", m_server.url(updatePath).toString(), line);
    serveUpdate(update);
    openWindow();
    QVERIFY(reachDownloadPage());

    if (failure.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(control()->cmdCANCEL->text(), QStringLiteral("Fine"), 10000);
        QVERIFY(contentsOf(target()) == update);
        QTest::mouseClick(control()->cmdCANCEL, Qt::LeftButton);
        QCOMPARE(m_services->launcher.opened, QStringList{ target() });
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(control()->lblPROGRESSUPDATE->text(), failure, 10000);
        QCOMPARE(control()->cmdCANCEL->text(), QStringLiteral("&Cancel"));
        QCOMPARE(entriesOf(m_desktop->path()), QStringList());
        QCOMPARE(m_server.requestedPaths.contains(updatePath), fetched);
        QTest::mouseClick(control()->cmdCANCEL, Qt::LeftButton);
        QVERIFY(m_services->launcher.opened.isEmpty());
    }
}

void tst_UpdateWizard::unsafeFileNameIsRefused_data()
{
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("name");
    QTest::newRow("address ends in slash") << QByteArray("T\r\n0.2.0\r\n@/files/\r\n") << "";
    QTest::newRow("dot dot") << QByteArray("T\r\n0.2.0\r\n@/files/..\r\n") << "..";
    QTest::newRow("dot") << QByteArray("T\r\n0.2.0\r\n@/files/.\r\n") << ".";
    QTest::newRow("backslash") << QByteArray("T\r\n0.2.0\r\n@/..\\..\\evil.exe\r\n")
                               << "..\\..\\evil.exe";
    QTest::newRow("control character") << QByteArray("T\r\n0.2.0\r\n@/a\tb.zip\r\n") << "a\tb.zip";
    QTest::newRow("no address line") << QByteArray("T\r\n0.2.0\r\n") << "";
}

void tst_UpdateWizard::unsafeFileNameIsRefused()
{
    QFETCH(QByteArray, config);
    QFETCH(QString, name);
    config.replace('@', m_server.url(QString()).toEncoded());
    m_server.route(configPath, ScriptedResponse::ok(config));
    openWindow();
    QVERIFY(reachDownloadPage());
    QCOMPARE(control()->lblPROGRESSUPDATE->text(), LiveUpdate::unsafeFileNameText(name));
    QVERIFY(!control()->lblPROGRESSUPDATE->text().contains(QLatin1Char('\t')));
    QVERIFY(!control()->cmdNEXT->isEnabled());
    QVERIFY(!control()->isDownloading());
    QTest::qWait(50);
    QCOMPARE(m_server.requestedPaths, QStringList{ configPath });
    QCOMPARE(entriesOf(m_desktop->path()), QStringList());
    QVERIFY(m_services->messages.messages.isEmpty());
}

void tst_UpdateWizard::missingConfigUrlIsAnError()
{
    openWindow();
    control()->setConfigFileURL(QString());
    QTest::mouseClick(control()->cmdNEXT, Qt::LeftButton);
    QCOMPARE(m_services->messages.messages.size(), 1);
    const RecordedMessage message = m_services->messages.messages.first();
    QCOMPARE(message.text, QStringLiteral("A configuration download URL was not provided.  Live "
                                          "Update cannot continue."));
    QCOMPARE(message.title, QStringLiteral("Error"));
    QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(message.icon, QMessageBox::Critical);
    QCOMPARE(control()->step(), 0);
    QVERIFY(control()->fraFRAME[1]->isVisible());
    QVERIFY(!control()->cmdNEXT->isEnabled());
    QVERIFY(m_server.requestedPaths.isEmpty());
}

void tst_UpdateWizard::unusableAddressWarns_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("ftp") << "ftp://127.0.0.1/LiveCindralEng.txt";
    QTest::newRow("local file") << "file:///etc/passwd";
    QTest::newRow("no scheme") << "LiveCindralEng.txt";
}

void tst_UpdateWizard::unusableAddressWarns()
{
    QFETCH(QString, address);
    openWindow();
    control()->setConfigFileURL(address);
    QTest::mouseClick(control()->cmdNEXT, Qt::LeftButton);
    QCOMPARE(m_services->messages.messages.size(), 1);
    const RecordedMessage message = m_services->messages.messages.first();
    QCOMPARE(message.text, QStringLiteral("5:Error in call to BeginDownload().\n\nError "
                                          "Description: \"%1\" is not an http or https address.")
                                   .arg(address));
    QCOMPARE(message.title, QStringLiteral("Warning"));
    QCOMPARE(message.icon, QMessageBox::Critical);
    QCOMPARE(control()->step(), 1);
    QVERIFY(!control()->cmdNEXT->isEnabled());
    QCOMPARE(entriesOf(m_temp->path()), QStringList());
}

void tst_UpdateWizard::unwritableDesktopWarns()
{
    serveConfig("0.2.0", m_server.url(updatePath).toString());
    serveUpdate(payload(100));
    openWindow();
    const QString missing = m_desktop->path() + QStringLiteral("/no such folder");
    control()->setDesktopFolder(missing);
    QVERIFY(reachDownloadPage());
    QCOMPARE(m_services->messages.messages.size(), 1);
    const RecordedMessage message = m_services->messages.messages.first();
    QVERIFY2(message.text.startsWith(
                     QStringLiteral("75:Error in call to BeginDownload().\n\nError Description: "
                                    "Cannot create \"%1\": ")
                             .arg(QDir::toNativeSeparators(missing + "/" + updateName))),
             qPrintable(message.text));
    QCOMPARE(message.title, QStringLiteral("Warning"));
    QCOMPARE(message.icon, QMessageBox::Critical);
    QVERIFY(!control()->cmdNEXT->isEnabled());
    QTest::qWait(50);
    QVERIFY(!m_server.requestedPaths.contains(updatePath));
}

void tst_UpdateWizard::configCopyGoesToTempFolder_data()
{
    QTest::addColumn<bool>("setTemp");
    QTest::addColumn<bool>("setTmpdir");
    QTest::newRow("TEMP set") << true << true;
    QTest::newRow("only TMPDIR set") << false << true;
    QTest::newRow("TEMP unset: the data folder") << false << false;
}

void tst_UpdateWizard::configCopyGoesToTempFolder()
{
    QFETCH(bool, setTemp);
    QFETCH(bool, setTmpdir);
    QTemporaryDir tmpdir;
    if (!setTemp)
        qunsetenv("TEMP");
    if (setTmpdir)
        qputenv("TMPDIR", QFile::encodeName(tmpdir.path()));
    const QString expected = (setTemp ? m_temp->path() : setTmpdir ? tmpdir.path()
                                                                    : Platform::dataFolder())
            + QLatin1Char('/');
    serveConfig("0.2.0", m_server.url(updatePath).toString());

    // A folder in the way of the copy shows where the copy is written.
    QVERIFY(QDir().mkpath(expected + LiveUpdate::ConfigCopyName));
    openWindow();
    QCOMPARE(control()->tempFolder(), expected);
    QTest::mouseClick(control()->cmdNEXT, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(control()->lblPROGRESS->text().startsWith("Cannot save"), 10000);
    QVERIFY2(control()->lblPROGRESS->text().contains(
                     QDir::toNativeSeparators(expected + LiveUpdate::ConfigCopyName)),
             qPrintable(control()->lblPROGRESS->text()));
    QVERIFY(!control()->cmdNEXT->isEnabled());
    delete m_window;
    QVERIFY(QDir().rmdir(expected + LiveUpdate::ConfigCopyName));

    // With the way clear the copy is written, read and removed again.
    openWindow();
    QVERIFY(reachVersionPage());
    QVERIFY(control()->lblYES->isVisible());
    QVERIFY(!QFile::exists(expected + LiveUpdate::ConfigCopyName));
    qunsetenv("TMPDIR");
}

void tst_UpdateWizard::refusedLaunchWarns()
{
    serveConfig("0.2.0", m_server.url(updatePath).toString());
    serveUpdate(payload(2000));
    m_services->launcher.succeed = false;
    openWindow();
    QVERIFY(reachDownloadPage());
    QTRY_COMPARE_WITH_TIMEOUT(control()->cmdCANCEL->text(), QStringLiteral("Fine"), 10000);
    QTest::mouseClick(control()->cmdCANCEL, Qt::LeftButton);
    QCOMPARE(m_services->launcher.opened, QStringList{ target() });
    QCOMPARE(m_services->messages.messages.size(), 1);
    const RecordedMessage message = m_services->messages.messages.first();
    QCOMPARE(message.text, QStringLiteral("Error jumping to:") + target());
    QCOMPARE(message.title, QStringLiteral("Warning"));
    QCOMPARE(message.icon, QMessageBox::Warning);
    QTRY_VERIFY(m_window.isNull());
    // The file stays where it was saved.
    QVERIFY(QFile::exists(target()));
}

void tst_UpdateWizard::enterPressesFocusedButton()
{
    serveConfig("0.1.9", m_server.url(updatePath).toString());
    frmUPDATE *window = openWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTest::keyClick(window->focusWidget(), Qt::Key_Return);
    QCOMPARE(control()->step(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(control()->lblNO->isVisible(), 10000);
    QSignalSpy closeRequests(control(), &vcUPDATECTL::CloseRequest);
    QTest::keyClick(window->focusWidget(), Qt::Key_Return);
    QCOMPARE(closeRequests.size(), 1);
}

void tst_UpdateWizard::mainWindowOpensOneSharedWindow()
{
    frmMain main(m_services->services());
    QVERIFY(main.update->isEnabled());
    QCOMPARE(main.update->text().remove(QLatin1Char('&')), QStringLiteral("Live Update"));
    QCOMPARE(main.update->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_L));
    QVERIFY(main.updateWindow() == nullptr);

    main.update->trigger();
    QPointer<frmUPDATE> first = main.updateWindow();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QVERIFY(first->parentWidget() == nullptr);
    QCOMPARE(first->windowTitle(), QStringLiteral("Live Update"));
    QCOMPARE(first->vcUPDATECTL->ConfigFileURL(), m_server.url(configPath).toString());

    main.update->trigger();
    QCOMPARE(main.updateWindow(), first.data());

    first->close();
    QTRY_VERIFY(first.isNull());
    QVERIFY(main.updateWindow() == nullptr);
    main.update->trigger();
    QVERIFY(main.updateWindow() != nullptr);
    QVERIFY(m_server.requestedPaths.isEmpty());
}

QTEST_MAIN(tst_UpdateWizard)
#include "tst_updatewizard.moc"
