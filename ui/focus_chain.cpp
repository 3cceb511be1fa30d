#include "ui/focus_chain.h"

#include <algorithm>

#include <QKeyEvent>
#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>

FocusChain::FocusChain(QQuickWidget* movie, std::vector<QWidget*> controls, QString lastBefore, QString firstAfter)
    : QObject(movie), movie(movie), controls(std::move(controls)), lastBefore(std::move(lastBefore)), firstAfter(std::move(firstAfter))
{
    movie->installEventFilter(this);
    for (QWidget* control : this->controls) control->installEventFilter(this);
}

bool FocusChain::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || controls.empty()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
    if (!forward && key->key() != Qt::Key_Backtab && key->key() != Qt::Key_Tab) return false;
    if (watched == movie) {
        const QQuickItem* focused = movie->quickWindow()->activeFocusItem();
        const QString name = focused ? focused->objectName() : QString();
        if (name != (forward ? lastBefore : firstAfter)) return false;  // the movie's own chain goes on
        (forward ? controls.front() : controls.back())->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    const auto at = std::find(controls.begin(), controls.end(), watched);
    if (at == controls.end()) return false;
    if (forward && at + 1 != controls.end()) {
        at[1]->setFocus(Qt::TabFocusReason);
    } else if (!forward && at != controls.begin()) {
        at[-1]->setFocus(Qt::BacktabFocusReason);
    } else {
        FocusMovieItem(forward ? firstAfter : lastBefore, forward);
    }
    return true;
}

void FocusChain::FocusMovieItem(const QString& name, bool forward)
{
    movie->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    if (auto* item = movie->rootObject() ? movie->rootObject()->findChild<QQuickItem*>(name) : nullptr)
        item->forceActiveFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}
