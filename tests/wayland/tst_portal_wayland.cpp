#include "datafolder.h"
#include "frmcolorpicker.h"
#include "frmmain.h"
#include "modhook.h"
#include "pickerwidgets.h"
#include "testservices.h"

#include <QAction>
#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

static const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// One pick's request object; notes whether the caller withdrew it.
class StandInRequest : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    bool closed = false;
public slots:
    void Close() { closed = true; }
};

// The desktop portal's colour picker, answering as the test says (or not at
// all). It answers on the request object named by the caller's token, before
// the reply to the call, as a quick portal may.
class StandInPortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
    Q_PROPERTY(uint version READ version)
public:
    explicit StandInPortal(QDBusConnection bus) : m_bus(bus) { }
    uint version() const { return 2; }

    QString mode; // "answers", "refuses" or "silent"
    uint response = 0;
    QList<double> colour;
    int picks = 0;
    StandInRequest request;

public slots:
    QDBusObjectPath PickColor(const QString &, const QVariantMap &options, const QDBusMessage &call)
    {
        ++picks;
        if (mode == QLatin1String("refuses")) {
            call.setDelayedReply(true);
            m_bus.send(call.createErrorReply(QDBusError::AccessDenied, QStringLiteral("not now")));
            return {};
        }
        const QString path = portalPath + QStringLiteral("/request/")
                + call.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_')) + QLatin1Char('/')
                + options.value(QStringLiteral("handle_token")).toString();
        m_bus.registerObject(path, &request, QDBusConnection::ExportAllSlots);
        if (mode == QLatin1String("answers")) {
            QDBusArgument rgb;
            rgb.beginStructure();
            for (double c : colour)
                rgb << c;
            rgb.endStructure();
            QDBusMessage signal = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                             QStringLiteral("Response"));
            signal << response << QVariantMap{ { QStringLiteral("color"), QVariant::fromValue(rgb) } };
            m_bus.send(signal);
        }
        return QDBusObjectPath(path);
    }

private:
    QDBusConnection m_bus;
};

class tst_PortalWayland : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void mainWindowAndPickerShowNatively();
    void eyedropperTakesDesktopAnswer_data();
    void eyedropperTakesDesktopAnswer();

private:
    QDBusConnection m_bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("stand-in"));
    StandInPortal m_portal{ m_bus };
};

void tst_PortalWayland::cleanup()
{
    m_bus.unregisterObject(portalPath);
    m_bus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

void tst_PortalWayland::mainWindowAndPickerShowNatively()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
    TestServices services;
    frmMain main(services.services());
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    main.SelectCol->trigger();
    frmColorPicker *picker = main.colorPickerWindow();
    QVERIFY(QTest::qWaitForWindowExposed(picker));
    // Nothing here may follow the pointer over other programs.
    QVERIFY(!picker->imgMagnifier->isEnabled());
    QVERIFY(!picker->imgMagnifier->toolTip().isEmpty());
    picker->close();
}

void tst_PortalWayland::eyedropperTakesDesktopAnswer_data()
{
    QTest::addColumn<QString>("portal");
    QTest::addColumn<uint>("response");
    QTest::addColumn<QList<double>>("colour");
    QTest::addColumn<QString>("hex"); // empty: the colour stays
    QTest::addColumn<QString>("word");
    const QList<double> slate{ 0.2, 0.4, 0.6 };
    QTest::newRow("colour picked") << "answers" << 0u << slate << "336699" << "864D";
    QTest::newRow("white picked") << "answers" << 0u << QList<double>{ 1, 1, 1 } << "FFFFFF" << "FF7F";
    QTest::newRow("user cancelled") << "answers" << 1u << slate << "" << "";
    QTest::newRow("ended otherwise") << "answers" << 2u << slate << "" << "";
    QTest::newRow("colour out of range") << "answers" << 0u << QList<double>{ 1.5, 0, 0 } << "" << "";
    QTest::newRow("call refused") << "refuses" << 0u << slate << "" << "";
    QTest::newRow("window closed while waiting") << "silent" << 0u << slate << "" << "";
    QTest::newRow("no portal") << "none" << 0u << slate << "" << "";
    QTest::newRow("portal without picker") << "other" << 0u << slate << "" << "";
}

void tst_PortalWayland::eyedropperTakesDesktopAnswer()
{
    QFETCH(QString, portal);
    QFETCH(QString, hex);
    QFETCH(QString, word);
    QFile::remove(Platform::dataFile(QStringLiteral("Colorpicker.dat")));
    QFETCH(uint, response);
    QFETCH(QList<double>, colour);
    m_portal.mode = portal;
    m_portal.response = response;
    m_portal.colour = colour;
    m_portal.picks = 0;
    m_portal.request.closed = false;
    const bool served = portal != QLatin1String("none") && portal != QLatin1String("other");
    if (portal != QLatin1String("none")) {
        QVERIFY(m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
        // Without the picker, the portal's path shows some other interface.
        QVERIFY(m_bus.registerObject(portalPath, served ? static_cast<QObject *>(&m_portal) : &m_portal.request,
                                     QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
    }

    TestServices services;
    frmColorPicker w(services.services());
    const QString askingTip = w.imgEyedropper->toolTip();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Until the bus answers the icon says it is still asking.
    QTRY_VERIFY(w.imgEyedropper->toolTip() != askingTip);
    QCOMPARE(w.imgEyedropper->isEnabled(), served);
    w.objOption[3]->click();
    const QString before = w.txtHexColor->text() + w.txtGBAColor->text();
    const int pointerBefore = w.historyPointer();
    const quint32 historyBefore = w.lblHistoryColor[pointerBefore]->color();

    QTest::mousePress(w.imgEyedropper, Qt::LeftButton);
    QVERIFY(!ModHook::IsKeyboardGuardInstalled());
    QTest::mouseRelease(w.imgEyedropper, Qt::LeftButton);
    QTRY_COMPARE(m_portal.picks, served ? 1 : 0);
    if (portal == QLatin1String("silent")) {
        QVERIFY(w.imgEyedropper->pixmap().isNull());
        w.close();
        QTRY_VERIFY(m_portal.request.closed);
    }
    // The picture comes back when the desktop has answered.
    QTRY_VERIFY(!w.imgEyedropper->pixmap().isNull());

    const bool taken = !hex.isEmpty();
    QCOMPARE(w.txtHexColor->text() + w.txtGBAColor->text(), taken ? hex + word : before);
    // As a colour dropped by a drag: hue mode and a new history entry.
    QCOMPARE(w.objOption[0]->isChecked(), taken);
    QCOMPARE(w.historyPointer() != pointerBefore, taken);
    QCOMPARE(w.lblHistoryColor[w.historyPointer()]->color(), taken ? w.picNewColor->color() : historyBefore);
    // To look at the window under the compositor before it goes.
    QTest::qWait(qEnvironmentVariableIntValue("CINDRAL_HOLD_MS"));
}

QTEST_MAIN(tst_PortalWayland)
#include "tst_portal_wayland.moc"
