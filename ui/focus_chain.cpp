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
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
    if (!forward && key->key() != Qt::Key_Backtab && key->key() != Qt::Key_Tab) return false;
    const Qt::FocusReason reason = forward ? Qt::TabFocusReason : Qt::BacktabFocusReason;
    // The next control that can take the keyboard after position `at` (-1: before the first), going the key's way.
    auto next = [&](int at) -> QWidget* {
        for (int i = at + (forward ? 1 : -1); i >= 0 && i < int(controls.size()); i += forward ? 1 : -1)
            if (controls[i]->isVisible() && controls[i]->isEnabled()) return controls[i];
        return nullptr;
    };
    if (watched == movie) {
        const QQuickItem* focused = movie->quickWindow()->activeFocusItem();
        const QString name = focused ? focused->objectName() : QString();
        QWidget* control = next(forward ? -1 : int(controls.size()));
        // Elsewhere, or with the controls hidden (the about panel), the movie's own chain goes on.
        if (name != (forward ? lastBefore : firstAfter) || !control) return false;
        control->setFocus(reason);
        return true;
    }
    const auto at = std::find(controls.begin(), controls.end(), watched);
    if (at == controls.end()) return false;
    if (QWidget* control = next(int(at - controls.begin())))
        control->setFocus(reason);
    else
        FocusMovieItem(forward ? firstAfter : lastBefore, forward);
    return true;
}

void FocusChain::FocusMovieItem(const QString& name, bool forward)
{
    movie->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    if (auto* item = movie->rootObject() ? movie->rootObject()->findChild<QQuickItem*>(name) : nullptr)
        item->forceActiveFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
}
