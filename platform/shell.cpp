#include "platform/shell.h"

#include <QDesktopServices>
#include <QUrl>

bool DesktopShell::Open(const std::string& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}
