#pragma once
// The main window.
#include <QDialog>

class CRipperApp;

class CRipperDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRipperDlg(CRipperApp& app);
    int DoModal();
    void OnInitDialog();

private:
    CRipperApp& app;
};
