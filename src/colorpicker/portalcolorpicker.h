#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QColor>
#include <QString>
#include <QVariantMap>

#include <optional>

class QDBusPendingCallWatcher;

// The desktop's own colour picker, asked through the desktop portal
// (org.freedesktop.portal.Screenshot.PickColor) where a program may not read
// the screen itself, as on Wayland. Every call has a time-out; a pick still
// waiting for the desktop is withdrawn when this object goes.
class PortalColorPicker : public QObject
{
    Q_OBJECT
public:
    enum class Availability { Unknown, Available, NoBus, NoPortal, NoColorPicker };

    explicit PortalColorPicker(QDBusConnection bus = QDBusConnection::sessionBus(),
                               QObject *parent = nullptr);
    ~PortalColorPicker() override;

    // Asks the bus whether a portal with a colour picker is there; the
    // answer comes as availabilityKnown.
    void probe();
    Availability availability() const { return m_availability; }

    // Starts a pick; false when one is already waiting. parentWindow is the
    // portal's window identifier ("x11:1a00003"), empty when there is none.
    bool pick(const QString &parentWindow);
    bool isPending() const { return m_pending; }
    // Withdraws a waiting pick; nothing is reported for it.
    void cancel();

    // The colour in a portal answer: response 0 with a colour of three
    // numbers from 0 to 1.
    static std::optional<QRgb> colourFromResponse(uint response, const QVariantMap &results);

    static constexpr int callTimeoutMs = 5000;

signals:
    void availabilityKnown(PortalColorPicker::Availability availability);
    // The desktop's answer to pick: a colour, or none because the user
    // cancelled or the portal failed.
    void picked(QRgb colour);
    void nothingPicked();

private slots:
    void onResponse(uint response, const QVariantMap &results);

private:
    void listenOn(const QString &path);
    void stopListening();
    void finish(std::optional<QRgb> colour);
    void setAvailability(Availability availability);

    QDBusConnection m_bus;
    Availability m_availability = Availability::Unknown;
    bool m_pending = false;
    QString m_requestPath;
    QDBusPendingCallWatcher *m_call = nullptr;
};
