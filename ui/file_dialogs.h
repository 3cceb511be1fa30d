#pragma once
// The folder browser and the Save As dialog.
#include <optional>
#include <string>

class QWidget;

class IFileDialogs {
public:
    virtual ~IFileDialogs() = default;
    // The chosen folder's path, or nothing when the user cancelled. It opens
    // in `startFolder`, or in the home folder when that is empty or gone.
    virtual std::optional<std::string> BrowseForFolder(QWidget* owner, const std::string& title,
                                                       const std::string& startFolder = {}) = 0;
    // The confirmed file path, or nothing when the user cancelled. `filter` is
    // in the "Label|pattern|Label|pattern||" form; the dialog asks before it
    // lets the user pick an existing file.
    virtual std::optional<std::string> SaveAs(QWidget* owner, const std::string& proposedPath,
                                              const std::string& defaultExtension, const std::string& filter) = 0;
};

// Turns "Label (*.a;*.b)|*.a|Other|*.c;*.d||" into Qt's
// "Label (*.a;*.b) (*.a);;Other (*.c *.d)": labels unchanged, patterns as Qt writes them.
std::string ToQtFileFilter(const std::string& filter);

class QtFileDialogs : public IFileDialogs {
public:
    std::optional<std::string> BrowseForFolder(QWidget* owner, const std::string& title, const std::string& startFolder = {}) override;
    std::optional<std::string> SaveAs(QWidget* owner, const std::string& proposedPath,
                                      const std::string& defaultExtension, const std::string& filter) override;
};
