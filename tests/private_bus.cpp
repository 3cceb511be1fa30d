#include "tests/private_bus.h"

#include "tests/test_discs.h"

#include <QFile>
#include <QProcessEnvironment>

PrivateBus::PrivateBus()
{
    daemon.start("dbus-daemon", {"--session", "--nofork", "--nopidfile", "--print-address=1"});
    if (!daemon.waitForReadyRead(10000)) return;
    address = QString::fromUtf8(daemon.readLine()).trimmed();
    logFile = QString::fromStdString(ScratchFolder()) + "/dbus-calls.log";
    QFile::remove(logFile);
    connectionName = "tarvok-test-" + address;
}

PrivateBus::~PrivateBus()
{
    QDBusConnection::disconnectFromBus(connectionName);
    for (auto& mock : mocks) {
        mock->kill();
        mock->waitForFinished();
    }
    daemon.kill();
    daemon.waitForFinished();
}

QDBusConnection PrivateBus::Connection() const
{
    return QDBusConnection::connectToBus(address, connectionName);
}

bool PrivateBus::StartMock(const QString& kind, const QStringList& arguments)
{
    auto mock = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DBUS_SYSTEM_BUS_ADDRESS", address);
    mock->setProcessEnvironment(environment);
    mock->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Debian's own Python holds the dbus and dbusmock modules.
    mock->start("/usr/bin/python3", QStringList{TARVOK_TESTS_DIR "/dbus_mocks.py", kind, logFile} + arguments);
    const bool ready = mock->waitForReadyRead(20000) && mock->readLine().trimmed() == "ready";
    mocks.push_back(std::move(mock));
    return ready;
}

std::string PrivateBus::Log() const
{
    QFile file(logFile);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}
