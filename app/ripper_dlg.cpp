#include "app/ripper_dlg.h"

#include "app/ripper_app.h"

CRipperDlg::CRipperDlg(CRipperApp& app) : QDialog(nullptr, Qt::Window | Qt::FramelessWindowHint), app(app)
{
}

int CRipperDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

void CRipperDlg::OnInitDialog()
{
    setGeometry(50, 50, 550, 440);
    setWindowTitle(QString::fromStdString(app.productName));
}
