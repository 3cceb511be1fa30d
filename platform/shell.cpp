#include "platform/shell.h"

#include <QDesktopServices>
#include <QUrl>

void DesktopShell::Open(const std::string& path)
{
    // As the shell does: the result is not the program's concern.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}
