#pragma once
// The small about box of the window menu.
#include <QDialog>

class CAboutDlg : public QDialog {
public:
    CAboutDlg(QWidget* parent, const QIcon& appIcon);
};

namespace about_text {
inline constexpr char kCaption[] = "About Tarvok DVD Ripper";
inline constexpr char kVersion[] = "Tarvok DVD Ripper Version 1.0";
inline constexpr char kCopyright[] = "Copyright (C) 2026 Tarvok";
}  // namespace about_text
