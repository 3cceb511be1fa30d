#include "platform/power.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

std::string Failure(const QDBusError& error)
{
    return error.message().isEmpty() ? error.name().toStdString() : error.message().toStdString();
}

}  // namespace

LogindPower::LogindPower(QDBusConnection bus) : bus(std::move(bus))
{
}

void LogindPower::PowerOff(std::function<void(const std::string& failure)> done)
{
    if (!bus.isConnected()) {
        done(bus.lastError().message().toStdString());
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                       "org.freedesktop.login1.Manager", "PowerOff");
    call.setArguments({false});
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [done = std::move(done)](QDBusPendingCallWatcher* finished) {
        const QDBusPendingReply<> reply = *finished;
        done(reply.isError() ? Failure(reply.error()) : std::string());
        finished->deleteLater();
    });
}
