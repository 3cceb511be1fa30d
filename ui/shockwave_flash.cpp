#include "ui/shockwave_flash.h"

#include "ui/movie_vocabulary.h"

#include <QDir>
#include <QQmlContext>
#include <QQmlError>

#include <cstdio>

bool IsCommand(const QString& command, const char* known)
{
    return command.compare(QString::fromUtf8(known), Qt::CaseInsensitive) == 0;
}

QString MovieStore::homeFolder() const
{
    return QDir::homePath();
}

void MovieStore::set(const QString& name, const QString& value)
{
    values.insert(name, value);
    // Always told, even for the same value: a movie may act on every write.
    emit changed(name);
}

void MovieStore::fscommand(const QString& command, const QString& args)
{
    emit this->command(command, args);
}

CShockwaveFlash::CShockwaveFlash(QWidget* parent) : QQuickWidget(parent)
{
    setResizeMode(QQuickWidget::SizeRootObjectToView);
    setClearColor(QColor(0x00, 0x66, 0x99));
    rootContext()->setContextProperty("movie", &store);
    connect(&store, &MovieStore::command, this, &CShockwaveFlash::FSCommand);
    connect(this, &QQuickWidget::statusChanged, this, [this](QQuickWidget::Status status) {
        if (status != QQuickWidget::Error) return;
        for (const QQmlError& error : errors()) std::fprintf(stderr, "movie: %s\n", qPrintable(error.toString()));
    });
}

CShockwaveFlash::~CShockwaveFlash()
{
    // The movie goes before the store it reads from.
    setSource(QUrl());
}

void CShockwaveFlash::SetMovie(const std::string& path)
{
    setSource(QUrl::fromLocalFile(QString::fromStdString(path)));
}

void CShockwaveFlash::SetVariable(const std::string& name, const std::string& value)
{
    store.set(QString::fromStdString(name), QString::fromStdString(value));
}

std::string CShockwaveFlash::GetVariable(const std::string& name) const
{
    return store.get(QString::fromStdString(name)).toStdString();
}
