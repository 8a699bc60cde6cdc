#include "frmInventaireBillets.h"
#include "frmMain.h"
frmInventaireBillets::frmInventaireBillets(frmMain* principal) : QWidget(principal, Qt::Window), m_principal(principal) {
    setObjectName(QStringLiteral("frmInventaireBillets"));
    setWindowTitle(QStringLiteral("Gestion de l'inventaire des billets"));
}
