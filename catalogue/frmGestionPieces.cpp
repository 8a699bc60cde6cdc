#include "frmGestionPieces.h"
#include "frmMain.h"
frmGestionPieces::frmGestionPieces(frmMain* principal) : QWidget(principal, Qt::Window), m_principal(principal) {
    setObjectName(QStringLiteral("frmGestionPieces"));
    setWindowTitle(QStringLiteral("Gestion des pièces et des représentations"));
}
