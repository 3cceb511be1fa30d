#pragma once
// SIGINT, SIGTERM and SIGHUP as a Qt signal on the event loop, so that a
// program stopped from outside ends its work properly (a converted file is
// finished, a drive unlocked) instead of dying in the middle of it.
#include <QObject>
#include <QSocketNotifier>

#include <memory>

class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

signals:
    void received(int signal);

private:
    std::unique_ptr<QSocketNotifier> notifier;
};
