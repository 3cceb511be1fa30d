#pragma once
// Powering the computer off.
#include <QDBusConnection>

#include <functional>
#include <string>

class IPowerControl {
public:
    virtual ~IPowerControl() = default;
    // Asks the system to power off. `done` gets the answer, on the calling
    // thread's event loop: empty on success, else what went wrong. The
    // caller's window keeps drawing meanwhile.
    virtual void PowerOff(std::function<void(const std::string& failure)> done) = 0;
};

// systemd-logind's PowerOff on `bus` (the system bus in the program), asked
// without waiting: logind may take as long as its authorisation agent does.
class LogindPower : public IPowerControl {
public:
    explicit LogindPower(QDBusConnection bus);
    void PowerOff(std::function<void(const std::string& failure)> done) override;

private:
    QDBusConnection bus;
};
