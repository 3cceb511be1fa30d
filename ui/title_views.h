#pragma once
// The native Titles tree and Chapters list of the main window.
#include <QIcon>
#include <QListWidget>
#include <QTreeWidget>

#include <vector>

// Images cut from a strip of 16 x 16 pictures.
class ImageList {
public:
    ImageList() = default;
    explicit ImageList(const QString& stripPath);
    QIcon Icon(int index) const;
    int Count() const { return static_cast<int>(icons.size()); }

private:
    std::vector<QIcon> icons;
};

// Item data of every row: the model record it shows.
inline constexpr int kRecordRole = Qt::UserRole;
// A chapter row's check state as a list view holds it: state image index << 12.
inline constexpr int kItemStateRole = Qt::UserRole + 1;
inline constexpr unsigned kStateImageMask = 0x3000;
inline constexpr unsigned StateImageBits(int image) { return static_cast<unsigned>(image) << 12; }

class TitleTreeView : public QTreeWidget {
public:
    explicit TitleTreeView(QWidget* parent);
    void SetImageList(ImageList list) { images = std::move(list); }
    const ImageList& Images() const { return images; }

private:
    ImageList images;
};

class ChapterListView : public QListWidget {
    Q_OBJECT
public:
    explicit ChapterListView(QWidget* parent);
    void SetStateImageList(ImageList list) { stateImages = std::move(list); }
    // Sets a row's state bits (0x1000, 0x2000, 0x3000 or none) and its picture.
    void SetItemState(int row, unsigned stateBits);
    unsigned ItemState(int row) const;

signals:
    // A left click in a row, or outside any (row -1); x in the list's own coordinates.
    void rowClicked(int x, int row);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Space ticks the chapter under the caret, as a click in its box does.
    void keyPressEvent(QKeyEvent* event) override;

private:
    ImageList stateImages;
};
