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
#include <QSslKey>
#include <QSslServer>
#include <QTemporaryDir>
#include <QTest>

// What the test server answers for one path: the body, then a close or
// silence (Stall), or nothing; length -1 announces the body's size, -2 none.
struct Reply
{
    enum Mode { Close, Stall, Silent };
    int status = 200;
    QByteArray body, location;
    qint64 length = -1;
    Mode mode = Close;
};
Q_DECLARE_METATYPE(Reply)

static Reply ok(const QByteArray &body, qint64 length = -1, Reply::Mode mode = Reply::Close)
{
    return { 200, body, {}, length, mode };
}

// HTTP/1.1 on 127.0.0.1 (https when given a TLS set-up): each path is
// answered as routed, others with 404, and the paths asked for are kept.
class Server : public QObject
{
public:
    bool listen(QTcpServer *server)
    {
        m_server.reset(server);
        connect(server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
            }
        });
        return server->listen(QHostAddress::LocalHost);
    }
    QByteArray base() const
    {
        return (qobject_cast<QSslServer *>(m_server.get()) ? "https" : "http")
                + QByteArray("://127.0.0.1:") + QByteArray::number(m_server->serverPort());
    }
    QHash<QByteArray, Reply> routes;
    QList<QByteArray> requested;

private:
    void answer(QTcpSocket *socket)
    {
        const QByteArray in = socket->property("in").toByteArray() + socket->readAll();
        socket->setProperty("in", in);
        if (!in.endsWith("\r\n\r\n"))
            return;
        requested.append(in.split(' ').value(1));
        const Reply r = routes.value(requested.last(), Reply{ 404, {}, {} });
        if (r.mode == Reply::Silent)
            return;
        QByteArray out = "HTTP/1.1 " + QByteArray::number(r.status)
                + (r.status == 200 ? " OK" : r.status == 302 ? " Found" : " Not Found");
        if (r.length != -2)
            out += "\r\nContent-Length: "
                    + QByteArray::number(r.length == -1 ? r.body.size() : r.length);
        if (!r.location.isEmpty())
            out += "\r\nLocation: " + r.location;
        socket->write(out + "\r\nConnection: close\r\n\r\n" + r.body);
        if (r.mode != Reply::Stall)
            socket->disconnectFromHost();
    }
    std::unique_ptr<QTcpServer> m_server;
};

// Bytes that differ from one position to the next, so a cut or a shifted
// copy never passes for the whole.
static QByteArray payload(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 2654435761u) >> 24);
    return bytes;
}

static QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

// How a wizard row runs, besides its replies.
enum RowFlags { Installs = 1, Tls = 2, Pt10 = 4, Pt12 = 8, OpenerFails = 16, NoOpener = 32 };

// The update wizard in its window against servers on 127.0.0.1, with the
// home, desktop and temporary folders in a fresh folder for each test.
class tst_LiveUpdate : public QObject
{
    Q_OBJECT

    Server m_http, m_https;
    QNetworkAccessManager m_network;
    std::unique_ptr<QTemporaryDir> m_root;
    QString m_home, m_temp;
    std::unique_ptr<TestServices> m_services;
    QPointer<frmUPDATE> m_window;
    const QByteArray m_foreign = "Evil\r\n9.9.9\r\nhttp://127.0.0.1:1/evil.zip\r\n";

    vcUPDATECTL *control() const { return m_window->vcUPDATECTL; }
    vcUPDATECTL *open(const Platform::Services &services)
    {
        m_window = new frmUPDATE(services, &m_network);
        m_window->show();
        return control();
    }

    // Presses Next as long as the wizard offers it, waiting each time for
    // the download it starts, and checks that the texts fit on each page
    // and that the window and its buttons stay where they were.
    void runWizard()
    {
        const QSize size = m_window->size();
        const QRect next = control()->cmdNEXT->geometry();
        do {
            QTest::mouseClick(control()->cmdNEXT, Qt::LeftButton);
            QVERIFY(QTest::qWaitFor([this] { return !control()->isDownloading(); }, 15000));
            checkTextsFit();
            QCOMPARE(m_window->size(), size);
            QCOMPARE(control()->cmdNEXT->geometry(), next);
        } while (control()->cmdNEXT->isEnabled() && !QTest::currentTestFailed());
    }

    // Each text is shown whole, inside its page and clear of the others;
    // pages and buttons lie inside the window.
    void checkTextsFit()
    {
        for (QLabel *label : control()->findChildren<QLabel *>()) {
            const QRect at = label->geometry();
            QVERIFY2(label == control()->Image1 || label->isHidden()
                             || (label->heightForWidth(at.width()) <= at.height()
                                 && label->parentWidget()->contentsRect().contains(at)),
                     qPrintable(label->text()));
            for (QLabel *other : label->parentWidget()->findChildren<QLabel *>(
                         Qt::FindDirectChildrenOnly))
                QVERIFY2(other == label || other->isHidden() || label->isHidden()
                                 || !other->geometry().intersects(at),
                         qPrintable(label->text() + " / " + other->text()));
        }
        for (QPushButton *button : { control()->cmdNEXT, control()->cmdCANCEL })
            QVERIFY(button->width() >= button->sizeHint().width()
                    && control()->rect().contains(button->geometry()));
        QVERIFY(control()->rect().contains(control()->fraFRAME[0]->geometry())
                && m_window->rect().contains(control()->geometry()));
    }

    // The texts of the page shown.
    QString shown() const
    {
        QStringList texts;
        for (QLabel *label : control()->fraFRAME[control()->step()]->findChildren<QLabel *>())
            texts << (label->isHidden() ? QString() : label->text());
        return texts.join('\n');
    }

private slots:
    void initTestCase()
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        // https with a certificate for 127.0.0.1 that only this process trusts.
        const QSslCertificate certificate(TestFiles::readFile(QFINDTESTDATA("loopback.crt")));
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(certificate);
        tls.setPrivateKey(QSslKey(TestFiles::readFile(QFINDTESTDATA("loopback.key")), QSsl::Rsa));
        auto *https = new QSslServer;
        https->setSslConfiguration(tls);
        QVERIFY(m_http.listen(new QTcpServer) && m_https.listen(https));
        QSslConfiguration client = QSslConfiguration::defaultConfiguration();
        client.addCaCertificate(certificate);
        QSslConfiguration::setDefaultConfiguration(client);
    }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_home = m_root->filePath("home");
        m_temp = m_root->filePath("temp");
        QVERIFY(QDir().mkpath(m_home + "/Desktop") && QDir().mkpath(m_temp));
        // Another user's file under the name the copy once had.
        QVERIFY(TestFiles::writeFile(m_temp + "/_vclu.txt", m_foreign));
        qputenv("HOME", QFile::encodeName(m_home));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_root->path()));
        qputenv("TEMP", QFile::encodeName(m_temp));
        qputenv("CINDRAL_UPDATE_URL", m_http.base() + "/cfg");
        m_http.routes = { { "/cfg", ok("T\r\n0.2.0\r\n" + m_http.base() + "/u.zip") },
                          { "/u.zip", ok(payload(3000)) } };
        m_http.requested.clear();
        m_services = std::make_unique<TestServices>();
    }

    void cleanup() { delete m_window; }

    void safeFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("safe");
        for (const char *name : { "cindral 0.2.0.zip", "aggiornamento-\xC3\xA8.zip", "a..b" })
            QTest::newRow(name) << QString::fromUtf8(name) << true;
        for (const char *name : { "", ".", "..", "...", ".profile", ".bashrc.zip", "a/b",
                                  "..\\evil.exe", "a\tb", "a\n", "a\x7F", "a\xC2\x85" })
            QTest::newRow(name) << QString::fromUtf8(name) << false;
    }

    void safeFileName()
    {
        QFETCH(QString, name);
        QTEST(LiveUpdate::isSafeFileName(name), "safe");
    }

    void defaults()
    {
        qunsetenv("CINDRAL_UPDATE_URL");
        QCOMPARE(QUrl(LiveUpdate::configFileUrl()).scheme(), "https");
        // The unit is chosen on the exact count, before rounding.
        QCOMPARE(LiveUpdate::completionText(999999, QLocale::c()) + " "
                         + LiveUpdate::completionText(1000000, QLocale::c()),
                 "Download of 1000.00 KB complete. Download of 1.00 MB complete.");
    }

    // "@" in a reply or a text is the http server's address, "#" the https
    // one's.
    void wizard_data()
    {
        QTest::addColumn<Reply>("config");
        QTest::addColumn<Reply>("update"); // served at /u.zip
        QTest::addColumn<QString>("shows");
        QTest::addColumn<int>("flags"); // without Installs the user's old u.zip stays as it was
        QTest::addColumn<qint64>("cap");

        const QByteArray update = payload(1500000), half = update.left(750000);
        const Reply config = ok("Cindral Palette Editor 0.2.0, the long-awaited one\r\n0.2.0\r\n"
                                "@/u.zip\r\n"),
                    none{ 404, {}, {} };
        const QString failed = "Error connecting to host.  Unable to complete Live Update.\n";
        const auto row = [](const char *name, const Reply &c, const Reply &u, const QString &shows,
                            int flags = 0, qint64 cap = LiveUpdate::maxUpdateBytes()) {
            QTest::newRow(name) << c << u << shows << flags << cap;
        };
        const auto moved = [](const QByteArray &to) { return Reply{ 302, {}, to }; };
        const QByteArray sum = QCryptographicHash::hash(update, QCryptographicHash::Sha256).toHex();
        row("same version, 12 pt", ok("T\r\n" CINDRAL_VERSION "\r\n@/u.zip"), ok(update),
            "There isn't update.", Pt12);
        row("new version, 10 pt", config, ok(update), "Download of 1.50 MB complete.",
            Installs | Pt10);
        row("opener finds no program", config, ok(update), "complete.", Installs | OpenerFails);
        row("no opener", config, ok(update), "complete.", Installs | NoOpener);
        row("https throughout", ok("T\r\n0.2.0\r\n#/u.zip"), ok(update), "complete.",
            Installs | Tls);
        row("checksum matches", ok(config.body + "sha256=" + sum), ok(update), "complete.",
            Installs);
        row("checksum differs", ok(config.body + "sha256=" + QByteArray(64, '0')), ok(update),
            "does not match its SHA-256 checksum");
        row("hidden file name", ok("T\r\n0.2.0\r\n@/.profile"), ok(update), "no usable file name");
        row("configuration missing, 12 pt", none, ok(update),
            failed + "@/cfg: the server answered 404 Not Found", Pt12);
        row("configuration of 1 MB", ok(QByteArray(1000000, '\n'), -2), ok(update),
            "larger than 64 KB");
        row("configuration silent", Reply{ 200, {}, {}, -1, Reply::Silent }, ok(update),
            failed + "@/cfg: no data arrived for 0.7 seconds");
        row("configuration redirected to a local file", moved("file:///etc/passwd"), ok(update),
            failed + "@/cfg: ");
        row("configuration redirected from https to http", moved("@/cfg"), ok(update),
            failed + "#/cfg: a redirect to @/cfg was refused", Tls);
        row("update redirected from https to http", ok("T\r\n0.2.0\r\n#/u.zip"), moved("@/u.zip"),
            failed + "#/u.zip: a redirect to @/u.zip was refused", Tls);
        row("update missing, 12 pt", config, none, failed + "@/u.zip: the server answered 404",
            Pt12);
        row("update cut off", config, ok(half, update.size()), failed + "@/u.zip: ");
        row("update stalls", config, ok(half, update.size(), Reply::Stall),
            failed + "@/u.zip: no data arrived for 0.7 seconds");
        row("update streams past the cap", config, ok(update, -2),
            "The update is larger than 1.00 MB", 0, 1000000);
        row("update announced past the cap", config, ok({}, update.size(), Reply::Stall),
            "The update is larger than 1.00 MB", 0, 1000000);
        row("update announced past the free space", config, ok({}, qint64(1) << 60, Reply::Stall),
            "The update needs 1152921504606.85 MB;", 0, std::numeric_limits<qint64>::max());
    }

    void wizard()
    {
        QFETCH(Reply, config);
        QFETCH(Reply, update);
        QFETCH(QString, shows);
        QFETCH(int, flags);
        const QString target = m_home + "/Desktop/u.zip", log = m_root->filePath("log");
        QVERIFY(TestFiles::writeFile(target, "the version the user has"));
        for (QByteArray *text : { &config.body, &config.location, &update.location })
            text->replace('@', m_http.base()).replace('#', m_https.base());
        shows.replace('@', m_http.base()).replace('#', m_https.base());
        m_http.routes = m_https.routes = { { "/cfg", config }, { "/u.zip", update } };
        if (flags & Tls)
            qputenv("CINDRAL_UPDATE_URL", m_https.base() + "/cfg");
        QApplication::setFont(QFont("DejaVu Sans", flags & Pt10 ? 10 : flags & Pt12 ? 12 : 9));
        // A stand-in for xdg-open that notes what it was asked to open.
        const QString opener = m_root->filePath("opener");
        const QByteArray script = "#!/bin/sh\nprintf %s \"$1\" >'" + log.toUtf8() + "'\nexit "
                + (flags & OpenerFails ? "3" : "0");
        QVERIFY((flags & NoOpener)
                || (TestFiles::writeFile(opener, script)
                    && QFile::setPermissions(opener, QFile::ReadOwner | QFile::ExeOwner)));
        Platform::DesktopLauncher launcher(opener);
        Platform::Services services = m_services->services();
        services.launcher = &launcher;
        const bool stalls = config.mode == Reply::Silent || update.mode == Reply::Stall;
        open(services)->setTransferTimeout(stalls ? 700 : 10000);
        QFETCH(qint64, cap);
        control()->setMaxUpdateBytes(cap);
        checkTextsFit();
        runWizard();

        QVERIFY2(shown().contains(shows), qPrintable(shown()));
        const bool installs = flags & Installs;
        QCOMPARE(TestFiles::readFile(target), installs ? update.body : "the version the user has");
        QCOMPARE(entries(m_home + "/Desktop"), QStringList{ "u.zip" });
        // Nothing but the other user's file in the shared temporary folder.
        QCOMPARE(entries(m_temp), QStringList{ "_vclu.txt" });
        QCOMPARE(TestFiles::readFile(m_temp + "/_vclu.txt"), m_foreign);
        if (flags & Tls) // never a request in clear text
            QCOMPARE(m_http.requested, QList<QByteArray>());
        QTest::mouseClick(control()->cmdCANCEL, Qt::LeftButton);
        QCOMPARE(TestFiles::readFile(log),
                 installs && !(flags & NoOpener) ? target.toUtf8() : QByteArray());
        QStringList warnings;
        for (const RecordedMessage &message : m_services->messages.messages)
            warnings << message.title + ": " + message.text;
        QCOMPARE(warnings, installs && (flags & (OpenerFails | NoOpener))
                         ? QStringList{ "Warning: Error jumping to:" + target }
                         : QStringList());
    }

    void saveFolder_data()
    {
        QTest::addColumn<QStringList>("folders"); // in the home folder
        QTest::addColumn<QString>("userDirs");
        QTest::addColumn<QString>("savedIn"); // empty when nothing may be saved
        const QStringList downloads{ "Downloads" };
        QTest::newRow("no desktop") << downloads << "" << "Downloads";
        QTest::newRow("desktop is home") << downloads << "XDG_DESKTOP_DIR=$HOME/" << "Downloads";
        QTest::newRow("neither") << QStringList() << "XDG_DOWNLOAD_DIR=$HOME" << "";
    }

    void saveFolder()
    {
        QFETCH(QStringList, folders);
        QFETCH(QString, userDirs);
        QFETCH(QString, savedIn);
        QVERIFY(QDir(m_home + "/Desktop").removeRecursively()
                && TestFiles::writeFile(m_root->filePath("user-dirs.dirs"), userDirs.toUtf8()));
        for (const QString &folder : folders)
            QVERIFY(QDir(m_home).mkdir(folder));
        open(m_services->services());
        runWizard();
        QCOMPARE(entries(m_home), folders);
        if (!savedIn.isEmpty())
            QCOMPARE(TestFiles::readFile(m_home + "/" + savedIn + "/u.zip"), payload(3000));
        else
            QVERIFY2(shown().contains("no desktop or downloads folder") && shown().contains(m_home)
                             && !m_http.requested.contains("/u.zip"),
                     qPrintable(shown()));
    }

    void cancelLeavesNothing()
    {
        m_http.routes["/cfg"] = ok("T\r\n0.2.0\r\n", 100, Reply::Stall);
        QTest::mouseClick(open(m_services->services())->cmdNEXT, Qt::LeftButton);
        QTRY_VERIFY(m_http.requested.contains("/cfg"));
        // The configuration's folder is new and the user's own.
        const QStringList made = entries(m_temp).filter("cindral");
        QCOMPARE(made.size(), 1);
        QCOMPARE(QFileInfo(m_temp + "/" + made.first()).permissions() & 0x77, QFile::Permissions());
        QTest::mouseClick(control()->cmdCANCEL, Qt::LeftButton);
        QCOMPARE(entries(m_temp), QStringList{ "_vclu.txt" });
    }
};

QTEST_MAIN(tst_LiveUpdate)
#include "tst_liveupdate.moc"
