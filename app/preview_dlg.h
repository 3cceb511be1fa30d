#pragma once
// The small window under the main window that hosts the converter: its
// picture (with the preview on) over the small-window movie.
#include "rip/vlc_control.h"

#include <QDialog>

#include <string>

class CShockwaveFlash;
class MovieWindowFilter;
class PictureView;

class CPreviewDlg : public QDialog {
public:
    // Created hidden, placed with its top-left corner on `owner`'s bottom-left corner.
    CPreviewDlg(QWidget* owner, const std::string& moduleFolder);
    ~CPreviewDlg() override;
    QWidget* VideoWindow() const;

    int revealTimerId = 0;
    int repaintTimerId = 0;
    QWidget* ownerWnd;
    CVLCControl vlcControl;
    CShockwaveFlash* flashControl;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    PictureView* videoWindow;  // the converter's picture
    MovieWindowFilter* movieFilter;
};
