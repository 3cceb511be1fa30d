#include "ui/title_views.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>

ImageList::ImageList(const QString& stripPath)
{
    const QPixmap strip(stripPath);
    for (int x = 0; x + 16 <= strip.width(); x += 16) {
        // A selected row shows the picture as drawn, not tinted with the selection's colour.
        QIcon icon(strip.copy(x, 0, 16, 16));
        icon.addPixmap(strip.copy(x, 0, 16, 16), QIcon::Selected);
        icons.push_back(icon);
    }
}

QIcon ImageList::Icon(int index) const
{
    return index >= 0 && index < Count() ? icons[index] : QIcon();
}

TitleTreeView::TitleTreeView(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setDragEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
}

ChapterListView::ChapterListView(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setIconSize(QSize(16, 16));
    setDragEnabled(false);
}

void ChapterListView::SetItemState(int row, unsigned stateBits)
{
    QListWidgetItem* rowItem = item(row);
    if (!rowItem) return;
    rowItem->setData(kItemStateRole, stateBits);
    const int image = static_cast<int>((stateBits & kStateImageMask) >> 12);
    // A chapter without cells shows no picture, but keeps the place for one.
    QIcon icon = image ? stateImages.Icon(image) : QIcon();
    if (icon.isNull()) {
        QPixmap blank(16, 16);
        blank.fill(Qt::transparent);
        icon = QIcon(blank);
    }
    rowItem->setIcon(icon);
}

unsigned ChapterListView::ItemState(int row) const
{
    const QListWidgetItem* rowItem = item(row);
    return rowItem ? rowItem->data(kItemStateRole).toUInt() : 0;
}

void ChapterListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Space || event->modifiers() != Qt::NoModifier || currentRow() < 0) {
        QListWidget::keyPressEvent(event);
        return;
    }
    emit rowClicked(viewport()->x(), currentRow());
}

void ChapterListView::mouseReleaseEvent(QMouseEvent* event)
{
    QListWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);
    emit rowClicked(point.x() + viewport()->x(), index.isValid() ? index.row() : -1);
}
