#include "app/preview_dlg.h"

#include "ui/movie_vocabulary.h"
#include "ui/movie_window_filter.h"
#include "ui/picture_view.h"
#include "ui/shockwave_flash.h"

#include <QTimerEvent>

namespace {

constexpr int kRevealMs = 10000;
constexpr int kRepaintMs = 500;

}  // namespace

CPreviewDlg::CPreviewDlg(QWidget* owner, const std::string& moduleFolder, std::function<std::vector<uint8_t>()> latest)
    : QDialog(owner, Qt::Tool | Qt::FramelessWindowHint), ownerWnd(owner)
{
    flashControl = new CShockwaveFlash(this);
    flashControl->setGeometry(0, 0, 162, 159);
    // The converter's picture lies above the movie, as laid out in dialog units.
    const QRect picture(0, 6, kPictureWidth, kPictureHeight);
    videoWindow = new PictureView(this, picture.size(), std::move(latest));
    videoWindow->setGeometry(picture);
    videoWindow->hide();
    // Commands of the small-window movie mean nothing to the program.
    movieFilter = new MovieWindowFilter(this, flashControl);

    const QRect ownerFrame = owner ? owner->frameGeometry() : QRect();
    setGeometry(ownerFrame.left(), ownerFrame.bottom() + 1, 150, 150);
    flashControl->SetMovie(moduleFolder + movie_file::kSmallWindow);
    revealTimerId = startTimer(kRevealMs, Qt::PreciseTimer);
    repaintTimerId = startTimer(kRepaintMs);
}

CPreviewDlg::~CPreviewDlg()
{
    if (revealTimerId) killTimer(revealTimerId);
    if (repaintTimerId) killTimer(repaintTimerId);
    revealTimerId = repaintTimerId = 0;
}

QWidget* CPreviewDlg::VideoWindow() const
{
    return videoWindow;
}

void CPreviewDlg::PictureReady()
{
    videoWindow->PictureReady();
}

void CPreviewDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == revealTimerId) {
        // After ten seconds the picture covers the movie.
        videoWindow->show();
        killTimer(revealTimerId);
        revealTimerId = 0;
    } else if (event->timerId() == repaintTimerId) {
        repaint();
    }
    QDialog::timerEvent(event);
}
