#include "ui/movie_window_filter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

MovieWindowFilter::MovieWindowFilter(QWidget* window, QWidget* movie) : QObject(window), window(window), movie(movie)
{
    qApp->installEventFilter(this);
}

MovieWindowFilter::~MovieWindowFilter()
{
    qApp->removeEventFilter(this);
}

bool MovieWindowFilter::eventFilter(QObject* watched, QEvent* event)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window) return false;
    const bool onMovie = widget == movie || movie->isAncestorOf(widget);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Escape || key == Qt::Key_Return || key == Qt::Key_Enter) return true;
        return onMovie && key == Qt::Key_Menu;
    }
    case QEvent::MouseButtonPress:
        return onMovie && static_cast<QMouseEvent*>(event)->button() == Qt::RightButton;
    case QEvent::ContextMenu:
        return onMovie;
    default:
        return false;
    }
}
