#pragma once
// Moving a borderless window with the mouse, as a caption bar would.
class QWidget;

class IWindowMover {
public:
    virtual ~IWindowMover() = default;
    // Starts moving `window` with the mouse button that is down now.
    virtual void StartMove(QWidget* window) = 0;
};

// The window manager's own move; where there is none, the window follows
// the mouse itself until the button is released.
class SystemWindowMover : public IWindowMover {
public:
    void StartMove(QWidget* window) override;
};
