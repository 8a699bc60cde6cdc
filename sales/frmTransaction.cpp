#include "frmTransaction.h"
#include "frmMain.h"
frmTransaction::frmTransaction(frmMain* principal) : QDialog(principal), m_principal(principal) {
    setObjectName(QStringLiteral("frmTransaction"));
    setWindowTitle(QStringLiteral("Ajout d'une transaction"));
}
