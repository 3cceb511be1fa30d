#pragma once
// Hosts one QML movie. The movie and the program share one store of named
// text variables ("_root.outputDir"); the movie sees it as the context
// property `movie` with get(name), set(name, value), a changed(name) signal
// and fscommand(command, args), which reaches the program as FSCommand.
#include <QHash>
#include <QObject>
#include <QQuickWidget>

#include <string>

class MovieStore : public QObject {
    Q_OBJECT
    // The user's home folder, so that a movie can show paths in it as "~/...".
    Q_PROPERTY(QString homeFolder READ homeFolder CONSTANT)
public:
    using QObject::QObject;
    QString homeFolder() const;
    // Empty for a variable the movie never had.
    Q_INVOKABLE QString get(const QString& name) const { return values.value(name); }
    Q_INVOKABLE void set(const QString& name, const QString& value);
    Q_INVOKABLE void fscommand(const QString& command, const QString& args);

signals:
    void changed(const QString& name);
    void command(const QString& command, const QString& args);

private:
    QHash<QString, QString> values;
};

class CShockwaveFlash : public QQuickWidget {
    Q_OBJECT
public:
    explicit CShockwaveFlash(QWidget* parent = nullptr);
    ~CShockwaveFlash() override;
    // Loads the movie at `path`. A missing or broken movie is only logged.
    void SetMovie(const std::string& path);
    void SetVariable(const std::string& name, const std::string& value);
    std::string GetVariable(const std::string& name) const;
    MovieStore& Store() { return store; }

signals:
    void FSCommand(const QString& command, const QString& args);

private:
    MovieStore store;
};
