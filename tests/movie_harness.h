#pragma once
// Loads one of the program's movies offscreen and lets a test press its
// buttons and read what it shows.
#include "ui/shockwave_flash.h"

#include <QQuickItem>
#include <QStringList>

#include <string>
#include <vector>

// An item of a shown movie by its objectName (a test failure when missing),
// and a user's left click in its middle.
QQuickItem* MovieItem(const CShockwaveFlash& flash, const QString& objectName);
void ClickMovieItem(CShockwaveFlash& flash, const QString& objectName);

class MovieHarness {
public:
    explicit MovieHarness(const std::string& movieFile, QSize size);
    CShockwaveFlash& Flash() { return flash; }
    QQuickItem* Item(const QString& objectName) const;
    QString Text(const QString& objectName) const;
    bool Enabled(const QString& objectName) const;
    // A left click in the middle of the item, as a user's.
    void Click(const QString& objectName);
    void Settle();
    // Writes what the movie shows into the build's screenshot folder.
    void Screenshot(const std::string& fileName);

    std::vector<std::pair<QString, QString>> commands;
    QStringList warnings;

private:
    CShockwaveFlash flash;
};
