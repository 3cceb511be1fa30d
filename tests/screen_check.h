#pragma once
// What a window looks like on the screen, as the X server composed it.
#include <QImage>

class QWidget;

// The screen's pixels where `window` is (its frame), as a user sees them.
QImage GrabFromScreen(const QWidget& window);

// Shares of a picture's pixels: near black, the movie's blue panels and its gold.
struct PixelCensus {
    double black = 0, blue = 0, gold = 0;
};
PixelCensus CensusOf(const QImage& picture);
