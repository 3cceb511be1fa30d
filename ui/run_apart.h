#pragma once
// Work that may wait on a drive, run on a thread of its own while the
// window's event loop goes on: the window keeps drawing and its buttons
// answer, Stop and Quit included, however long the drive takes.
#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QPointer>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

// `work`'s result once it is done; nothing when `owner` finished first (the
// program ends). The work is then left to end by itself, so it must own
// everything it touches: it captures values, never the window.
template <typename T>
std::optional<T> RunApart(QDialog& owner, std::function<T()> work)
{
    struct Shared {
        std::mutex lock;
        std::optional<T> result;
        QPointer<QEventLoop> waiting;  // touched on the window's thread only
    };
    auto shared = std::make_shared<Shared>();
    QEventLoop wait;
    shared->waiting = &wait;
    QObject::connect(&owner, &QDialog::finished, &wait, &QEventLoop::quit);
    std::thread([shared, work = std::move(work)] {
        T result = work();
        {
            const std::lock_guard<std::mutex> hold(shared->lock);
            shared->result = std::move(result);
        }
        // Queued: it reaches the loop even when the work ends before the loop has begun.
        QMetaObject::invokeMethod(QCoreApplication::instance(), [shared] {
            if (shared->waiting) shared->waiting->quit();
        }, Qt::QueuedConnection);
    }).detach();
    wait.exec();
    const std::lock_guard<std::mutex> hold(shared->lock);
    return std::move(shared->result);
}
