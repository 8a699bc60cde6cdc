// "Caisse de la soirée": one station's drawer for one performance. The opening float, the
// count by note and coin, the cash expected from this station's door sales, the difference,
// and the numbered closing that is written once and printed for signature.
#pragma once

#include "modBD_Caisse.h"
#include "modBD_Soiree.h"

#include <QDialog>

#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QGridLayout;

class frmCaisse : public QDialog {
    Q_OBJECT
public:
    frmCaisse(QWidget* parent, const modBD::RepresentationSoiree& representation);

    // Reads the sales again and shows the expected cash, the totals and the difference.
    void Recalculer();
    void txtPoste_Change();
    void txtFondCaisse_Change();
    // Asks, writes the closing, then offers its page as PDF. False when nothing was written.
    bool cmdFermerCaisse_Click();
    // What is typed: nullopt (the clerk told why) when an amount or a count is no number.
    std::optional<qint64> FondSaisi() const;
    std::optional<modBD::Comptage> ComptageSaisi() const;
    QString Poste() const;
    const modBD::EtatCaisse& Etat() const { return m_etat; }
    std::optional<modBD::FermetureCaisse> DerniereFermeture() const { return m_derniere; }

    QLineEdit* txtPoste = nullptr;
    QLineEdit* txtFondCaisse = nullptr;
    std::array<QLineEdit*, 10> txtCoupures{};
    QLabel* lblTotalCompte = nullptr;
    QLabel* lblVentesEspeces = nullptr;
    QLabel* lblRemboursements = nullptr;
    QLabel* lblDejaFerme = nullptr;
    QLabel* lblArrondi = nullptr;
    QLabel* lblEspecesAttendues = nullptr;
    QLabel* lblCarte = nullptr;
    QLabel* lblCheque = nullptr;
    QLabel* lblAutre = nullptr;
    QLabel* lblEcart = nullptr;
    QLineEdit* txtCommentaire = nullptr;
    QTreeWidget* lstFermetures = nullptr;
    QPushButton* cmdFermerCaisse = nullptr;
    QPushButton* cmdFermer = nullptr;

private:
    void ConstruireFenetre();
    QGridLayout* ConstruireComptage();
    QGridLayout* ConstruireTotaux();
    void AfficherEcart();
    void RemplirFermetures();
    void ProposerPage(const modBD::FermetureCaisse& f);

    modBD::RepresentationSoiree m_representation;
    modBD::EtatCaisse m_etat;
    std::optional<modBD::FermetureCaisse> m_derniere;
};
