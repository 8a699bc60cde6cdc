// "Journal des opérations": who did what, newest first, with filters (dates, employee, action,
// text), and whether the chain of its rows is intact.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class frmJournal : public QDialog {
    Q_OBJECT
public:
    explicit frmJournal(QWidget* parent = nullptr);
    void AfficherOperations();
    void cmdVerifier_Click();

    QCheckBox* chkDates = nullptr;
    QDateEdit* DPDu = nullptr;
    QDateEdit* DPAu = nullptr;
    QComboBox* cboEmploye = nullptr;
    QComboBox* cboAction = nullptr;
    QLineEdit* txtTexte = nullptr;
    QPushButton* cmdFiltrer = nullptr;
    QPushButton* cmdVerifier = nullptr;
    QPushButton* cmdFermer = nullptr;
    QTreeWidget* lstOperations = nullptr;
    QLabel* lblEtat = nullptr;

private:
    void ConstruireFiltres();
    void RemplirChoix();
};
