#pragma once
// A D-Bus daemon of the test's own, with mock system services on it
// (python3-dbusmock): the machine's own bus is never touched.
#include <QDBusConnection>
#include <QProcess>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    bool Running() const { return !address.isEmpty(); }
    QDBusConnection Connection() const;
    // Where a program under test finds the bus (DBUS_SESSION_BUS_ADDRESS, DBUS_SYSTEM_BUS_ADDRESS).
    std::string Address() const { return address.toStdString(); }
    // Starts tests/dbus_mocks.py with `arguments` after the kind and log file.
    bool StartMock(const QString& kind, const QStringList& arguments = {});
    // The calls the mocks logged.
    std::string Log() const;

private:
    QProcess daemon;
    std::vector<std::unique_ptr<QProcess>> mocks;
    QString address;
    QString logFile;
    QString connectionName;
};
