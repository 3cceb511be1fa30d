#pragma once
// Where the program's own windows open: centred over the window they belong
// to, on its screen, as a user expects of a dialog.
class QWidget;

// Moves `window` so that its centre is `owner`'s centre, kept on the screen.
void CentreOver(QWidget& window, const QWidget& owner);
