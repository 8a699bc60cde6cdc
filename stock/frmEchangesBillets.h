// Management window (to be built).
#pragma once
#include <QWidget>
class frmMain;
class frmEchangesBillets : public QWidget {
    Q_OBJECT
public:
    explicit frmEchangesBillets(frmMain* principal);
private:
    frmMain* m_principal;
};
