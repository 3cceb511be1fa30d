#include "tests/screen_check.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QImage GrabFromScreen(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    return QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage();
}

PixelCensus CensusOf(const QImage& picture)
{
    PixelCensus census;
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const double total = double(rgb.width()) * rgb.height();
    if (total == 0) return census;
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x) {
            const QColor c(rgb.pixel(x, y));
            if (c.red() < 20 && c.green() < 20 && c.blue() < 20) census.black += 1;
            // The panels' #006699 and its gradient, and the title strip's and buttons' gold #FFCC00.
            if (c.red() < 40 && c.green() > 60 && c.green() < 130 && c.blue() > 100 && c.blue() < 180) census.blue += 1;
            if (c.red() > 220 && c.green() > 170 && c.green() < 230 && c.blue() < 90) census.gold += 1;
        }
    census.black /= total;
    census.blue /= total;
    census.gold /= total;
    return census;
}
