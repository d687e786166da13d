#include "cindral_version.h"
#include "frmupdate.h"
#include "liveupdate.h"
#include "testfiles.h"
#include "testservices.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QPointer>
#include <QPushButton>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslServer>
#include <QTemporaryDir>
#include <QTest>

// What the test server answers for one path.
struct Reply
{
    enum Mode { Whole, Stall, Drop, Silent }; // Stall and Drop after `cut` body bytes
    int status = 200;
    QByteArray body, location;
    qint64 length = -1; // Content-Length: -1 the body's size, -2 none
    Mode mode = Whole;
    qint64 cut = 0;
};
Q_DECLARE_METATYPE(Reply)

static Reply ok(const QByteArray &body, Reply::Mode mode = Reply::Whole, qint64 cut = 0,
                qint64 length = -1)
{
    return { 200, body, {}, length, mode, cut };
}
static Reply status(int code) { return { code, "<html>oops</html>" }; }
static Reply redirect(const QByteArray &to) { return { 302, {}, to }; }

// HTTP/1.1 on 127.0.0.1 (https when given a TLS set-up) answering each path
// as routed, 404 otherwise, and recording the paths asked for.
class Server : public QObject
{
public:
    bool listen(const QSslConfiguration &tls = {})
    {
        auto *ssl = tls.isNull() ? nullptr : new QSslServer;
        if (ssl)
            ssl->setSslConfiguration(tls);
        m_server.reset(ssl ? ssl : new QTcpServer);
        m_scheme = ssl ? "https" : "http";
        connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection())
                serve(socket);
        });
        return m_server->listen(QHostAddress::LocalHost);
    }
    QByteArray base() const
    {
        return m_scheme + "://127.0.0.1:" + QByteArray::number(m_server->serverPort());
    }
    QHash<QByteArray, Reply> routes;
    QList<QByteArray> requested;

private:
    void serve(QTcpSocket *socket)
    {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            const QByteArray in = socket->property("in").toByteArray() + socket->readAll();
            socket->setProperty("in", in);
            if (!in.contains("\r\n\r\n") || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            const QByteArray path = in.split(' ').value(1);
            requested.append(path);
            const Reply r = routes.value(path, status(404));
            if (r.mode == Reply::Silent)
                return;
            QByteArray out = "HTTP/1.1 " + QByteArray::number(r.status)
                    + (r.status == 200 ? " OK" : r.status == 302 ? " Found" : " Not Found");
            if (r.length != -2)
                out += "\r\nContent-Length: "
                        + QByteArray::number(r.length == -1 ? r.body.size() : r.length);
            if (!r.location.isEmpty())
                out += "\r\nLocation: " + r.location;
            socket->write(out + "\r\nConnection: close\r\n\r\n"
                          + (r.mode == Reply::Whole ? r.body : r.body.left(r.cut)));
            if (r.mode != Reply::Stall)
                socket->disconnectFromHost();
        });
    }
    std::unique_ptr<QTcpServer> m_server;
    QByteArray m_scheme;
};

// Bytes that differ from one position to the next, so a cut or a shifted
// copy never passes for the whole.
static QByteArray payload(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 12345;
    for (char &byte : bytes)
        byte = char((state = state * 1103515245u + 12345u) >> 24);
    return bytes;
}

static QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

class tst_LiveUpdate : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void parseConfig_data();
    void parseConfig();
    void safeFileName_data();
    void safeFileName();
    void buildDefaults();
    void wizard_data();
    void wizard();
    void saveFolder_data();
    void saveFolder();
    void configFolderIsPrivate();
    void cancelLeavesNothing();
    void launch_data();
    void launch();
    void textsFit_data();
    void textsFit();

private:
    vcUPDATECTL *open();
    void runWizard();
    QString shown() const;
    vcUPDATECTL *control() const { return m_window->vcUPDATECTL; }

    Server m_http, m_https;
    QNetworkAccessManager m_network;
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_home, m_temp;
    TestServices m_services;
    QPointer<frmUPDATE> m_window;
    const QByteArray m_foreign = "Evil\r\n9.9.9\r\nhttp://127.0.0.1:1/evil.zip\r\n";
};

void tst_LiveUpdate::initTestCase()
{
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    // https on 127.0.0.1 with a certificate made for it, trusted by this
    // process alone.
    const QSslCertificate certificate(TestFiles::readFile(QFINDTESTDATA("loopback.crt")));
    const QSslKey key(TestFiles::readFile(QFINDTESTDATA("loopback.key")), QSsl::Rsa);
    QVERIFY(!certificate.isNull() && !key.isNull());
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificate);
    tls.setPrivateKey(key);
    QVERIFY(m_http.listen() && m_https.listen(tls));
    QSslConfiguration client = QSslConfiguration::defaultConfiguration();
    client.addCaCertificate(certificate);
    QSslConfiguration::setDefaultConfiguration(client);
}

void tst_LiveUpdate::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    m_home = m_root->filePath("home");
    m_temp = m_root->filePath("temp");
    QVERIFY(QDir().mkpath(m_home + "/Desktop") && QDir().mkpath(m_temp));
    // Another user's file under the copy's old fixed name.
    QVERIFY(TestFiles::writeFile(m_temp + "/_vclu.txt", m_foreign));
    qputenv("HOME", QFile::encodeName(m_home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_root->filePath("config")));
    qputenv("TEMP", QFile::encodeName(m_temp));
    qputenv("CINDRAL_UPDATE_URL", m_http.base() + "/cfg");
    m_http.routes.clear();
    m_https.routes.clear();
    m_http.requested.clear();
    m_services.messages.messages.clear();
    m_services.launcher.opened.clear();
}

void tst_LiveUpdate::cleanup()
{
    delete m_window;
    QApplication::setFont(QFont());
}

vcUPDATECTL *tst_LiveUpdate::open()
{
    m_window = new frmUPDATE(m_services.services(), &m_network);
    m_window->show();
    return control();
}

// Presses Next as long as the wizard offers it, each time waiting for the
// download it starts.
void tst_LiveUpdate::runWizard()
{
    do {
        QTest::mouseClick(control()->cmdNEXT, Qt::LeftButton);
        QVERIFY(QTest::qWaitFor([this] { return !control()->isDownloading(); }, 15000));
    } while (control()->cmdNEXT->isEnabled());
}

// The texts of the page shown.
QString tst_LiveUpdate::shown() const
{
    QStringList texts;
    for (QLabel *label : control()->fraFRAME[control()->step()]->findChildren<QLabel *>())
        if (!label->isHidden())
            texts << label->text();
    return texts.join('\n');
}

void tst_LiveUpdate::parseConfig_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("fields"); // title, version, address, file name
    QTest::addColumn<int>("checksum");
    const QByteArray hex(64, 'A');
    QTest::newRow("CR LF") << QByteArray("T 2\r\n0.2.0\r\nhttp://h/dl/c.zip\r\n")
                           << QStringList{ "T 2", "0.2.0", "http://h/dl/c.zip", "c.zip" } << 0;
    QTest::newRow("LF, lone CR, blanks kept")
            << QByteArray(" T \n0.2 \rhttp://h/a") << QStringList{ " T ", "0.2 ", "http://h/a", "a" }
            << 0;
    QTest::newRow("two lines") << QByteArray("T\r\n\r\n") << QStringList{ "T", "", "", "" } << 0;
    QTest::newRow("address without slash, later lines ignored")
            << QByteArray("\xEF\xBB\xBFT\n1\nsetup.exe\nnotes\nsha256=" + hex)
            << QStringList{ "T", "1", "setup.exe", "setup.exe" } << 0;
    QTest::newRow("checksum") << QByteArray("T\n1\nh/a\nsha256=" + hex)
                              << QStringList{ "T", "1", "h/a", "a" } << 1;
    QTest::newRow("checksum cut short") << QByteArray("T\n1\nh/a\nsha256=" + hex.left(63))
                                        << QStringList{ "T", "1", "h/a", "a" } << 2;
}

void tst_LiveUpdate::parseConfig()
{
    QFETCH(QByteArray, bytes);
    const LiveUpdate::UpdateConfig config = LiveUpdate::parseConfig(bytes);
    QTEST((QStringList{ config.title, config.newestVersion, config.url, config.fileName }),
          "fields");
    QTEST(int(config.checksum), "checksum");
    if (config.checksum == LiveUpdate::Checksum::Sha256)
        QCOMPARE(config.sha256, QByteArray(32, char(0xAA)));
}

void tst_LiveUpdate::safeFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("safe");
    QTest::newRow("plain") << "cindral 0.2.0.zip" << true;
    QTest::newRow("non-ASCII") << QString::fromUtf8("aggiornamento-\xC3\xA8.zip") << true;
    QTest::newRow("dot inside") << "a..b" << true;
    for (const char *name : { "", ".", "..", "...", ".profile", ".bashrc.zip", "a/b", "..\\evil.exe",
                              "a\tb", "a\n", "a\x7F", "a\xC2\x85" })
        QTest::newRow(name) << QString::fromUtf8(name) << false;
}

void tst_LiveUpdate::safeFileName()
{
    QFETCH(QString, name);
    QTEST(LiveUpdate::isSafeFileName(name), "safe");
}

void tst_LiveUpdate::buildDefaults()
{
    qunsetenv("CINDRAL_UPDATE_URL");
    QCOMPARE(QUrl(LiveUpdate::configFileUrl()).scheme(), QStringLiteral("https"));
    qputenv("CINDRAL_UPDATE_URL", "http://127.0.0.1:8/x.txt");
    QCOMPARE(LiveUpdate::configFileUrl(), QStringLiteral("http://127.0.0.1:8/x.txt"));
    QVERIFY(LiveUpdate::maxUpdateBytes() >= 1000 * 1000);
    // The unit is chosen on the exact count, before rounding.
    QCOMPARE(LiveUpdate::completionText(999999, QLocale::c()), "Download of 1000.00 KB complete.");
    QCOMPARE(LiveUpdate::completionText(1000000, QLocale::c()), "Download of 1.00 MB complete.");
}

// "@" in a reply or a text is the http server's address, "#" the https one's.
void tst_LiveUpdate::wizard_data()
{
    QTest::addColumn<bool>("tls"); // the configuration is fetched over https
    QTest::addColumn<Reply>("config");
    QTest::addColumn<Reply>("update"); // served at /u.zip
    QTest::addColumn<qint64>("cap");
    QTest::addColumn<QString>("shows");
    QTest::addColumn<QByteArray>("saved"); // u.zip's bytes afterwards

    const QByteArray update = payload(1500000), old = "the version the user has";
    const Reply config = ok("Cindral 0.2\r\n0.2.0\r\n@/u.zip\r\n");
    const qint64 cap = LiveUpdate::maxUpdateBytes();
    const QString failed = "Error connecting to host.  Unable to complete Live Update.\n";
    auto row = [&](const char *name, const Reply &c, const Reply &u, qint64 limit,
                   const QString &shows, const QByteArray &saved, bool tls = false) {
        QTest::newRow(name) << tls << c << u << limit << shows << saved;
    };
    row("same version", ok("T\r\n" CINDRAL_VERSION "\r\n@/u.zip"), ok(update), cap,
        "There isn't update.", old);
    row("new version", config, ok(update), cap, "Download of 1.50 MB complete.", update);
    row("https throughout", ok("T\r\n0.2.0\r\n#/u.zip"), ok(update), cap, "complete.", update, true);
    row("checksum matches", ok(config.body + "sha256=" + QCryptographicHash::hash(
                                      update, QCryptographicHash::Sha256).toHex()),
        ok(update), cap, "complete.", update);
    row("checksum differs", ok(config.body + "sha256=" + QByteArray(64, '0')), ok(update), cap,
        "does not match its SHA-256 checksum", old);
    row("hidden file name", ok("T\r\n0.2.0\r\n@/.profile"), ok(update), cap, "no usable file name",
        old);
    row("configuration missing", status(404), ok(update), cap,
        failed + "@/cfg: the server answered 404 Not Found", old);
    row("configuration of 1 MB", ok(QByteArray(1000000, '\n'), Reply::Whole, 0, -2), ok(update),
        cap, "larger than 64 KB", old);
    row("configuration silent", Reply{ 200, {}, {}, -1, Reply::Silent }, ok(update), cap,
        failed + "@/cfg: no data arrived for 0.7 seconds", old);
    row("configuration redirected to a local file", redirect("file:///etc/passwd"), ok(update), cap,
        failed + "@/cfg: ", old);
    row("configuration redirected from https to http", redirect("@/cfg"), ok(update), cap,
        failed + "#/cfg: a redirect to @/cfg was refused", old, true);
    row("update redirected from https to http", ok("T\r\n0.2.0\r\n#/u.zip"), redirect("@/u.zip"),
        cap, failed + "#/u.zip: a redirect to @/u.zip was refused", old, true);
    row("update missing", config, status(404), cap, "@/u.zip: the server answered 404", old);
    row("update cut off", config, ok(update, Reply::Drop, 150000), cap,
        failed + "@/u.zip: ", old);
    row("update stalls", config, ok(update, Reply::Stall, 150000), cap,
        "@/u.zip: no data arrived for 0.7 seconds", old);
    row("update streams past the cap", config, ok(update, Reply::Whole, 0, -2), 1000000,
        "The update is larger than 1.00 MB", old);
    row("update announced past the cap", config, ok(update, Reply::Stall, 10), 1000000,
        "The update is larger than 1.00 MB", old);
    row("update announced past the free space", config, ok({}, Reply::Stall, 0, qint64(1) << 60),
        std::numeric_limits<qint64>::max(), "The update needs 1152921504606.85 MB;", old);
}

void tst_LiveUpdate::wizard()
{
    QFETCH(bool, tls);
    QFETCH(Reply, config);
    QFETCH(Reply, update);
    QFETCH(QByteArray, saved);
    const QString target = m_home + "/Desktop/u.zip";
    QVERIFY(TestFiles::writeFile(target, "the version the user has"));
    for (QByteArray *text : { &config.body, &config.location, &update.location })
        text->replace('@', m_http.base()).replace('#', m_https.base());
    for (Server *server : { &m_http, &m_https })
        server->routes = { { "/cfg", config }, { "/u.zip", update } };
    if (tls)
        qputenv("CINDRAL_UPDATE_URL", m_https.base() + "/cfg");
    const auto stalls = [](const Reply &r) { return r.mode == Reply::Stall || r.mode == Reply::Silent; };
    open()->setTransferTimeout(stalls(config) || stalls(update) ? 700 : 10000);
    QFETCH(qint64, cap);
    control()->setMaxUpdateBytes(cap);
    runWizard();

    QFETCH(QString, shows);
    shows.replace('@', m_http.base()).replace('#', m_https.base());
    QVERIFY2(shown().contains(shows), qPrintable(shown()));
    QCOMPARE(TestFiles::readFile(target), saved);
    QCOMPARE(entries(m_home + "/Desktop"), QStringList{ "u.zip" });
    // Nothing but the other user's file in the shared temporary folder.
    QCOMPARE(entries(m_temp), QStringList{ "_vclu.txt" });
    QCOMPARE(TestFiles::readFile(m_temp + "/_vclu.txt"), m_foreign);
    if (tls) // never a request in clear text
        QCOMPARE(m_http.requested, QList<QByteArray>());
    const bool done = control()->cmdCANCEL->text() == "Fine";
    QTest::mouseClick(control()->cmdCANCEL, Qt::LeftButton);
    QCOMPARE(m_services.launcher.opened, done ? QStringList{ target } : QStringList());
}

void tst_LiveUpdate::saveFolder_data()
{
    QTest::addColumn<QStringList>("folders"); // in the home folder
    QTest::addColumn<QByteArray>("userDirs");
    QTest::addColumn<QString>("savedIn"); // empty when nothing may be saved
    QTest::newRow("desktop") << QStringList{ "Desktop", "Downloads" } << QByteArray() << "Desktop";
    QTest::newRow("no desktop") << QStringList{ "Downloads" } << QByteArray() << "Downloads";
    QTest::newRow("desktop is the home folder")
            << QStringList{ "Downloads" } << QByteArray("XDG_DESKTOP_DIR=\"$HOME/\"\n") << "Downloads";
    QTest::newRow("neither") << QStringList() << QByteArray("XDG_DOWNLOAD_DIR=\"$HOME\"\n") << "";
}

void tst_LiveUpdate::saveFolder()
{
    QFETCH(QStringList, folders);
    QFETCH(QByteArray, userDirs);
    QFETCH(QString, savedIn);
    QVERIFY(QDir(m_home + "/Desktop").removeRecursively());
    for (const QString &folder : folders)
        QVERIFY(QDir(m_home).mkpath(folder));
    QVERIFY(QDir().mkpath(m_root->filePath("config")));
    QVERIFY(TestFiles::writeFile(m_root->filePath("config/user-dirs.dirs"), userDirs));
    m_http.routes = { { "/cfg", ok("T\r\n0.2.0\r\n" + m_http.base() + "/u.zip") },
                      { "/u.zip", ok(payload(3000)) } };
    open();
    runWizard();
    if (savedIn.isEmpty()) {
        QVERIFY2(shown().contains("no desktop or downloads folder") && shown().contains(m_home),
                 qPrintable(shown()));
        QCOMPARE(entries(m_home), folders);
        QVERIFY(!m_http.requested.contains("/u.zip"));
    } else {
        QCOMPARE(TestFiles::readFile(m_home + "/" + savedIn + "/u.zip"), payload(3000));
    }
}

void tst_LiveUpdate::configFolderIsPrivate()
{
    m_http.routes = { { "/cfg", ok("T\r\n0.2.0\r\n", Reply::Stall, 3) } };
    QTest::mouseClick(open()->cmdNEXT, Qt::LeftButton);
    QTRY_VERIFY(m_http.requested.contains("/cfg"));
    QStringList made = entries(m_temp);
    QVERIFY(made.removeOne("_vclu.txt"));
    QCOMPARE(made.size(), 1);
    const QFileInfo folder(m_temp + "/" + made.first());
    QVERIFY(folder.isDir());
    QCOMPARE(folder.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
                                     | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
             QFile::Permissions());
    QTest::mouseClick(control()->cmdCANCEL, Qt::LeftButton);
    QCOMPARE(entries(m_temp), QStringList{ "_vclu.txt" });
}

void tst_LiveUpdate::cancelLeavesNothing()
{
    m_http.routes = { { "/cfg", ok("T\r\n0.2.0\r\n" + m_http.base() + "/u.zip") },
                      { "/u.zip", ok(payload(200000), Reply::Stall, 100000) } };
    open();
    QTest::mouseClick(control()->cmdNEXT, Qt::LeftButton);
    QTRY_VERIFY(control()->cmdNEXT->isEnabled());
    QTest::mouseClick(control()->cmdNEXT, Qt::LeftButton);
    QTRY_COMPARE(control()->lblPROGRESSUPDATE->text(), "100.00 KB of 200.00 KB downloaded...");
    QTest::mouseClick(control()->cmdCANCEL, Qt::LeftButton);
    QCOMPARE(entries(m_home + "/Desktop"), QStringList());
    QCOMPARE(m_services.launcher.opened, QStringList());
}

void tst_LiveUpdate::launch_data()
{
    QTest::addColumn<QByteArray>("opener"); // the opener's last line; null when there is none
    QTest::addColumn<bool>("warns");
    QTest::newRow("opened") << QByteArray("exit 0") << false;
    QTest::newRow("no program for the file type") << QByteArray("exit 3") << true;
    QTest::newRow("no opener") << QByteArray() << true;
}

void tst_LiveUpdate::launch()
{
    QFETCH(QByteArray, opener);
    QFETCH(bool, warns);
    const QString program = m_root->filePath("opener"), log = m_root->filePath("log");
    const QString file = m_home + "/Desktop/cindral 0.2.0.zip";
    if (!opener.isNull()) {
        QVERIFY(TestFiles::writeFile(program, "#!/bin/sh\nprintf %s \"$1\" > '"
                                             + log.toUtf8() + "'\n" + opener + "\n"));
        QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
    }
    Platform::DesktopLauncher launcher(program);
    Platform::Services services = m_services.services();
    services.launcher = &launcher;
    m_window = new frmUPDATE(services, &m_network);
    m_window->vcUPDATECTL_CloseRequest(file);
    QCOMPARE(TestFiles::readFile(log), opener.isNull() ? QByteArray() : file.toUtf8());
    QCOMPARE(m_services.messages.messages.size(), warns ? 1 : 0);
    if (warns) {
        QCOMPARE(m_services.messages.messages.first().text, "Error jumping to:" + file);
        QCOMPARE(m_services.messages.messages.first().title, "Warning");
    }
}

void tst_LiveUpdate::textsFit_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<bool>("served");
    QTest::newRow("10 pt") << 10 << true;
    QTest::newRow("12 pt") << 12 << true;
    QTest::newRow("12 pt, failed connection") << 12 << false;
}

void tst_LiveUpdate::textsFit()
{
    QFETCH(int, points);
    QFETCH(bool, served);
    QApplication::setFont(QFont("DejaVu Sans", points));
    const QByteArray name = "/cindral-palette-editor-0.2.0-x86_64.AppImage";
    if (served)
        m_http.routes = { { "/cfg", ok("Cindral Palette Editor 0.2.0, the long-awaited one\r\n"
                                       "0.2.0.1234\r\n" + m_http.base() + name) },
                          { name, ok(payload(2000)) } };
    open();
    for (int page = 0; page < 3 && !QTest::currentTestFailed(); ++page) {
        for (QGroupBox *frame : control()->fraFRAME) {
            QList<QRect> taken;
            for (QLabel *label : frame->findChildren<QLabel *>()) {
                const QRect at = label->geometry();
                QVERIFY2(label->isHidden()
                                 || (label->heightForWidth(at.width()) <= at.height()
                                     && frame->contentsRect().contains(at)
                                     && std::none_of(taken.begin(), taken.end(),
                                                     [&](QRect r) { return r.intersects(at); })),
                         qPrintable(label->text()));
                if (!label->isHidden())
                    taken << at;
            }
            QVERIFY(control()->rect().contains(frame->geometry()));
        }
        for (QPushButton *button : { control()->cmdNEXT, control()->cmdCANCEL })
            QVERIFY(button->width() >= button->sizeHint().width()
                    && control()->rect().contains(button->geometry()));
        QVERIFY(m_window->rect().contains(control()->geometry()));
        if (!control()->cmdNEXT->isEnabled())
            break;
        QTest::mouseClick(control()->cmdNEXT, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!control()->isDownloading(), 10000);
    }
    QCOMPARE(control()->step(), served ? 2 : 1);
}

QTEST_MAIN(tst_LiveUpdate)
#include "tst_liveupdate.moc"
