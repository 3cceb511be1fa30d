#include "tests/movie_harness.h"

#include <QCoreApplication>
#include <QDir>
#include <QQmlEngine>
#include <QTest>

#include <gtest/gtest.h>

MovieHarness::MovieHarness(const std::string& movieFile, QSize size)
{
    QObject::connect(flash.engine(), &QQmlEngine::warnings, [this](const QList<QQmlError>& list) {
        for (const QQmlError& error : list) warnings << error.toString();
    });
    QObject::connect(&flash, &CShockwaveFlash::FSCommand,
                     [this](const QString& command, const QString& args) { commands.emplace_back(command, args); });
    flash.resize(size);
    flash.show();
    flash.SetMovie(std::string(TARVOK_RUNTIME_DIR) + "/" + movieFile);
    Settle();
}

namespace {

// Searches the visual tree: items made by a Repeater are not QObject children.
QQuickItem* FindItem(QQuickItem* item, const QString& objectName)
{
    if (!item) return nullptr;
    if (item->objectName() == objectName) return item;
    for (QQuickItem* child : item->childItems())
        if (QQuickItem* found = FindItem(child, objectName)) return found;
    return nullptr;
}

}  // namespace

QQuickItem* MovieItem(const CShockwaveFlash& flash, const QString& objectName)
{
    QQuickItem* item = FindItem(flash.rootObject(), objectName);
    EXPECT_NE(item, nullptr) << objectName.toStdString();
    return item;
}

void ClickMovieItem(CShockwaveFlash& flash, const QString& objectName)
{
    QQuickItem* item = MovieItem(flash, objectName);
    if (!item) return;
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(&flash, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

QQuickItem* MovieHarness::Item(const QString& objectName) const
{
    return MovieItem(flash, objectName);
}

QString MovieHarness::Text(const QString& objectName) const
{
    QQuickItem* item = Item(objectName);
    return item ? item->property("text").toString() : QString();
}

bool MovieHarness::Enabled(const QString& objectName) const
{
    QQuickItem* item = Item(objectName);
    return item && item->isEnabled();
}

void MovieHarness::Click(const QString& objectName)
{
    ClickMovieItem(flash, objectName);
    Settle();
}

void MovieHarness::Settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(10);
    }
}

void MovieHarness::Screenshot(const std::string& fileName)
{
    QDir().mkpath(TARVOK_SCREENSHOT_DIR);
    QTest::qWait(400);  // let animations settle
    flash.grabFramebuffer().save(QString(TARVOK_SCREENSHOT_DIR) + "/" + QString::fromStdString(fileName));
}
