#include "ui/file_dialogs.h"

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

std::optional<std::string> QtFileDialogs::BrowseForFolder(QWidget* owner, const std::string& title)
{
    QString folder = QFileDialog::getExistingDirectory(owner, QString::fromStdString(title));
    if (folder.isEmpty()) return std::nullopt;
    return folder.toStdString();
}

std::optional<std::string> QtFileDialogs::SaveAs(QWidget* owner, const std::string& proposedPath,
                                                 const std::string& defaultExtension, const std::string& filter)
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(QString::fromStdString(ToQtFileFilter(filter)).split(";;"));
    QString extension = QString::fromStdString(defaultExtension);
    if (extension.startsWith('.')) extension.remove(0, 1);
    dialog.setDefaultSuffix(extension);
    dialog.selectFile(QString::fromStdString(proposedPath));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}
