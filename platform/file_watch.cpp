#include "platform/file_watch.h"

#include <QFileInfo>

void WatchFile(QFileSystemWatcher& watcher, const std::string& path, QObject* context, std::function<void()> changed)
{
    watcher.addPath(QString::fromStdString(path));
    QObject::connect(&watcher, &QFileSystemWatcher::fileChanged, context, [&watcher, changed](const QString& file) {
        // A file replaced by a rename is no longer watched: watch the new one.
        if (!watcher.files().contains(file) && QFileInfo::exists(file)) watcher.addPath(file);
        changed();
    });
}
