// Confirmed orders: find one as the clerk types, see its lines, cancel it or take its
// cancellation back. Modeless, at most one at a time, opened from the "Outils" menu.
#pragma once

#include "Recu.h"
#include "modBD_RechercheCommandes.h"

#include <QWidget>

#include <optional>

class QBoxLayout;
class QLabel;
class QPagedPaintDevice;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class frmCommandes : public QWidget {
    Q_OBJECT
public:
    explicit frmCommandes(QWidget* principal);

    // Fills the list from what is typed, keeping the chosen order chosen when it is still found.
    void AfficherCommandes();
    // Shows the chosen order's lines, packages, total and state.
    void AfficherDetail();
    // The number of the order chosen in the list, if any.
    std::optional<qint64> CommandeChoisie() const;
    // Chooses an order of the list by its number; false when the list does not show it.
    bool ChoisirCommande(qint64 noClient);

    // Handlers, public so that tests can raise them as the clerk would.
    void Form_Load();
    void txtRecherche_Change();
    void lstCommandes_Click();
    void cmdAnnuler_Click();
    void cmdFermer_Click();
    void cmdImprimerRecu_Click();
    // "Effacer les coordonnées du client…": the client's orders listed, the ticked ones erased.
    void cmdEffacerClient_Click();  // the print dialog (a printer, or a PDF file)
    // "Effacement automatique…": the months after which old clients' details are erased at start.
    void cmdEffacementAutomatique_Click();
    // The chosen order's receipt: painted on the device, or written as a PDF file. False, with
    // the clerk told why, when there is no receipt to make.
    bool ImprimerRecu(QPagedPaintDevice& appareil);
    bool EcrireRecuPdf(const QString& chemin);

    // The list's columns.
    enum Colonne { ColNo = 0, ColDate, ColClient, ColTelephone, ColVendeur, ColBillets, ColMontant, ColEtat };

    // Controls, named by kind.
    QLabel* lblRecherche = nullptr;
    QLineEdit* txtRecherche = nullptr;
    QLabel* lblCommandes = nullptr;
    QTreeWidget* lstCommandes = nullptr;
    QLabel* lblPlus = nullptr;          // how many more orders than shown; empty when none
    QLabel* lblLignes = nullptr;
    QTreeWidget* lstLignes = nullptr;
    QLabel* lblForfaits = nullptr;
    QLabel* lblNbForfaits = nullptr;    // value
    QLabel* lblMontant = nullptr;
    QLabel* lblMontantTotal = nullptr;  // value
    QLabel* lblEtat = nullptr;
    QLabel* lblEtatCommande = nullptr;  // value: state, date and reason of a cancellation
    QLabel* lblMotif = nullptr;
    QLineEdit* txtMotif = nullptr;
    QPushButton* cmdAnnuler = nullptr;  // "Annuler la commande" or "Rétablir la commande"
    QPushButton* cmdFermer = nullptr;
    QPushButton* cmdImprimerRecu = nullptr;
    QPushButton* cmdEffacerClient = nullptr;
    QPushButton* cmdEffacementAutomatique = nullptr;

    // An amount as this window shows it: two decimals, the locale's separator.
    static QString FormaterMontant(Montant montant);

signals:
    // A file was written (the receipt as a PDF file): the main window says where.
    void FichierEnregistre(const QString& chemin);

protected:
    void showEvent(QShowEvent* e) override;

private:
    std::optional<Rapports::Recu> LireRecu();
    void ConstruireFenetre();
    void RelierFenetre();
    void ConstruireActions(class QVBoxLayout* racine);
    void Relier();  // the controls to their handlers
    QBoxLayout* ConstruireTotaux();  // packages, total and state of the chosen order
    void ViderDetail();
    static void DefinirValeur(QLabel* valeur, const QString& texte);

    std::optional<modBD::DetailCommande> m_detail;  // the order shown below the list
    bool m_centree = false;
};
