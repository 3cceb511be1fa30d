#pragma once
// Powering the computer off.
#include <QDBusConnection>

#include <string>

class IPowerControl {
public:
    virtual ~IPowerControl() = default;
    // Asks the system to power off; empty on success, else what went wrong.
    virtual std::string PowerOff() = 0;
};

// systemd-logind's PowerOff on `bus` (the system bus in the program).
class LogindPower : public IPowerControl {
public:
    explicit LogindPower(QDBusConnection bus);
    std::string PowerOff() override;

private:
    QDBusConnection bus;
};
