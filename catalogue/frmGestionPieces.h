// Management window (to be built).
#pragma once
#include <QWidget>
class frmMain;
class frmGestionPieces : public QWidget {
    Q_OBJECT
public:
    explicit frmGestionPieces(frmMain* principal);
private:
    frmMain* m_principal;
};
