#pragma once
// A stand-in file (a mount table, a list of drives) watched for changes:
// each change calls `changed` at once, with no polling interval.
#include <QFileSystemWatcher>
#include <QObject>

#include <functional>
#include <string>

void WatchFile(QFileSystemWatcher& watcher, const std::string& path, QObject* context, std::function<void()> changed);
