#pragma once
// Where the program's own windows open: centred over the window they belong
// to, on its screen, as a user expects of a dialog; and the keyboard given
// back to that window when they close.
class QWidget;

// Moves `window` so that its centre is `owner`'s centre, kept on the screen.
void CentreOver(QWidget& window, const QWidget& owner);

// After a dialog over `owner` (may be null) closed: `owner`'s window has the
// keyboard again. Where no window manager runs nothing else gives it back.
void ReturnKeyboardTo(QWidget* owner);
