// Management window (to be built).
#pragma once
#include <QWidget>
class frmMain;
class frmGestionVendeurs : public QWidget {
    Q_OBJECT
public:
    explicit frmGestionVendeurs(frmMain* principal);
private:
    frmMain* m_principal;
};
