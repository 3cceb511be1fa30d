#include "platform/power.h"

#include <QDBusMessage>

LogindPower::LogindPower(QDBusConnection bus) : bus(std::move(bus))
{
}

std::string LogindPower::PowerOff()
{
    if (!bus.isConnected()) return bus.lastError().message().toStdString();
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                       "org.freedesktop.login1.Manager", "PowerOff");
    call.setArguments({false});
    const QDBusMessage reply = bus.call(call);
    if (reply.type() != QDBusMessage::ErrorMessage) return {};
    return reply.errorMessage().isEmpty() ? reply.errorName().toStdString() : reply.errorMessage().toStdString();
}
