#pragma once
// Desktop notifications: a line that pops up for the user, through the
// session bus's org.freedesktop.Notifications.
#include <QDBusConnection>

#include <string>

class INotifier {
public:
    virtual ~INotifier() = default;
    virtual void Notify(const std::string& summary, const std::string& body) = 0;
};

// Sends without waiting for an answer; a bus without a notification
// service (a headless machine) gets nothing, and nothing fails.
class DesktopNotifier : public INotifier {
public:
    explicit DesktopNotifier(QDBusConnection bus);
    void Notify(const std::string& summary, const std::string& body) override;

private:
    QDBusConnection bus;
};
