#include "portalcolorpicker.h"

#include <QAtomicInteger>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

#include <array>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString screenshotInterface = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");
// PickColor came with version 2 of the Screenshot interface.
constexpr uint firstVersionWithPickColor = 2;

// Tokens differ between all pickers of the process, so two windows never
// wait on the same request object.
QString nextHandleToken()
{
    static QAtomicInteger<quint32> counter;
    return QStringLiteral("cindral%1").arg(++counter);
}

// The object the portal will answer on: it is named after the caller's
// unique bus name and the token, so it can be listened to before the call
// and no answer slips past between call and reply.
QString expectedRequestPath(const QString &uniqueName, const QString &token)
{
    QString sender = uniqueName.startsWith(QLatin1Char(':')) ? uniqueName.mid(1) : uniqueName;
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return portalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
}

PortalColorPicker::Availability fromError(const QDBusError &error)
{
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoServer:
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::Disconnected:
        return PortalColorPicker::Availability::NoPortal;
    default:
        // A portal that answers, without the Screenshot interface.
        return PortalColorPicker::Availability::NoColorPicker;
    }
}

} // namespace

PortalColorPicker::PortalColorPicker(QDBusConnection bus, QObject *parent)
    : QObject(parent), m_bus(bus)
{
}

PortalColorPicker::~PortalColorPicker()
{
    cancel();
}

void PortalColorPicker::setAvailability(Availability availability)
{
    m_availability = availability;
    emit availabilityKnown(availability);
}

void PortalColorPicker::probe()
{
    if (!m_bus.isConnected()) {
        setAvailability(Availability::NoBus);
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(portalService, portalPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << screenshotInterface << QStringLiteral("version");
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(get, callTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (reply.isError()) {
            setAvailability(fromError(reply.error()));
            return;
        }
        bool ok = false;
        const uint version = reply.value().variant().toUInt(&ok);
        setAvailability(ok && version >= firstVersionWithPickColor ? Availability::Available
                                                                    : Availability::NoColorPicker);
    });
}

bool PortalColorPicker::pick(const QString &parentWindow)
{
    if (m_pending || !m_bus.isConnected())
        return false;
    const QString token = nextHandleToken();
    listenOn(expectedRequestPath(m_bus.baseService(), token));
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, screenshotInterface,
                                                       QStringLiteral("PickColor"));
    call << parentWindow << QVariantMap{ { QStringLiteral("handle_token"), token } };
    m_pending = true;
    m_call = new QDBusPendingCallWatcher(m_bus.asyncCall(call, callTimeoutMs), this);
    connect(m_call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        // The answer may already have come, or the pick been withdrawn.
        if (w != m_call)
            return;
        m_call = nullptr;
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            finish(std::nullopt);
            return;
        }
        // Portals older than the token convention answer elsewhere.
        if (reply.value().path() != m_requestPath)
            listenOn(reply.value().path());
    });
    return true;
}

void PortalColorPicker::cancel()
{
    if (!m_pending)
        return;
    // The desktop closes its picker; an unknown request object answers with
    // an error nobody waits for.
    QDBusMessage close = QDBusMessage::createMethodCall(portalService, m_requestPath, requestInterface,
                                                        QStringLiteral("Close"));
    close.setAutoStartService(false);
    m_bus.send(close);
    stopListening();
    m_pending = false;
    m_call = nullptr;
}

void PortalColorPicker::listenOn(const QString &path)
{
    stopListening();
    m_requestPath = path;
    m_bus.connect(portalService, path, requestInterface, QStringLiteral("Response"), this,
                  SLOT(onResponse(uint, QVariantMap)));
}

void PortalColorPicker::stopListening()
{
    if (m_requestPath.isEmpty())
        return;
    m_bus.disconnect(portalService, m_requestPath, requestInterface, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
    m_requestPath.clear();
}

void PortalColorPicker::onResponse(uint response, const QVariantMap &results)
{
    if (m_pending)
        finish(colourFromResponse(response, results));
}

void PortalColorPicker::finish(std::optional<QRgb> colour)
{
    stopListening();
    m_pending = false;
    m_call = nullptr;
    if (colour)
        emit picked(*colour);
    else
        emit nothingPicked();
}

std::optional<QRgb> PortalColorPicker::colourFromResponse(uint response, const QVariantMap &results)
{
    if (response != 0)
        return std::nullopt;
    const QVariant value = results.value(QStringLiteral("color"));
    if (value.userType() != qMetaTypeId<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("(ddd)"))
        return std::nullopt;
    std::array<double, 3> unit{};
    argument.beginStructure();
    argument >> unit[0] >> unit[1] >> unit[2];
    argument.endStructure();
    std::array<int, 3> channel{};
    for (size_t i = 0; i < unit.size(); ++i) {
        // Also false for NaN.
        if (!(unit[i] >= 0.0 && unit[i] <= 1.0))
            return std::nullopt;
        channel[i] = qRound(unit[i] * 255.0);
    }
    return qRgb(channel[0], channel[1], channel[2]);
}
