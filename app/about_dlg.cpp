#include "app/about_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>

CAboutDlg::CAboutDlg(QWidget* parent, const QIcon& appIcon) : QDialog(parent)
{
    setWindowTitle(about_text::kCaption);
    auto* icon = new QLabel(this);
    icon->setPixmap(appIcon.pixmap(32, 32));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(new QLabel(about_text::kVersion, this), 0, 1);
    layout->addWidget(new QLabel(about_text::kCopyright, this), 1, 1);
    layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
    layout->setHorizontalSpacing(16);
}
