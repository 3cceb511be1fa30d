#include "ui/window_placement.h"

#include <QScreen>

#include <algorithm>
#include <QWidget>

void CentreOver(QWidget& window, const QWidget& owner)
{
    // Laid out first, so that its size is the one it will show with.
    window.adjustSize();
    QRect frame(QPoint(), window.frameGeometry().size().expandedTo(window.size()));
    frame.moveCenter(owner.frameGeometry().center());
    if (const QScreen* screen = owner.screen()) {
        const QRect room = screen->availableGeometry();
        frame.moveLeft(std::clamp(frame.left(), room.left(), std::max(room.left(), room.right() - frame.width() + 1)));
        frame.moveTop(std::clamp(frame.top(), room.top(), std::max(room.top(), room.bottom() - frame.height() + 1)));
    }
    window.move(frame.topLeft());
}

void ReturnKeyboardTo(QWidget* owner)
{
    if (owner && owner->window()->isVisible()) owner->window()->activateWindow();
}
