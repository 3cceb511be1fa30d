#include "ui/picture_view.h"

#include <QImage>
#include <QMetaObject>
#include <QPainter>

PictureView::PictureView(QWidget* parent, QSize pictureSize, std::function<std::vector<uint8_t>()> latest)
    : QWidget(parent), pictureSize(pictureSize), latest(std::move(latest))
{
    // Every pixel is painted once there is a picture: Qt need not clear first.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureView::PictureReady()
{
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

void PictureView::paintEvent(QPaintEvent*)
{
    const std::vector<uint8_t> rows = latest();
    if (rows.size() < std::size_t(pictureSize.width()) * pictureSize.height() * 4) return;  // the movie shows through
    const QImage picture(rows.data(), pictureSize.width(), pictureSize.height(), pictureSize.width() * 4, QImage::Format_RGB32);
    QPainter(this).drawImage(rect(), picture);
}
