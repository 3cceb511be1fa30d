#pragma once
// A picture the program is handed as RGB32 rows (the converter's preview),
// drawn by the widget itself: no native window, so the movies around it keep
// drawing whatever Qt Quick's backend.
#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

class PictureView : public QWidget {
public:
    // `latest` gives the newest picture of `pictureSize`, or nothing yet.
    PictureView(QWidget* parent, QSize pictureSize, std::function<std::vector<uint8_t>()> latest);
    // From any thread: a new picture is there.
    void PictureReady();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSize pictureSize;
    std::function<std::vector<uint8_t>()> latest;
};
