#pragma once
// How a second launch given a disc hands it to the window that runs: a
// local socket of the user's own, next to the instance lock.
#include <QLocalServer>
#include <QObject>

#include <string>

class InstanceChannel : public QObject {
    Q_OBJECT
public:
    explicit InstanceChannel(const QString& name, QObject* parent = nullptr);
    // Listens for later launches; the name is this user's, and any socket left by a dead instance gives way.
    void Listen();
    // From a later launch: true once the running instance has taken `source`.
    static bool HandOver(const QString& name, const std::string& source);

signals:
    void sourceGiven(const std::string& source);

private:
    void OnConnection();
    QString name;
    QLocalServer server;
};
