// Order-line dialog: the clerk picks a play and a performance, types the counts and the cost,
// and the line goes to the main window's order list. Writes nothing to the database.
#pragma once

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class frmTransaction : public QDialog {
    Q_OBJECT
public:
    // Builds the dialog from its design values and runs Form_Load (both lists read afresh).
    // "Ajouter" appends to the order list it is handed and rewrites that list's total.
    frmTransaction(QWidget* parent, QTreeWidget& lstTransactions, QLabel& lblMontantTotal);

    void Form_Load();
    void AfficherListePieces();
    void AfficherListeRepresentations();

    // Handlers, public so that tests can raise them as the clerk would.
    void cboNomsPieces_Click();
    void cmdAjouter_Click();
    void cmdAnnuler_Click();
    void txtNbEnfants_GotFocus();
    void txtNbAdultes_GotFocus();
    void txtCouts_GotFocus();
    // The play's prices, when it has some, fill the cost until the clerk types in it.
    void CalculerCouts();
    // "Places restantes : N" for the chosen performance, empty when it has no capacity.
    void AfficherPlacesRestantes();

    QGroupBox* Frame1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QComboBox* cboNomsPieces = nullptr;
    QComboBox* cboDatesPieces = nullptr;
    QLineEdit* txtNbEnfants = nullptr;
    QLineEdit* txtNbAdultes = nullptr;
    QLineEdit* txtCouts = nullptr;
    QCheckBox* chkPorte = nullptr;
    QPushButton* cmdAjouter = nullptr;
    QPushButton* cmdAnnuler = nullptr;
    QLabel* lblPlacesRestantes = nullptr;

private:
    void ConstruireFenetre();
    void LireTarif();
    // False when the clerk declines to sell beyond the seats left.
    bool AccepterPlaces(const QString& enfants, const QString& adultes);

    QTreeWidget& m_lstTransactions;
    QLabel& m_lblMontantTotal;
    std::optional<std::pair<double, double>> m_tarif;  // child and adult price of the chosen play
    bool m_coutsTapes = false;                           // the clerk typed the cost: left alone
    std::optional<qlonglong> m_placesAcceptees;          // seats left when the clerk accepted to oversell
};
