// The evening at the door: one performance's counters, its parties to check in, door sales,
// and the night's closing page. Modeless, at most one at a time, opened from the "Outils"
// menu. Every check-in is written at once; the list follows other stations' check-ins.
#pragma once

#include "modBD_Soiree.h"

#include <QElapsedTimer>
#include <QWidget>

#include <optional>

class QComboBox;
class QKeyEvent;
class QLabel;
class QTreeWidgetItem;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;

class frmSoiree : public QWidget {
    Q_OBJECT
public:
    explicit frmSoiree(QWidget* principal);

    // Reads the chosen performance again: counters and list (the chosen party stays chosen).
    // Waits only briefly for a base another program holds: what is shown then stays, the
    // status line says how old it is, and the next tick catches up. False when not read.
    bool Actualiser();
    // The party chosen in the list, if any.
    std::optional<qint64> PartieChoisie() const;
    bool ChoisirPartie(qint64 noClient);
    // The chosen performance, if any.
    std::optional<modBD::RepresentationSoiree> RepresentationChoisie() const;

    // Handlers, public so that tests can raise them as the clerk would.
    void Form_Load();
    void cboRepresentation_Click();
    void txtRecherche_Change();
    void txtRecherche_Entree();     // Enter in the field: the selected party checked in whole
    void cmdArrivee_Click();        // the whole party (Enter, Space, double click)
    void cmdPlus_Click();           // one more ("+")
    void cmdMoins_Click();          // one less ("−")
    void cmdAnnulerArrivee_Click();  // back to 0
    void cmdVentePorte_Click();     // the small dialog
    void cmdCloture_Click();        // the closing page as PDF
    void cmdImprimerCloture_Click();
    void cmdCaisse_Click();         // "Caisse de la soirée" for this performance and station
    // Records a door sale with these entries (what the dialog's "Enregistrer" does); false,
    // with the clerk told why, when nothing was recorded. paiement: "Espèces", "Carte",
    // "Chèque" (reference: its number, optional) or "Autre".
    // jeton: the dialog's own, kept until the sale is recorded, so that "Enregistrer" pressed again
    // after a failure that came once the order was written never sells twice (empty: a new one).
    bool VendreALaPorte(const QString& enfants, const QString& adultes, const QString& cout, const QString& vendeur,
                        const QString& paiement = QStringLiteral("Espèces"), const QString& reference = QString(),
                        const QString& jeton = QString());
    // The door sale's cost from the play's prices ("" when it has none or the counts are no numbers).
    QString CoutSelonTarif(const QString& enfants, const QString& adultes) const;

    enum Colonne { ColClient = 0, ColTelephone, ColEnfants, ColAdultes, ColArrives };

    QLabel* lblRepresentation = nullptr;
    QComboBox* cboRepresentation = nullptr;
    QLabel* lblCapacite = nullptr;       // values; their captions are lblTitre…
    QLabel* lblVendusAvance = nullptr;
    QLabel* lblVendusPorte = nullptr;
    QLabel* lblArrives = nullptr;
    QLabel* lblAttendus = nullptr;
    QLabel* lblPlacesLibres = nullptr;
    QLabel* lblRecherche = nullptr;
    QLineEdit* txtRecherche = nullptr;
    QTreeWidget* lstParties = nullptr;
    QPushButton* cmdArrivee = nullptr;
    QPushButton* cmdPlus = nullptr;
    QPushButton* cmdMoins = nullptr;
    QPushButton* cmdAnnulerArrivee = nullptr;
    QPushButton* cmdVentePorte = nullptr;
    QPushButton* cmdCloture = nullptr;
    QPushButton* cmdImprimerCloture = nullptr;
    QPushButton* cmdCaisse = nullptr;
    QPushButton* cmdFermer = nullptr;
    QLabel* lblEtat = nullptr;  // the status line: a party already in, figures held back by a busy base
    QTimer* TiActualiser = nullptr;  // other stations' check-ins and sales
    QLabel* lblStatut = nullptr;     // the status line: "Enregistré : {chemin}" for 5 s after a file is written
    QTimer* TiEffacerStatut = nullptr;

signals:
    // A file was written (the closing page): the main window says it too.
    void FichierEnregistre(const QString& chemin);

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;
    void showEvent(QShowEvent* e) override;

private:
    void ConstruireFenetre();
    void ConstruireLigneStatut();
    void PreparerLecteurEtClavier();
    void AnnoncerFichier(const QString& chemin);
    void ConstruireCompteurs(class QVBoxLayout* racine);
    void ConstruireRecherche(QVBoxLayout* racine);
    void ConstruireBoutons(QVBoxLayout* racine);
    void Relier();
    void RemplirListe(bool choisirPremiere = false);
    QTreeWidgetItem* CreerItem(const modBD::PartieSoiree& p) const;
    void AfficherCompteurs();
    void Noter(modBD::Arrivee changement);
    const modBD::PartieSoiree* Partie(qint64 noClient) const;
    bool ToucheRecherche(const QKeyEvent* touche);
    bool ToucheListe(const QKeyEvent* touche);
    void RendreFocus();

    QList<modBD::RepresentationSoiree> m_representations;
    modBD::Soiree m_soiree;
    std::optional<modBD::Tarif> m_tarif;
    bool m_centree = false;
    QElapsedTimer m_derniereLecture;  // since the figures shown were read
};
