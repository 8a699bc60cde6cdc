#include "frmEchangesBillets.h"
#include "frmMain.h"
frmEchangesBillets::frmEchangesBillets(frmMain* principal) : QWidget(principal, Qt::Window), m_principal(principal) {
    setObjectName(QStringLiteral("frmEchangesBillets"));
    setWindowTitle(QStringLiteral("Échange de billets"));
}
