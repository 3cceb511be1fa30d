#include "ui/file_dialogs.h"

#include "ui/window_placement.h"

#include <QDir>
#include <QFileDialog>
#include <QStringList>

std::string ToQtFileFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString label = parts[i];
        if (label.isEmpty()) break;  // the "||" that ends the list
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts))
            patterns << pattern.trimmed();
        entries << label + " (" + patterns.join(' ') + ")";
    }
    return entries.join(";;").toStdString();
}

namespace {

// No larger than the window it belongs to, and over it: a dialog bigger than
// the small main window was pushed into the screen's corner.
void PlaceOver(QFileDialog& dialog, const QWidget* owner)
{
    if (!owner) return;
    dialog.resize(dialog.sizeHint().boundedTo(owner->size() - QSize(40, 40)).expandedTo(dialog.minimumSizeHint()));
    CentreOver(dialog, *owner);
}

}  // namespace

std::optional<std::string> QtFileDialogs::BrowseForFolder(QWidget* owner, const std::string& title, const std::string& startFolder)
{
    // Not the program's working folder, which means nothing to the user.
    const QString start = QString::fromStdString(startFolder);
    QFileDialog dialog(owner, QString::fromStdString(title), !start.isEmpty() && QDir(start).exists() ? start : QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    PlaceOver(dialog, owner);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    ReturnKeyboardTo(owner);
    if (!chosen) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtFileDialogs::SaveAs(QWidget* owner, const std::string& proposedPath,
                                                 const std::string& defaultExtension, const std::string& filter)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = QString::fromStdString(ToQtFileFilter(filter)).split(";;");
    dialog.setNameFilters(filters);
    QString extension = QString::fromStdString(defaultExtension);
    if (extension.startsWith('.')) extension.remove(0, 1);
    dialog.setDefaultSuffix(extension);
    // The file type of the container, so that the existing file is listed.
    for (const QString& entry : filters)
        if (entry.endsWith(")") && entry.section('(', -1).chopped(1).split(' ').contains("*." + extension)) {
            dialog.selectNameFilter(entry);
            break;
        }
    dialog.selectFile(QString::fromStdString(proposedPath));
    PlaceOver(dialog, owner);
    const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
    ReturnKeyboardTo(owner);
    if (!chosen) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}
