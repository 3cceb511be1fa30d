#pragma once
// The commands of tarvok-rip, each given its arguments with its own name first.
#include <QStringList>

int InfoCommand(const QStringList& arguments);
int RipCommand(const QStringList& arguments);
int WatchCommand(const QStringList& arguments);
