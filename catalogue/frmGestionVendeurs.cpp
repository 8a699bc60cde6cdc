#include "frmGestionVendeurs.h"
#include "frmMain.h"
frmGestionVendeurs::frmGestionVendeurs(frmMain* principal) : QWidget(principal, Qt::Window), m_principal(principal) {
    setObjectName(QStringLiteral("frmGestionVendeurs"));
    setWindowTitle(QStringLiteral("Gestion des différents vendeurs"));
}
