#pragma once
// What a movie window never lets through: Escape and Enter anywhere in it
// (they would close or confirm the window), and a right click or the menu
// key on the movie (the movie has no context menu).
#include <QObject>

class QWidget;

class MovieWindowFilter : public QObject {
    Q_OBJECT
public:
    // Watches every event of the application for `window`'s widgets.
    MovieWindowFilter(QWidget* window, QWidget* movie);
    ~MovieWindowFilter() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window;
    QWidget* movie;
};
