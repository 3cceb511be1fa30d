#pragma once
// The small window under the main window that shows the converter's
// picture (with the preview on) over the small-window movie.
#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CShockwaveFlash;
class MovieWindowFilter;
class PictureView;

class CPreviewDlg : public QDialog {
public:
    // The converter's pictures come this size.
    static constexpr int kPictureWidth = 159, kPictureHeight = 146;

    // Created hidden, placed with its top-left corner on `owner`'s bottom-left
    // corner; `latest` gives the converter's newest picture.
    CPreviewDlg(QWidget* owner, const std::string& moduleFolder, std::function<std::vector<uint8_t>()> latest);
    ~CPreviewDlg() override;
    QWidget* VideoWindow() const;
    // A new picture is there (on the window's thread).
    void PictureReady();

    int revealTimerId = 0;
    int repaintTimerId = 0;
    QWidget* ownerWnd;
    CShockwaveFlash* flashControl;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    PictureView* videoWindow;  // the converter's picture
    MovieWindowFilter* movieFilter;
};
