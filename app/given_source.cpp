// A disc the user names instead of one found on the volumes: on the command
// line, or a folder or image dropped on the window.
#include "app/ripper_app.h"
#include "app/ripper_dlg.h"
#include "dvd/disc_files.h"
#include "ui/run_apart.h"
#include "ui/shockwave_flash.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

namespace {

// The one local file or folder a drag carries; nothing for anything else.
std::optional<std::string> DraggedPath(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().front().isLocalFile()) return std::nullopt;
    return QFile::encodeName(data->urls().front().toLocalFile()).toStdString();
}

}  // namespace

std::optional<CRipperDlg::Located> CRipperDlg::LocateApart(const std::string& path)
{
    // An image or a drive is opened to be known as a disc: apart from the window, which a hanging drive would freeze.
    return RunApart<Located>(*this, [path] {
        Located located;
        located.disc = LocateDisc(path, &located.why);
        return located;
    });
}

void CRipperDlg::LoadGivenSource(const std::string& path)
{
    const auto located = LocateApart(path);
    if (!located) return;  // the window ended meanwhile
    if (!located->disc) {
        app.Services().messageBoxes->Show(this, located->why, app.productName, MbButtons::Ok, MbIcon::Error);
        return;
    }
    LoadSourceFromPath(*located->disc);
    givenSource = path;
}

void CRipperDlg::OnSourceHandedOver(const std::string& path)
{
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    // The disc being ripped stays loaded, as with a drop.
    if (ripping != 0) {
        app.Services().messageBoxes->Show(this, main_text::kBusyRipping, app.productName, MbButtons::Ok, MbIcon::Information);
        return;
    }
    LoadGivenSource(path);
}

std::optional<std::string> CRipperDlg::FindStartDisc()
{
    if (!givenSource.empty()) {
        const auto located = LocateApart(givenSource);
        return located ? located->disc : std::nullopt;
    }
    if (!source.FindDisc(selectedDrive)) return std::nullopt;
    return source.GetVideoTsPath();
}

bool CRipperDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The movie covers the window: what is dropped on it is dropped on the
    // window (the movie itself would refuse it while the drag moves over it).
    if (watched == movie && (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove)) {
        dragMoveEvent(static_cast<QDragMoveEvent*>(event));
        return event->isAccepted();
    }
    if (watched == movie && event->type() == QEvent::Drop) {
        dropEvent(static_cast<QDropEvent*>(event));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CRipperDlg::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void CRipperDlg::dragMoveEvent(QDragMoveEvent* event)
{
    // Not while a rip runs: the disc being ripped stays loaded.
    if (ripping == 0 && DraggedPath(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CRipperDlg::dropEvent(QDropEvent* event)
{
    const auto path = DraggedPath(event->mimeData());
    if (ripping != 0 || !path) return;
    event->acceptProposedAction();
    LoadGivenSource(*path);
}
