// The start-up window and sales desk: one order is built here line by line, then confirmed.
#pragma once

#include <QMainWindow>
#include <QPointer>

class QAction;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QTimer;
class QTreeWidget;

class frmGestionPieces;
class frmGestionVendeurs;
class frmInventaireBillets;
class frmEchangesBillets;
class frmCommandes;
class frmPlacesTarifs;
class frmSoiree;
class frmAide;
namespace modBD {
class CopieBD;
class ErreurBD;
class ErreurOuverture;
struct ContenuCopie;
struct Commande;
}

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Runs once before the window is shown. False when the program must end
    // (no usable database and the clerk did not have one created).
    bool Form_Load();

    void AfficherListeVendeurs();
    void ReinitialiserChamps();

    // Handlers, public so that other windows and tests can raise them as the clerk would.
    void cmdAjouterTransaction_Click();
    void cmdConfirmerTransactions_Click();
    void cmdReinitialiser_Click();
    void lstTransactions_MouseUp(Qt::MouseButton bouton);
    void mnuSupprimer_Click();
    void mnuGestionVendeurs_Click();
    void mnuGestionPieces_Click();
    void mnuGestionBillets_Click();
    void mnuEchanges_Click();
    void mnuRechercheCommandes_Click();
    void mnuPlacesTarifs_Click();
    void mnuSoiree_Click();
    void mnuProduireRapport_Click();
    void mnuQuitter_Click();
    void mnuSauvegarder_Click();
    void mnuRestaurer_Click();
    void mnuGuide_Click();
    void mnuAPropos_Click();
    // Accounts: hand the station to another employee, the accounts, the journal.
    void mnuChangerEmploye_Click();
    void mnuComptes_Click();
    void mnuJournal_Click();
    // Enables what the signed-in employee's role may use; the rest shows "Réservé à : …".
    // Without accounts everything stays as it is.
    void AppliquerRoles();
    void ActualiserTitre();
    // The guide's first page: installed beside the program's share folder, or built beside bin/.
    // Empty when it cannot be found.
    static QString CheminGuide();
    void TiEffacerMsg_Timer();

    // The day's automatic copy, started once the window is shown when the last one is 20 hours
    // old or more. The copy in progress (null when none); the notice when one failed.
    void LancerCopieAutomatique();
    modBD::CopieBD* CopieAutomatique() const;
    QString AvisSauvegarde() const;

    QString TexteStatut() const;
    // The hint of a base without plays, in the status text until the first play is added.
    void IndiquerDebut();
    // The token of the order on screen (empty before its first confirmation), for the tests.
    QString JetonEnCours() const { return m_jeton; }
    // The clerk's message when a confirmation failed: "corrigez-la" only when the order's own
    // content was refused; otherwise what happened to the base, and "réessayez".
    static QString MessageEchecConfirmation(const modBD::ErreurBD& erreur);
    // The order's fields as one text, to tell whether it changed since its token was made.
    static QString ContenuCommande(const modBD::Commande& commande);
    void DefinirTexteStatut(const QString& texte);
    // "Enregistré : {chemin}" for 5 s: a file was written (a copy, a receipt, a closing page).
    void AnnoncerFichier(const QString& chemin);
    // The permanent text at the right of the status bar: the last order written ("" before any).
    QString DerniereCommande() const;

    // The open management windows (null when closed).
    frmGestionPieces* FenetrePieces() const;
    frmGestionVendeurs* FenetreVendeurs() const;
    frmInventaireBillets* FenetreInventaire() const;
    frmEchangesBillets* FenetreEchanges() const;
    // The hub keeps one list of the windows it opened (see FermerFenetres).
    void NoterFenetre(QWidget* fenetre);
    QList<QWidget*> FenetresOuvertes() const;
    frmCommandes* FenetreCommandes() const;
    frmPlacesTarifs* FenetrePlacesTarifs() const;
    frmSoiree* FenetreSoiree() const;
    frmAide* FenetreAide() const;

    // Controls, named as on the form.
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QDateEdit* DPDateTransaction = nullptr;
    QLineEdit* txtNomClient = nullptr;
    QLineEdit* txtNoTel = nullptr;
    QComboBox* cboVendeur = nullptr;
    QTreeWidget* lstTransactions = nullptr;
    QLabel* lblMontantTotal = nullptr;
    QLineEdit* txtNbForfaits = nullptr;
    QPushButton* cmdAjouterTransaction = nullptr;
    QPushButton* cmdConfirmerTransactions = nullptr;
    QPushButton* cmdReinitialiser = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* lblDerniereCommande = nullptr;
    QTimer* TiEffacerMsg = nullptr;
    QMenu* mnuFichier = nullptr;
    QMenu* mnuOutils = nullptr;
    QMenu* mnuAide = nullptr;
    QMenu* mnuPopUpMenu = nullptr;
    QAction* mnuGuide = nullptr;
    QAction* mnuAPropos = nullptr;
    QAction* mnuSauvegarder = nullptr;
    QAction* mnuRestaurer = nullptr;
    QAction* mnuQuitter = nullptr;
    QAction* mnuGestionVendeurs = nullptr;
    QAction* mnuGestionPieces = nullptr;
    QAction* mnuGestionBillets = nullptr;
    QAction* mnuEchanges = nullptr;
    QAction* mnuRechercheCommandes = nullptr;
    QAction* mnuPlacesTarifs = nullptr;
    QAction* mnuSoiree = nullptr;
    QAction* mnuProduireRapport = nullptr;
    QAction* mnuChangerEmploye = nullptr;
    QAction* mnuComptes = nullptr;
    QAction* mnuJournal = nullptr;
    QAction* mnuSupprimer = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void ConstruireFenetre();
    void ConstruireClient();
    void ConstruireTransactions();
    void ConstruireBarreEtat();
    void RelierControles();
    void ConstruireMenus();
    bool TraiterEchecOuverture(const modBD::ErreurOuverture& echec);
    bool DireEchecOuverture(const modBD::ErreurOuverture& echec);
    void ConstruireMenusComptes();
    bool ConnecterAuDemarrage();
    void VerifierJournalAuDemarrage();
    void EffacerAnciensClientsAuDemarrage();
    bool ValiderTransactionPorte() const;
    bool ValiderComptes(QString& message, QWidget*& champ);
    bool AccepterPlaces(QString& message);

    void AfficherAvisSauvegarde(const QString& message);
    QString TraiterEchecEnregistrement(const modBD::ErreurBD& e);
    void AfficherDerniereCommande(const QString& no);
    bool VerifierBaseRemplacee(const QString& complement = QString());
    void ApresBaseRemplacee(const QString& repli, const QString& complement = QString());

    QLabel* m_texteStatut = nullptr;
    QString m_jeton;  // the order on screen's token, until it is written or the window is cleared
    QString m_contenuJeton;  // the order as it was when its token was made
    QLabel* m_avisSauvegarde = nullptr;
    bool m_centree = false;
    bool m_copieProgrammee = false;
    bool m_avisRemplacementOuvert = false;
    QTimer* m_surveillanceBase = nullptr;
    QTimer* m_suiviBaseVide = nullptr;  // only while the base has no play
    QPointer<modBD::CopieBD> m_copieAuto;
    QPointer<frmGestionPieces> m_pieces;
    QPointer<frmGestionVendeurs> m_vendeurs;
    QPointer<frmInventaireBillets> m_inventaire;
    QPointer<frmEchangesBillets> m_echanges;
    QPointer<frmCommandes> m_commandes;
    QPointer<frmPlacesTarifs> m_placesTarifs;
    QPointer<frmAide> m_aide;
    QPointer<frmSoiree> m_soiree;
    // Every window the hub opened and that is still open, in the order they were opened.
    QList<QPointer<QWidget>> m_fenetres;
    void FermerFenetres();
    void SurBaseRemplacee();
    QString EnregistrerCommandeAffichee(const QString& dateTransaction);
    bool ExaminerCopieChoisie(const QString& chemin, modBD::ContenuCopie& contenu, modBD::ContenuCopie& actuelle);
    QString RestaurerAvecProgression(const QString& chemin, const QDateTime& maintenant);
};
