#include "platform/signal_watcher.h"

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

// A signal handler may only write to a pipe: the one state it needs lives here.
int pipeEnds[2] = {-1, -1};
constexpr int kWatched[] = {SIGINT, SIGTERM, SIGHUP};

void OnSignal(int signal)
{
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &number, 1);
}

}  // namespace

SignalWatcher::SignalWatcher(QObject* parent) : QObject(parent)
{
    if (pipeEnds[0] < 0 && pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    connect(notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char number = 0;
        while (read(pipeEnds[0], &number, 1) == 1) emit received(number);
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : kWatched) sigaction(signal, &action, nullptr);
}

SignalWatcher::~SignalWatcher()
{
    for (int signal : kWatched) std::signal(signal, SIG_DFL);
}
