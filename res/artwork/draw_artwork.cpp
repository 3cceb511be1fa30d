// Draws the program's icon and image strips into PNG files:
//   draw_artwork OUTPUT_FOLDER
// The PNGs are kept in res/; run this again after changing the drawing.
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QImage>
#include <QString>

#include <cstdio>

namespace {

const QColor kPanel(0x00, 0x66, 0x99);
const QColor kDeep(0x00, 0x44, 0x66);
const QColor kGold(0xFF, 0xCC, 0x00);
const QColor kDarkGold(0xCC, 0x99, 0x00);
const QColor kWhite(0xFF, 0xFF, 0xFF);

// A disc centred in `box`: gold, a white rim, a dark hole and a glint.
void Disc(QPainter& p, const QRectF& box)
{
    const qreal s = box.width();
    p.setPen(QPen(kWhite, std::max<qreal>(1.0, s / 16)));
    p.setBrush(kGold);
    p.drawEllipse(box.adjusted(s * 0.04, s * 0.04, -s * 0.04, -s * 0.04));
    if (s >= 24) {
        p.setPen(QPen(kDarkGold, std::max<qreal>(1.0, s / 28)));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(box.center(), s * 0.27, s * 0.27);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kDeep);
    p.drawEllipse(box.center(), s * 0.11, s * 0.11);
    if (s >= 24) {
        p.setBrush(QColor(255, 255, 255, 200));
        p.save();
        p.translate(box.left() + s * 0.3, box.top() + s * 0.22);
        p.rotate(-35);
        p.drawRoundedRect(QRectF(-s * 0.1, -s * 0.035, s * 0.2, s * 0.07), s * 0.035, s * 0.035);
        p.restore();
    }
}

QImage AppIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    if (size >= 32) {
        QLinearGradient back(0, 0, 0, s);
        back.setColorAt(0, kPanel);
        back.setColorAt(1, kDeep);
        p.setPen(Qt::NoPen);
        p.setBrush(back);
        p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.2, s * 0.2);
        Disc(p, QRectF(s * 0.1, s * 0.08, s * 0.7, s * 0.7));
        // An arrow out of the disc: the rip.
        p.setBrush(kWhite);
        QPainterPath arrow;
        arrow.moveTo(s * 0.62, s * 0.62);
        arrow.lineTo(s * 0.92, s * 0.62);
        arrow.lineTo(s * 0.77, s * 0.9);
        arrow.closeSubpath();
        p.drawRect(QRectF(s * 0.72, s * 0.42, s * 0.1, s * 0.22));
        p.drawPath(arrow);
    } else {
        Disc(p, QRectF(0, 0, s, s));
    }
    return image;
}

// Ten tree images, 16 x 16 each. The tree uses 4 (title set), 5 (program
// chain) and 7 (angle); the others belong to the same family.
QImage TreeStrip()
{
    QImage image(160, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    auto cell = [&](int i) { return QRectF(i * 16, 0, 16, 16); };
    // 0: a disc.
    Disc(p, cell(0).adjusted(1, 1, -1, -1));
    // 1: a folder; 2: an open folder.
    for (int i : {1, 2}) {
        const QRectF r = cell(i);
        p.setPen(QPen(kDarkGold, 1));
        p.setBrush(kGold);
        p.drawRect(QRectF(r.left() + 1.5, r.top() + 4.5, 13, 9));
        p.drawRect(QRectF(r.left() + 1.5, r.top() + 2.5, 5, 2));
        if (i == 2) {
            p.setBrush(QColor(0xFF, 0xE0, 0x66));
            p.drawRect(QRectF(r.left() + 3.5, r.top() + 7.5, 11, 6));
        }
    }
    // 3: a file.
    p.setPen(QPen(kWhite, 1));
    p.setBrush(QColor(0xE6, 0xF2, 0xF8));
    p.drawRect(QRectF(cell(3).left() + 3.5, 1.5, 9, 13));
    // 4: a title set: three stacked discs.
    for (int k = 2; k >= 0; --k) Disc(p, QRectF(cell(4).left() + k * 2, k * 1.5, 11, 11));
    // 5: a program chain: film with sprockets.
    {
        const QRectF r = cell(5);
        p.setPen(Qt::NoPen);
        p.setBrush(kGold);
        p.drawRoundedRect(QRectF(r.left() + 1, r.top() + 3, 14, 10), 1.5, 1.5);
        p.setBrush(kDeep);
        for (int k = 0; k < 4; ++k) {
            p.drawRect(QRectF(r.left() + 2.5 + k * 3.2, r.top() + 4, 1.8, 1.6));
            p.drawRect(QRectF(r.left() + 2.5 + k * 3.2, r.top() + 10.4, 1.8, 1.6));
        }
        p.setBrush(kPanel);
        p.drawRect(QRectF(r.left() + 3, r.top() + 6.2, 10, 3.6));
    }
    // 6: a chapter mark (a flag).
    {
        const QRectF r = cell(6);
        p.setPen(QPen(kWhite, 1.2));
        p.drawLine(QPointF(r.left() + 4, 2), QPointF(r.left() + 4, 14));
        p.setPen(Qt::NoPen);
        p.setBrush(kGold);
        p.drawPolygon(QPolygonF({QPointF(r.left() + 4.6, 2.5), QPointF(r.left() + 13, 5), QPointF(r.left() + 4.6, 8)}));
    }
    // 7: an angle: a camera.
    {
        const QRectF r = cell(7);
        p.setPen(Qt::NoPen);
        p.setBrush(kGold);
        p.drawRoundedRect(QRectF(r.left() + 1, r.top() + 5, 10, 8), 1.5, 1.5);
        p.drawPolygon(QPolygonF({QPointF(r.left() + 11, 8), QPointF(r.left() + 15, 5.5), QPointF(r.left() + 15, 12.5),
                                 QPointF(r.left() + 11, 10)}));
        p.setBrush(kWhite);
        p.drawEllipse(QPointF(r.left() + 4, 4), 2.2, 2.2);
        p.drawEllipse(QPointF(r.left() + 8.5, 4), 2.2, 2.2);
    }
    // 8: a cell (a small block); 9: a clock.
    p.setBrush(kGold);
    p.setPen(QPen(kWhite, 1));
    p.drawRect(QRectF(cell(8).left() + 3.5, 3.5, 9, 9));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kGold, 1.5));
    p.drawEllipse(QPointF(cell(9).left() + 8, 8), 6, 6);
    p.drawLine(QPointF(cell(9).left() + 8, 8), QPointF(cell(9).left() + 8, 4));
    p.drawLine(QPointF(cell(9).left() + 8, 8), QPointF(cell(9).left() + 11, 9.5));
    return image;
}

// Six check images, 16 x 16 each: 0 none, 1 no cell selected, 2 all cells
// selected, 3 some selected; 4 and 5 are 2 and 1 greyed.
QImage CheckStrip()
{
    QImage image(96, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 1; i < 6; ++i) {
        const qreal x = i * 16;
        const bool grey = i >= 4;
        const int state = i == 4 ? 2 : i == 5 ? 1 : i;
        const QColor edge = grey ? QColor(0xA0, 0xB8, 0xC4) : kGold;
        p.setPen(QPen(edge, 1.2));
        p.setBrush(state == 1 ? QColor(0, 0x33, 0x4d) : edge);
        p.drawRoundedRect(QRectF(x + 2.5, 2.5, 11, 11), 2.5, 2.5);
        p.setPen(QPen(kDeep, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        if (state == 2) p.drawPolyline(QPolygonF({QPointF(x + 5, 8.2), QPointF(x + 7.3, 10.5), QPointF(x + 11.2, 5.5)}));
        if (state == 3) p.drawLine(QPointF(x + 5.2, 8), QPointF(x + 10.8, 8));
    }
    return image;
}

bool Save(const QImage& image, const QString& path)
{
    if (image.save(path)) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char* argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_artwork OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]) + "/";
    bool ok = true;
    for (int size : {16, 32, 48, 64, 128, 256}) ok &= Save(AppIcon(size), folder + QString("tarvok-dvd-ripper-%1.png").arg(size));
    ok &= Save(TreeStrip(), folder + "title_images.png");
    ok &= Save(CheckStrip(), folder + "chapter_images.png");
    return ok ? 0 : 1;
}
