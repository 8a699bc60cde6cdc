// Management window (to be built).
#pragma once
#include <QWidget>
class frmMain;
class frmInventaireBillets : public QWidget {
    Q_OBJECT
public:
    explicit frmInventaireBillets(frmMain* principal);
private:
    frmMain* m_principal;
};
