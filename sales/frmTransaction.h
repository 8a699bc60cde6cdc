// Order-line dialog (to be built).
#pragma once
#include <QDialog>
class frmMain;
class frmTransaction : public QDialog {
    Q_OBJECT
public:
    explicit frmTransaction(frmMain* principal);
private:
    frmMain* m_principal;
};
