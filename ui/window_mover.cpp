#include "ui/window_mover.h"

#include <QCursor>
#include <QEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

// Follows the mouse with the window while the button stays down.
class MouseFollower : public QObject {
public:
    explicit MouseFollower(QWidget* window)
        : QObject(window), window(window), offset(QCursor::pos() - window->frameGeometry().topLeft())
    {
        window->grabMouse();
        window->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::MouseMove) {
            window->move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - offset);
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            window->releaseMouse();
            deleteLater();
            return true;
        }
        return false;
    }

private:
    QPointer<QWidget> window;
    QPoint offset;
};

}  // namespace

void SystemWindowMover::StartMove(QWidget* window)
{
    QWindow* handle = window ? window->windowHandle() : nullptr;
    if (!handle) return;
    if (!handle->startSystemMove()) new MouseFollower(window);
}
