#include "platform/desktop_notifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace {

constexpr char kService[] = "org.freedesktop.Notifications";
constexpr int kServerDecidesHowLong = -1;

}  // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus) : bus(std::move(bus))
{
}

void DesktopNotifier::Notify(const std::string& summary, const std::string& body)
{
    // Asked first, so that no service is started (or waited for) on a bus without one.
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kService).value()) return;
    QDBusMessage message = QDBusMessage::createMethodCall(kService, "/org/freedesktop/Notifications", kService, "Notify");
    message.setArguments({QString("Tarvok DVD Ripper"), 0u, QString("tarvok-dvd-ripper"), QString::fromStdString(summary),
                          QString::fromStdString(body), QStringList(), QVariantMap(), kServerDecidesHowLong});
    bus.send(message);
}
