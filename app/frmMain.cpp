#include "frmMain.h"

#include "CopieSortie.h"
#include "FctVar.h"
#include "frmAide.h"
#include "Toolkit.h"
#include "frmCommandes.h"
#include "frmEchangesBillets.h"
#include "frmGestionPieces.h"
#include "frmGestionVendeurs.h"
#include "frmInventaireBillets.h"
#include "frmPlacesTarifs.h"
#include "frmSoiree.h"
#include "frmTransaction.h"
#include "modBD.h"
#include "modBD_Changements.h"
#include "modBD_Journal.h"
#include "modBD_Commandes.h"
#include "modBD_Sauvegarde.h"
#include "modBD_Soiree.h"

#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QGroupBox>
#include <QKeySequence>
#include <QUrl>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <utility>

using Toolkit::PlacerTw;
using Toolkit::Tw;

namespace {
// A management window exists at most once: showing it again brings it forward, unchanged.
template <class Fenetre, class Preparer>
void AfficherFenetre(QPointer<Fenetre>& fenetre, frmMain* principal, Preparer preparer) {
    if (!fenetre) {
        fenetre = new Fenetre(principal);
        fenetre->setAttribute(Qt::WA_DeleteOnClose);
        principal->NoterFenetre(fenetre.data());
        preparer(fenetre.data());
    }
    fenetre->show();
    fenetre->raise();
    fenetre->activateWindow();
}

QLineEdit* CreerTexte(QWidget* parent, const QString& nom, const QString& texte = QString()) {
    auto* t = new QLineEdit(texte, parent);
    t->setObjectName(nom);
    return t;
}
}  // namespace

frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    // A commit the server is slow to answer must not leave the station's windows unpainted.
    Toolkit::RepeindrePendantLesAttentes();
    setWindowTitle(Toolkit::kTitreApplication);
    setAccessibleName(Toolkit::kTitreApplication);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    ConstruireFenetre();
    ConstruireMenus();
    // The last order written stays said at the right until the next one, whatever comes and goes at the left.
    lblDerniereCommande = new QLabel(StatusBar1);
    lblDerniereCommande->setObjectName(QStringLiteral("lblDerniereCommande"));
    StatusBar1->addPermanentWidget(lblDerniereCommande);
}

frmMain::~frmMain() = default;

void frmMain::ConstruireFenetre() {
    auto* centre = new QWidget(this);
    centre->setObjectName(QStringLiteral("centre"));
    centre->setFixedSize(Tw(9225), Tw(3510));
    setCentralWidget(centre);

    Frame2 = new QGroupBox(QStringLiteral("Client et vendeur"), centre);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    PlacerTw(Frame2, 120, 120, 2415, 3255);
    Frame1 = new QGroupBox(QStringLiteral("Transactions"), centre);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    PlacerTw(Frame1, 2760, 120, 6375, 2655);
    ConstruireClient();
    ConstruireTransactions();

    cmdConfirmerTransactions = Toolkit::CreerBouton(centre, QStringLiteral("cmdConfirmerTransactions"), QStringLiteral("&Confirmer"),
                                           QStringLiteral("Ajoute la commande pour le client"));
    PlacerTw(cmdConfirmerTransactions, 6600, 3000, 1215, 375);
    cmdReinitialiser = Toolkit::CreerBouton(centre, QStringLiteral("cmdReinitialiser"), QStringLiteral("&Réinitialiser"),
                                   QStringLiteral("Remet tous les champs à zéro"));
    PlacerTw(cmdReinitialiser, 7920, 3000, 1215, 375);
    ConstruireBarreEtat();
    RelierControles();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void frmMain::ConstruireClient() {
    DPDateTransaction = Toolkit::CreerSelecteurDate(Frame2, QStringLiteral("DPDateTransaction"));
    PlacerTw(DPDateTransaction, 120, 600, 2055, 285);  // 240, 720 in the window
    Label3 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label3"), QStringLiteral("&Date de la transaction :"), DPDateTransaction);
    PlacerTw(Label3, 120, 360, 1815, 255);
    txtNomClient = CreerTexte(Frame2, QStringLiteral("txtNomClient"));
    PlacerTw(txtNomClient, 120, 1320, 2055, 285);
    Label4 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label4"), QStringLiteral("&Nom :"), txtNomClient);
    PlacerTw(Label4, 120, 1080, 2055, 255);
    txtNoTel = CreerTexte(Frame2, QStringLiteral("txtNoTel"));
    PlacerTw(txtNoTel, 120, 2040, 2055, 285);
    Label5 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label5"), QStringLiteral("&Téléphone :"), txtNoTel);
    PlacerTw(Label5, 120, 1800, 1815, 255);
    cboVendeur = new QComboBox(Frame2);
    cboVendeur->setObjectName(QStringLiteral("cboVendeur"));
    PlacerTw(cboVendeur, 120, 2760, 2055, 315);
    Label8 = Toolkit::CreerEtiquette(Frame2, QStringLiteral("Label8"), QStringLiteral("&Vendeur :"), cboVendeur);
    // A seller another station adds is there when the clerk next opens the list.
    Toolkit::SuivreBase(cboVendeur, [this] { return FctVar::LireVendeurs(this); });
    PlacerTw(Label8, 120, 2520, 855, 255);
}

void frmMain::ConstruireTransactions() {
    lstTransactions = new QTreeWidget(Frame1);
    lstTransactions->setObjectName(QStringLiteral("lstTransactions"));
    lstTransactions->setColumnCount(6);
    lstTransactions->setHeaderLabels({QStringLiteral("Nom"), QStringLiteral("Date"), QStringLiteral("NbEnf"),
                                      QStringLiteral("NbAdt"), QStringLiteral("Coûts"), QStringLiteral("À la porte")});
    lstTransactions->setRootIsDecorated(false);
    lstTransactions->setItemsExpandable(false);
    lstTransactions->setSortingEnabled(false);
    lstTransactions->setSelectionMode(QAbstractItemView::SingleSelection);
    lstTransactions->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstTransactions->setAllColumnsShowFocus(true);
    const int largeurs[] = {1951, 1051, 700, 700, 700, 950};
    for (int i = 0; i < 6; ++i) lstTransactions->setColumnWidth(i, Tw(largeurs[i]));
    PlacerTw(lstTransactions, 120, 600, 6135, 1455);
    Label1 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label1"), QStringLiteral("&Listes des pièces et représentations :"),
                                     lstTransactions);
    PlacerTw(Label1, 120, 360, 3015, 255);
    lblMontantTotal = new QLabel(QStringLiteral("0"), Frame1);
    lblMontantTotal->setObjectName(QStringLiteral("lblMontantTotal"));
    PlacerTw(lblMontantTotal, 1320, 2160, 855, 255);
    Label2 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label2"), QStringLiteral("Montant total :"), lblMontantTotal);
    PlacerTw(Label2, 120, 2160, 1215, 255);
    // The caption may have grown to show its whole text: keep the total clear of it.
    if (Label2->geometry().right() + 4 > lblMontantTotal->x())
        lblMontantTotal->move(Label2->geometry().right() + 4, lblMontantTotal->y());
    Label6 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label6"), QStringLiteral("$"));
    PlacerTw(Label6, 2200, 2170, 135, 255);
    txtNbForfaits = CreerTexte(Frame1, QStringLiteral("txtNbForfaits"), QStringLiteral("0"));
    PlacerTw(txtNbForfaits, 3360, 2160, 615, 285);
    Label7 = Toolkit::CreerEtiquette(Frame1, QStringLiteral("Label7"), QStringLiteral("N&b forfaits :"), txtNbForfaits);
    PlacerTw(Label7, 2400, 2160, 855, 255);
    cmdAjouterTransaction = Toolkit::CreerBouton(Frame1, QStringLiteral("cmdAjouterTransaction"), QStringLiteral("A&jouter"),
                                        QStringLiteral("Ajouter une transaction à la liste"));
    PlacerTw(cmdAjouterTransaction, 5040, 2160, 1215, 375);
}

void frmMain::ConstruireBarreEtat() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setFixedHeight(Tw(345));
    // One plain text of its own: a temporary message would be wiped by the menus' status tips.
    // No accessible name: a screen reader reads its text, and hears it change.
    m_texteStatut = new QLabel(StatusBar1);
    m_texteStatut->setObjectName(QStringLiteral("StatusBar1Texte"));
    StatusBar1->addWidget(m_texteStatut, 0);
    m_texteStatut->setMinimumWidth(Tw(1500));
    // A failed automatic copy is said here, apart from the "Ajouté" that comes and goes.
    m_avisSauvegarde = new QLabel(StatusBar1);
    m_avisSauvegarde->setObjectName(QStringLiteral("lblAvisSauvegarde"));
    m_avisSauvegarde->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_avisSauvegarde->hide();
    StatusBar1->addWidget(m_avisSauvegarde, 1);
    setStatusBar(StatusBar1);

    TiEffacerMsg = new QTimer(this);
    TiEffacerMsg->setObjectName(QStringLiteral("TiEffacerMsg"));
    TiEffacerMsg->setInterval(3000);

    // Another program may restore a copy over BD.mdb: noticed within a second, lists re-read.
    connect(&modBD::Changements::Instance(), &modBD::Changements::BaseRemplacee, this, &frmMain::SurBaseRemplacee);
    m_surveillanceBase = new QTimer(this);
    m_surveillanceBase->setObjectName(QStringLiteral("TiSurveillanceBase"));
    m_surveillanceBase->setInterval(1000);
    connect(m_surveillanceBase, &QTimer::timeout, this, [this] { VerifierBaseRemplacee(); });
    m_surveillanceBase->start();
}

void frmMain::RelierControles() {
    QWidget::setTabOrder(DPDateTransaction, txtNomClient);
    QWidget::setTabOrder(txtNomClient, txtNoTel);
    QWidget::setTabOrder(txtNoTel, cboVendeur);
    QWidget::setTabOrder(cboVendeur, txtNbForfaits);
    QWidget::setTabOrder(txtNbForfaits, cmdAjouterTransaction);
    QWidget::setTabOrder(cmdAjouterTransaction, cmdConfirmerTransactions);
    QWidget::setTabOrder(cmdConfirmerTransactions, cmdReinitialiser);
    QWidget::setTabOrder(cmdReinitialiser, lstTransactions);

    connect(cmdAjouterTransaction, &QPushButton::clicked, this, &frmMain::cmdAjouterTransaction_Click);
    connect(cmdConfirmerTransactions, &QPushButton::clicked, this, &frmMain::cmdConfirmerTransactions_Click);
    connect(cmdReinitialiser, &QPushButton::clicked, this, &frmMain::cmdReinitialiser_Click);
    connect(TiEffacerMsg, &QTimer::timeout, this, &frmMain::TiEffacerMsg_Timer);
    Toolkit::SurClicDroit(lstTransactions, [this] { lstTransactions_MouseUp(Qt::RightButton); },
                          Toolkit::ClicDroit::SelectionneSousLePointeur);
    for (QLineEdit* t : {txtNomClient, txtNoTel, txtNbForfaits})
        Toolkit::SurFocus(t, [t] { Toolkit::SelectionnerTout(t); });
    Toolkit::PreparerFenetre(this, DPDateTransaction);
}

void frmMain::ConstruireMenus() {
    mnuFichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    mnuFichier->setObjectName(QStringLiteral("mnuFichier"));
    mnuSauvegarder = mnuFichier->addAction(QStringLiteral("Sauvegarder une &copie…"), this, &frmMain::mnuSauvegarder_Click);
    mnuSauvegarder->setObjectName(QStringLiteral("mnuSauvegarder"));
    mnuRestaurer = mnuFichier->addAction(QStringLiteral("&Restaurer une sauvegarde…"), this, &frmMain::mnuRestaurer_Click);
    mnuRestaurer->setObjectName(QStringLiteral("mnuRestaurer"));
    mnuChangerEmploye = mnuFichier->addAction(QStringLiteral("Changer d'&employé…"), this, &frmMain::mnuChangerEmploye_Click);
    mnuChangerEmploye->setObjectName(QStringLiteral("mnuChangerEmploye"));
    mnuChangerEmploye->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    mnuFichier->addSeparator()->setObjectName(QStringLiteral("mnuSeparateurFichier"));
    mnuQuitter = mnuFichier->addAction(QStringLiteral("&Quitter"), this, &frmMain::mnuQuitter_Click);
    mnuQuitter->setObjectName(QStringLiteral("mnuQuitter"));

    mnuOutils = menuBar()->addMenu(QStringLiteral("&Outils"));
    mnuOutils->setObjectName(QStringLiteral("mnuOutils"));
    mnuGestionVendeurs = mnuOutils->addAction(QStringLiteral("Gestion des &vendeurs"), this, &frmMain::mnuGestionVendeurs_Click);
    mnuGestionVendeurs->setObjectName(QStringLiteral("mnuGestionVendeurs"));
    mnuGestionPieces = mnuOutils->addAction(QStringLiteral("Gestion des &pièces"), this, &frmMain::mnuGestionPieces_Click);
    mnuGestionPieces->setObjectName(QStringLiteral("mnuGestionPieces"));
    mnuPlacesTarifs = mnuOutils->addAction(QStringLiteral("Places et &tarifs…"), this, &frmMain::mnuPlacesTarifs_Click);
    mnuPlacesTarifs->setObjectName(QStringLiteral("mnuPlacesTarifs"));
    mnuGestionBillets = mnuOutils->addAction(QStringLiteral("Gestion du nb de &billets"), this, &frmMain::mnuGestionBillets_Click);
    mnuGestionBillets->setObjectName(QStringLiteral("mnuGestionBillets"));
    mnuEchanges = mnuOutils->addAction(QStringLiteral("&Échanges de billets"), this, &frmMain::mnuEchanges_Click);
    mnuEchanges->setObjectName(QStringLiteral("mnuEchanges"));
    mnuRechercheCommandes = mnuOutils->addAction(QStringLiteral("Re&cherche de commandes…"), this,
                                                 &frmMain::mnuRechercheCommandes_Click);
    mnuRechercheCommandes->setObjectName(QStringLiteral("mnuRechercheCommandes"));
    mnuSoiree = mnuOutils->addAction(QStringLiteral("&Soirée de représentation…"), this, &frmMain::mnuSoiree_Click);
    mnuSoiree->setObjectName(QStringLiteral("mnuSoiree"));
    mnuProduireRapport = mnuOutils->addAction(QStringLiteral("&Rapports"), this, &frmMain::mnuProduireRapport_Click);
    mnuProduireRapport->setObjectName(QStringLiteral("mnuProduireRapport"));
    ConstruireMenusComptes();

    mnuAide = menuBar()->addMenu(QStringLiteral("&Aide"));
    mnuAide->setObjectName(QStringLiteral("mnuAide"));
    mnuGuide = mnuAide->addAction(QStringLiteral("&Guide de la billetterie"), this, &frmMain::mnuGuide_Click);
    mnuGuide->setObjectName(QStringLiteral("mnuGuide"));
    mnuGuide->setShortcut(QKeySequence(Qt::Key_F1));
    mnuGuide->setShortcutContext(Qt::ApplicationShortcut);
    mnuAPropos = mnuAide->addAction(QStringLiteral("À &propos de Corvandelle"), this, &frmMain::mnuAPropos_Click);
    mnuAPropos->setObjectName(QStringLiteral("mnuAPropos"));

    // Never in the menu bar: shown over the order list only.
    mnuPopUpMenu = new QMenu(QStringLiteral("popup"), this);
    mnuPopUpMenu->setObjectName(QStringLiteral("mnuPopUpMenu"));
    mnuSupprimer = mnuPopUpMenu->addAction(QStringLiteral("Supprimer"), this, &frmMain::mnuSupprimer_Click);
    mnuSupprimer->setObjectName(QStringLiteral("mnuSupprimer"));
    Toolkit::MenuAuClavier(lstTransactions, mnuPopUpMenu, [this] { mnuSupprimer_Click(); });
}

void frmMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    Toolkit::CentrerPremiereFois(this, m_centree);
    if (!m_copieProgrammee) {
        // After the window is on screen: the copy never delays the start.
        m_copieProgrammee = true;
        QTimer::singleShot(0, this, &frmMain::LancerCopieAutomatique);
    }
}

bool frmMain::Form_Load() {
    DPDateTransaction->setDate(FctVar::TexteEnDate(FctVar::ObtenirDateDuJour()));
    bool ouverte = true;
    try {
        modBD::OuvrirBase();
    } catch (const modBD::ErreurOuverture& e) {
        ouverte = TraiterEchecOuverture(e);
    }
    if (!ouverte) {
        Toolkit::TerminerProgramme();
        return false;
    }
    AfficherListeVendeurs();
    if (!ConnecterAuDemarrage()) {
        Toolkit::TerminerProgramme();
        return false;
    }
    IndiquerDebut();
    return true;
}

namespace {
const QString kBaseVide = QStringLiteral("Base vide : commencez par Outils > Gestion des pièces, puis Gestion des vendeurs (F1 : guide).");
}

// A base without any play yet (new, or emptied): the status text says where to begin, and
// is looked at again each second until the first play is added (here or at another station).
void frmMain::IndiquerDebut() {
    bool vide = false;
    try {
        vide = modBD::ListePieces().isEmpty();
    } catch (const modBD::ErreurBD&) {
        return;  // said by the windows that need the plays; a hint is not worth a message
    }
    if (vide && !TiEffacerMsg->isActive()) DefinirTexteStatut(kBaseVide);
    else if (!vide && TexteStatut() == kBaseVide) DefinirTexteStatut(QString());
    if (vide && !m_suiviBaseVide) {
        m_suiviBaseVide = new QTimer(this);
        m_suiviBaseVide->setObjectName(QStringLiteral("TiSuiviBaseVide"));
        m_suiviBaseVide->setInterval(1000);
        connect(m_suiviBaseVide, &QTimer::timeout, this, &frmMain::IndiquerDebut);
        m_suiviBaseVide->start();
    } else if (!vide && m_suiviBaseVide) {
        m_suiviBaseVide->deleteLater();
        m_suiviBaseVide = nullptr;
    }
}

// The database could not be opened: say which file and why; offer to create a missing one,
// never touch an existing one. True when a usable database is now open.
bool frmMain::TraiterEchecOuverture(const modBD::ErreurOuverture& echec) {
    const bool fichier = echec.echec() == modBD::EchecOuverture::FichierAbsent;
    // A server base without the tables: the same first-run question, naming the server and the base.
    if (!fichier && echec.echec() != modBD::EchecOuverture::TablesAbsentes) return DireEchecOuverture(echec);
    const QString question = echec.message() + (fichier ? QStringLiteral("\n\nVoulez-vous créer une base de données vide à cet endroit?")
                                                        : QStringLiteral("\n\nVoulez-vous y créer les tables maintenant?"));
    if (Toolkit::MsgBox(this, question, Toolkit::Boutons::OuiNon, Toolkit::Icone::Question, QStringLiteral("Base de données"),
                        Toolkit::Reponse::Oui) != Toolkit::Reponse::Oui)
        return false;
    try {
        if (fichier) {
            const QString chemin = modBD::CheminBD();
            // The first run of an installed program: its data folder does not exist yet.
            QDir().mkpath(QFileInfo(chemin).absolutePath());
            modBD::CreerBaseVide(chemin);
        } else {
            modBD::CreerTablesServeur();
        }
    } catch (const modBD::ErreurBD& e) {
        Toolkit::MsgBox(this, e.message() + QStringLiteral("\n\nLe programme va se terminer."), Toolkit::Boutons::OK,
                        Toolkit::Icone::Critique, QStringLiteral("Base de données"));
        return false;
    }
    try {
        modBD::OuvrirBase();
        return true;
    } catch (const modBD::ErreurOuverture& e) {
        return DireEchecOuverture(e);
    }
}

bool frmMain::DireEchecOuverture(const modBD::ErreurOuverture& echec) {
    const QString suite = QStringLiteral("\n\n") + echec.rienModifie() + QStringLiteral(" Le programme va se terminer.");
    Toolkit::MsgBox(this, echec.message() + suite, Toolkit::Boutons::OK, Toolkit::Icone::Critique,
                    QStringLiteral("Base de données"));
    return false;
}

void frmMain::AfficherListeVendeurs() {
    const std::optional<QStringList> lus = FctVar::LireVendeurs(this);
    if (!lus) return;
    const QStringList& vendeurs = *lus;
    Toolkit::RemplirCombo(cboVendeur, vendeurs);
    if (cboVendeur->count() > 0) cboVendeur->setCurrentIndex(0);
}

void frmMain::ReinitialiserChamps() {
    DPDateTransaction->setDate(FctVar::TexteEnDate(FctVar::ObtenirDateDuJour()));
    txtNomClient->clear();
    txtNoTel->clear();
    lblMontantTotal->setText(QStringLiteral("0"));
    txtNbForfaits->setText(QStringLiteral("0"));
    lstTransactions->clear();
    m_jeton.clear();  // a new order gets a new token
    m_contenuJeton.clear();
}

void frmMain::cmdAjouterTransaction_Click() {
    // A new dialog each time: it starts from its design values and reads both lists afresh.
    frmTransaction dialogue(this, *lstTransactions, *lblMontantTotal);
    dialogue.exec();
}

namespace {
const QString kCommandeGardee =
    QStringLiteral("La commande n'a pas été enregistrée : elle reste à l'écran. Vérifiez-la, puis réessayez.");
}  // namespace

bool frmMain::VerifierBaseRemplacee(const QString& complement) {
    if (m_avisRemplacementOuvert || !modBD::ReprendreBaseRemplacee()) return false;
    ApresBaseRemplacee(QString(), complement);
    return true;
}

// The connection is on the new file already (the store said so: SurBaseRemplacee has run):
// the clerk is told once.
void frmMain::ApresBaseRemplacee(const QString& repli, const QString& complement) {
    QString avis = modBD::AvisBaseRemplacee();
    if (avis.isEmpty()) avis = repli;
    m_avisRemplacementOuvert = true;
    Toolkit::MsgBox(this, complement.isEmpty() ? avis : avis + QStringLiteral("\n\n") + complement, Toolkit::Boutons::OK,
                    Toolkit::Icone::Information, QStringLiteral("Base de données"));
    m_avisRemplacementOuvert = false;
}

// Writes the order on screen once its fields passed their checks; returns the message for the
// clerk (empty when all went well and nothing needs saying).
QString frmMain::EnregistrerCommandeAffichee(const QString& dateTransaction) {
    QString message;
    modBD::Commande commande;
    commande.dateReservation = dateTransaction;
    commande.nomClient = txtNomClient->text();
    commande.telephoneClient = txtNoTel->text();
    commande.nbForfaits = txtNbForfaits->text();
    commande.nomVendeur = cboVendeur->currentText();
    const int nbLignes = lstTransactions->topLevelItemCount();
    // Each line's amount is the one kept beside its cell, the total their sum: no text is read back.
    for (int i = 0; i < nbLignes; ++i) {
        const QTreeWidgetItem* l = lstTransactions->topLevelItem(i);
        const Montant cout = FctVar::MontantLigne(*l);
        commande.lignes.append({l->text(FctVar::ColNom), l->text(FctVar::ColDate), l->text(FctVar::ColNbEnf),
                                l->text(FctVar::ColNbAdt), cout, l->text(FctVar::ColPorte)});
        commande.montantTotal += cout;
    }
    // One token per order on screen, kept until it is written: a confirmation whose answer
    // was lost is settled by it instead of being written a second time.
    const QString contenu = ContenuCommande(commande);
    if (m_jeton.isEmpty()) {
        m_jeton = modBD::NouveauJeton();
        m_contenuJeton = contenu;
    }
    commande.jeton = m_jeton;
    try {
        const modBD::CommandeEnregistree enregistree = modBD::ConfirmerCommande(commande);
        const QString no = enregistree.no;
        m_jeton.clear();
        if (enregistree.dejaEnregistree && contenu != m_contenuJeton) {
            // Written by the attempt whose answer was lost, as it was then: the clerk's later
            // changes are not in it. They stay on screen; writing them is the clerk's choice.
            message = QStringLiteral("La commande avait déjà été enregistrée (commande n° %1) telle qu'elle était à sa "
                                     "première confirmation : les modifications faites depuis n'y sont pas.\n\nLa "
                                     "commande modifiée reste à l'écran. Si elle remplace la commande n° %1, annulez "
                                     "d'abord celle-ci (Outils > Recherche de commandes), puis confirmez-la de nouveau.")
                          .arg(no);
        } else {
            DefinirTexteStatut(enregistree.dejaEnregistree ? QStringLiteral("Ajouté (commande n° %1)").arg(no)
                                                             : QStringLiteral("Ajouté"));
            TiEffacerMsg->start(3000);
            ReinitialiserChamps();
        }
        AfficherDerniereCommande(no);
    } catch (const modBD::ErreurBD& e) {
        message = TraiterEchecEnregistrement(e);
    }
    return message;
}

void frmMain::cmdConfirmerTransactions_Click() {
    // A base restored by another program: what is on screen was chosen from the old lists.
    if (VerifierBaseRemplacee(kCommandeGardee)) return;
    QString message;
    QWidget* champ = nullptr;  // where the focus goes with the message; null: it stays
    const QString dateTransaction = FctVar::DateEnTexte(DPDateTransaction->date());
    QString telephone = txtNoTel->text();  // a copy: the test trims it, the field keeps what was typed

    if (dateTransaction.isEmpty()) {
        message = QStringLiteral("Vous devez entrer une date!");
        champ = DPDateTransaction;
    } else if (txtNomClient->text().isEmpty()) {
        message = QStringLiteral("Vous devez entrer le nom du client!");
        champ = txtNomClient;
    } else if (!telephone.isEmpty() && !FctVar::ValiderNoTelephone(telephone)) {
        message = QStringLiteral("Le numéro de téléphone n'est pas valide!");
        champ = txtNoTel;
    } else if (txtNbForfaits->text().trimmed().isEmpty()) {
        message = QStringLiteral("Vous devez entrer un nombre de forfait!");
        champ = txtNbForfaits;
    } else if (lstTransactions->topLevelItemCount() == 0) {
        message = QStringLiteral("Vous devez commander au moins une transaction!");
        champ = cmdAjouterTransaction;
    } else if (!ValiderTransactionPorte()) {
        message = QStringLiteral("Vous ne pouvez pas avoir plus d'une transaction lorsqu'il y en a une 'à la porte'");
    } else if (cboVendeur->currentText().isEmpty()) {
        message = QStringLiteral("Vous devez sélectionner un vendeur. Allez dans 'Outils' pour en ajouter à la liste.");
    } else if (!ValiderComptes(message, champ)) {
        // message and field set by ValiderComptes
    } else if (!AccepterPlaces(message)) {
        // declined by the clerk (nothing to say), or the seats could not be read (message set)
    } else {
        message = EnregistrerCommandeAffichee(dateTransaction);
    }
    if (champ) champ->setFocus();
    if (!message.isEmpty()) Toolkit::Erreur(this, message);
}

// The window is left as it was, so the order can be corrected or confirmed again. The message
// for the clerk; empty when the base was replaced (said by then).
QString frmMain::TraiterEchecEnregistrement(const modBD::ErreurBD& e) {
    if (e.nature() == modBD::NatureErreur::DisquePlein)
        return QStringLiteral("La commande n'a pas été enregistrée : le disque est plein. Rien n'a été écrit dans la "
                              "base de données.\n\nLibérez de la place sur le disque, par exemple en supprimant "
                              "d'anciennes copies du dossier « %1 », puis réessayez : la commande reste à l'écran.")
            .arg(QDir::toNativeSeparators(modBD::DossierSauvegardes()));
    if (e.nature() == modBD::NatureErreur::BaseRemplacee) {
        // Replaced in the middle of the order: now that it is rolled back, reopen.
        modBD::ReprendreBaseRemplacee();
        ApresBaseRemplacee(e.message(), kCommandeGardee);
        return QString();
    }
    return MessageEchecConfirmation(e);
}

void frmMain::AfficherDerniereCommande(const QString& no) {
    const QString texte = QStringLiteral("Dernière commande : n° %1").arg(no);
    lblDerniereCommande->setText(texte);
    lblDerniereCommande->setAccessibleName(texte);
}

QString frmMain::DerniereCommande() const { return lblDerniereCommande->text(); }

void frmMain::AnnoncerFichier(const QString& chemin) {
    DefinirTexteStatut(QStringLiteral("Enregistré : %1").arg(QDir::toNativeSeparators(chemin)));
    TiEffacerMsg->start(5000);
}

QString frmMain::ContenuCommande(const modBD::Commande& c) {
    // Amounts in the caption's form, as the total label has always shown them.
    QStringList champs{c.dateReservation, c.montantTotal.TexteGeneral(), c.nomClient, c.telephoneClient, c.nbForfaits,
                       c.nomVendeur};
    for (const modBD::LigneCommande& l : c.lignes)
        champs << l.nomPiece << l.dateRepresentation << l.nbEnfants << l.nbAdultes << l.cout.TexteGeneral() << l.ventePorte;
    return champs.join(QChar(0x1f));
}

QString frmMain::MessageEchecConfirmation(const modBD::ErreurBD& erreur) {
    if (modBD::MessageComplet(erreur)) return erreur.message();
    if (modBD::ContenuRefuse(erreur))
        return QStringLiteral("La commande n'a pas été enregistrée : rien n'a été écrit dans la base de données.\n\n") +
               erreur.message() +
               QStringLiteral("\n\nLa commande reste à l'écran : corrigez-la, puis confirmez-la de nouveau.");
    return QStringLiteral("La commande n'a pas été enregistrée : la base de données n'a pas pu être écrite. Rien n'a été "
                          "écrit.\n\n") +
           erreur.message() + QStringLiteral("\n\nLa commande reste à l'écran : réessayez de la confirmer.");
}

// The counts are written as 16-bit numbers: a text that cannot become one (letters in the
// packages, 99999 tickets) is refused here, before anything is written, with the field at fault.
bool frmMain::ValiderComptes(QString& message, QWidget*& champ) {
    if (!FctVar::TexteEnCompte16(txtNbForfaits->text())) {
        message = QStringLiteral("Le nombre de forfaits « %1 » n'est pas valide : entrez un nombre entier entre -32768 et 32767.")
                      .arg(txtNbForfaits->text());
        champ = txtNbForfaits;
        return false;
    }
    for (int i = 0; i < lstTransactions->topLevelItemCount(); ++i) {
        QTreeWidgetItem* ligne = lstTransactions->topLevelItem(i);
        const std::pair<int, QString> comptes[] = {{FctVar::ColNbEnf, QStringLiteral("billets pour enfant")},
                                                   {FctVar::ColNbAdt, QStringLiteral("billets pour adulte")}};
        for (const auto& [colonne, quoi] : comptes) {
            if (FctVar::TexteEnCompte16(ligne->text(colonne))) continue;
            message = QStringLiteral("Ligne %1 (« %2 », %3) : le nombre de %4 « %5 » n'est pas valide : "
                                     "il doit être un nombre entier entre -32768 et 32767. "
                                     "Supprimez cette ligne et ajoutez-la de nouveau.")
                          .arg(i + 1)
                          .arg(ligne->text(FctVar::ColNom), ligne->text(FctVar::ColDate), quoi, ligne->text(colonne));
            lstTransactions->setCurrentItem(ligne);
            champ = lstTransactions;
            return false;
        }
    }
    return true;
}

// Another station may have sold the seats since the lines were added: ask again for a line
// that now takes more than are left, unless the clerk already accepted that much or worse.
bool frmMain::AccepterPlaces(QString& message) {
    for (int i = 0; i < lstTransactions->topLevelItemCount(); ++i) {
        QTreeWidgetItem* ligne = lstTransactions->topLevelItem(i);
        std::optional<qlonglong> restantes;
        try {
            restantes = modBD::PlacesRestantes(ligne->text(FctVar::ColNom), ligne->text(FctVar::ColDate));
        } catch (const modBD::ErreurBD& e) {
            // Told as a failed write is: the base cannot be used now, and nothing was written.
            message = MessageEchecConfirmation(e);
            return false;
        }
        if (!restantes) continue;
        const double demandees = FctVar::LireNombre(ligne->text(FctVar::ColNbEnf)).value_or(0) +
                                 FctVar::LireNombre(ligne->text(FctVar::ColNbAdt)).value_or(0);
        if (demandees <= static_cast<double>(*restantes)) continue;
        const std::optional<qlonglong> acceptees = FctVar::PlacesAcceptees(*ligne);
        if (acceptees && *restantes >= *acceptees) continue;
        lstTransactions->setCurrentItem(ligne);
        if (!FctVar::QuestionComplet(this, *restantes, ligne->text(FctVar::ColNom), ligne->text(FctVar::ColDate))) return false;
        FctVar::MarquerPlacesAcceptees(*ligne, *restantes);
    }
    return true;
}

bool frmMain::ValiderTransactionPorte() const {
    const int nbLignes = lstTransactions->topLevelItemCount();
    int aLaPorte = 0;
    for (int i = 0; i < nbLignes; ++i)
        if (lstTransactions->topLevelItem(i)->text(FctVar::ColPorte) == QLatin1String("Oui")) ++aLaPorte;
    return !(nbLignes > 1 && aLaPorte >= 1);
}

void frmMain::cmdReinitialiser_Click() {
    if (Toolkit::Question(this, QStringLiteral("Êtes-vous sur de vouloir réinitialiser la commande?"),
                          QStringLiteral("Réinitialisation")))
        ReinitialiserChamps();
}

void frmMain::lstTransactions_MouseUp(Qt::MouseButton bouton) {
    if (bouton == Qt::RightButton) mnuPopUpMenu->popup(QCursor::pos());
}

void frmMain::mnuSupprimer_Click() {
    if (lstTransactions->topLevelItemCount() == 0) {
        Toolkit::Erreur(this, QStringLiteral("Il n'y a pas de transactions à enlever!"));
        return;
    }
    const QList<QTreeWidgetItem*> choisies = lstTransactions->selectedItems();
    if (choisies.isEmpty()) {
        Toolkit::Erreur(this, QStringLiteral("Vous devez d'abord sélectionner la transaction à enlever."));
        return;
    }
    delete choisies.first();
    FctVar::CalculerMontantTotal(*lstTransactions, *lblMontantTotal);
}

frmGestionPieces* frmMain::FenetrePieces() const { return m_pieces; }
frmGestionVendeurs* frmMain::FenetreVendeurs() const { return m_vendeurs; }
frmInventaireBillets* frmMain::FenetreInventaire() const { return m_inventaire; }
frmEchangesBillets* frmMain::FenetreEchanges() const { return m_echanges; }
void frmMain::NoterFenetre(QWidget* fenetre) { m_fenetres.append(fenetre); }

QList<QWidget*> frmMain::FenetresOuvertes() const {
    QList<QWidget*> ouvertes;
    for (const QPointer<QWidget>& f : m_fenetres)
        if (f) ouvertes << f.data();
    return ouvertes;
}

// Every window the hub opened shows rows of the base it was opened on: after the base was
// replaced, all of them close (an order of the same number may now be another order).
// Said by the store once the connection is on another file (a restore, here or elsewhere).
// The order being typed here stays; the sellers' list is read again, the choice kept.
void frmMain::SurBaseRemplacee() {
    FermerFenetres();
    const QString vendeur = cboVendeur->currentText();
    AfficherListeVendeurs();
    const int rang = cboVendeur->findText(vendeur);
    if (rang >= 0) cboVendeur->setCurrentIndex(rang);
}

void frmMain::FermerFenetres() {
    const QList<QPointer<QWidget>> fenetres = std::exchange(m_fenetres, {});
    for (const QPointer<QWidget>& f : fenetres) delete f.data();
}

frmCommandes* frmMain::FenetreCommandes() const { return m_commandes; }
frmPlacesTarifs* frmMain::FenetrePlacesTarifs() const { return m_placesTarifs; }
frmSoiree* frmMain::FenetreSoiree() const { return m_soiree; }

template <class Fenetre>
void AfficherFenetre(QPointer<Fenetre>& fenetre, frmMain* principal) {
    AfficherFenetre(fenetre, principal, [](Fenetre*) {});
}

void frmMain::mnuGestionVendeurs_Click() {
    AfficherFenetre(m_vendeurs, this, [this](frmGestionVendeurs* f) {
        connect(f, &frmGestionVendeurs::VendeursFermes, this, &frmMain::AfficherListeVendeurs);
    });
}
void frmMain::mnuGestionPieces_Click() { AfficherFenetre(m_pieces, this); }
void frmMain::mnuGestionBillets_Click() { AfficherFenetre(m_inventaire, this); }
void frmMain::mnuEchanges_Click() { AfficherFenetre(m_echanges, this); }
void frmMain::mnuRechercheCommandes_Click() {
    AfficherFenetre(m_commandes, this, [this](frmCommandes* f) {
        connect(f, &frmCommandes::FichierEnregistre, this, &frmMain::AnnoncerFichier);
    });
}
void frmMain::mnuPlacesTarifs_Click() { AfficherFenetre(m_placesTarifs, this); }
void frmMain::mnuSoiree_Click() {
    AfficherFenetre(m_soiree, this, [this](frmSoiree* f) {
        connect(f, &frmSoiree::FichierEnregistre, this, &frmMain::AnnoncerFichier);
    });
}

void frmMain::mnuProduireRapport_Click() {
    if (!Toolkit::Question(this, QStringLiteral("Cette action quittera le programme, êtes-vous sûr de vouloir quitter?"),
                           QStringLiteral("Quitter")))
        return;
    CopieSortie::Faire(false);  // the program ends: the evening's sales are copied first
    modBD::FermerConnexion();
    // On a server base the tool is handed the settings file, and opens the same base from it.
    if (!Toolkit::DemarrerOutilRapport(modBD::BasePourAutreProgramme())) {
        // Ending now would look like success: stay, with the database open again.
        Toolkit::Erreur(this, QStringLiteral("L'outil de rapports (corvandelle-rapports) n'a pas pu être démarré. "
                                             "Vérifiez qu'il se trouve dans le dossier du programme. "
                                             "Le programme reste ouvert."));
        modBD::OuvrirConnexion();
        return;
    }
    Toolkit::TerminerProgramme();
}

void frmMain::mnuQuitter_Click() { Toolkit::TerminerProgramme(); }

QString frmMain::CheminGuide() {
    const QDir bin(QCoreApplication::applicationDirPath());
    for (const QString& relatif : {QStringLiteral("../share/doc/corvandelle/guide/index.html"), QStringLiteral("../guide/index.html")}) {
        const QFileInfo page(bin.filePath(relatif));
        if (page.isFile()) return QDir::cleanPath(page.absoluteFilePath());
    }
    return QString();
}

void frmMain::mnuGuide_Click() {
    const QString page = CheminGuide();
    if (page.isEmpty()) {
        Toolkit::Erreur(this, QStringLiteral("Le Guide de la billetterie est introuvable : il est installé avec le paquet "
                                             "corvandelle (/usr/share/doc/corvandelle/guide/index.html)."));
        return;
    }
    // Shown by the program itself: no web browser needed.
    if (!m_aide) {
        m_aide = new frmAide(page, this);
        m_aide->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_aide->show();
    m_aide->raise();
    m_aide->activateWindow();
}

frmAide* frmMain::FenetreAide() const { return m_aide; }

void frmMain::mnuAPropos_Click() {
    QString base = modBD::DescriptionBase();
    if (modBD::CopiesPossibles()) base = QStringLiteral("le fichier ") + base;  // a base the program can copy is a file
    const QString texte =
        QStringLiteral("Corvandelle %1\n\nBilletterie d'une petite troupe de théâtre.\n\n"
                       "Licence : GNU GPL version 3 ou ultérieure. Ce programme est fourni sans aucune garantie.\n\n"
                       "Base de données : %2")
            .arg(QStringLiteral(CORV_VERSION), base) +
        (modBD::CopiesPossibles()
             ? QStringLiteral("\nCopies de sauvegarde : « %1 »").arg(QDir::toNativeSeparators(modBD::DossierSauvegardes()))
             : QString());
    Toolkit::MsgBox(this, texte, Toolkit::Boutons::OK, Toolkit::Icone::Information, QStringLiteral("À propos de Corvandelle"));
}

void frmMain::TiEffacerMsg_Timer() {
    DefinirTexteStatut(QString());
    TiEffacerMsg->stop();
    // After the "Ajouté" of a sale written without its journal row: said once per start, and lasting.
    if (const QString avis = modBD::AvisJournal(); !avis.isEmpty()) AfficherAvisSauvegarde(avis);
}

QString frmMain::TexteStatut() const { return m_texteStatut->text(); }
void frmMain::DefinirTexteStatut(const QString& texte) { m_texteStatut->setText(texte); }

// --- Copies of the database.

namespace {
QString DossierDialogue() {
    const QString dossier = modBD::DossierSauvegardes();
    QDir().mkpath(dossier);
    return QFileInfo(dossier).isDir() ? dossier : modBD::DossierProgramme();
}

const QString kFiltreBases = QStringLiteral("Bases de données (*.mdb);;Tous les fichiers (*)");

bool EstLaBaseEnService(const QString& chemin) { return modBD::MemeFichier(chemin, modBD::CheminBD()); }

class CurseurAttente {
public:
    CurseurAttente() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CurseurAttente() { QGuiApplication::restoreOverrideCursor(); }
    CurseurAttente(const CurseurAttente&) = delete;
    CurseurAttente& operator=(const CurseurAttente&) = delete;
};
}  // namespace

modBD::CopieBD* frmMain::CopieAutomatique() const { return m_copieAuto; }

QString frmMain::AvisSauvegarde() const { return m_avisSauvegarde->isHidden() ? QString() : m_avisSauvegarde->text(); }

void frmMain::AfficherAvisSauvegarde(const QString& message) {
    m_avisSauvegarde->setText(message);
    m_avisSauvegarde->setToolTip(message);
    m_avisSauvegarde->setAccessibleName(message);
    m_avisSauvegarde->show();
}

void frmMain::LancerCopieAutomatique() {
    if (m_copieAuto || !modBD::ConnexionOuverte() || !modBD::CopiesPossibles()) return;
    const QDateTime maintenant = QDateTime::currentDateTime();
    const QString dossier = modBD::DossierSauvegardes();
    modBD::NettoyerCopiesInterrompues(dossier);
    modBD::NettoyerCopiesInterrompues(modBD::DossierProgramme());
    if (!modBD::CopieAutomatiqueDue(maintenant)) return;
    m_copieAuto = new modBD::CopieBD(QDir(dossier).filePath(modBD::NomCopieAutomatique(maintenant)), true, this);
    connect(m_copieAuto, &modBD::CopieBD::Terminee, this, [this](bool reussie, const QString& message) {
        if (!reussie) {
            AfficherAvisSauvegarde(QStringLiteral("Sauvegarde non faite : ") + m_copieAuto->Raison());
            m_avisSauvegarde->setToolTip(message);
        }
        if (m_copieAuto) m_copieAuto->deleteLater();
    });
    m_copieAuto->Demarrer();
}

void frmMain::mnuSauvegarder_Click() {
    if (!modBD::CopiesPossibles()) {
        Toolkit::Avis(this, modBD::MessageCopiesServeur());
        return;
    }
    const QString chemin =
        Toolkit::ChoisirFichierEnregistrement(this, QStringLiteral("Sauvegarder une copie"), DossierDialogue(),
                                              modBD::NomCopieAutomatique(QDateTime::currentDateTime()), kFiltreBases,
                                              QStringLiteral("mdb"));
    if (chemin.isEmpty()) return;
    if (EstLaBaseEnService(chemin)) {
        Toolkit::Erreur(this, QStringLiteral("Une copie ne peut pas remplacer la base de données en service (BD.mdb) : "
                                             "choisissez un autre nom. Rien n'a été modifié."));
        return;
    }
    try {
        const CurseurAttente attente;
        modBD::CopieBD copie(chemin, false);
        copie.Faire();
    } catch (const modBD::ErreurBD& e) {
        Toolkit::Erreur(this, e.message() + QStringLiteral("\n\nLa base de données n'a pas été modifiée."));
        return;
    }
    m_avisSauvegarde->hide();  // a checked copy now exists
    AnnoncerFichier(chemin);
}

namespace {
// The restore's two progress boxes: modal to the whole program, shown at once, left open
// until the program closes them.
void PreparerProgression(QProgressDialog& progression, const QString& nom) {
    progression.setObjectName(nom);
    progression.setWindowTitle(QStringLiteral("Restauration"));
    progression.setWindowModality(Qt::ApplicationModal);
    progression.setMinimumDuration(0);
    progression.setAutoClose(false);
    progression.setAutoReset(false);
}
}  // namespace

// Checking a large copy takes seconds: done on a thread, the window answers meanwhile.
// False when the clerk cancelled or the copy was refused (the clerk is told why).
bool frmMain::ExaminerCopieChoisie(const QString& chemin, modBD::ContenuCopie& contenu, modBD::ContenuCopie& actuelle) {
    QString erreur;
    std::atomic<bool> annule{false};
    {
        QProgressDialog progression(QStringLiteral("Vérification de la copie…"), QStringLiteral("Annuler"), 0, 0, this);
        PreparerProgression(progression, QStringLiteral("dlgVerificationCopie"));
        QEventLoop boucle;
        QThread* fil = QThread::create([&] {
            try {
                contenu = modBD::ExaminerCopie(chemin, &annule);
                if (!annule) actuelle = modBD::ContenuBaseActuelle();
            } catch (const modBD::ErreurBD& e) {
                erreur = e.message();
            }
        });
        connect(&progression, &QProgressDialog::canceled, &boucle, [&annule] { annule = true; });
        connect(fil, &QThread::finished, &boucle, &QEventLoop::quit);
        fil->start();
        progression.show();
        boucle.exec();
        fil->wait();
        delete fil;
    }
    if (annule) return false;
    if (!erreur.isEmpty()) {
        Toolkit::Erreur(this, erreur + QStringLiteral("\n\nRien n'a été modifié."));
        return false;
    }
    return true;
}

// Restores the copy, its progress shown and cancellable until BD.mdb is being replaced.
// Returns the path the data of now were kept under; empty when nothing was replaced (the
// clerk is told why, unless cancelled).
QString frmMain::RestaurerAvecProgression(const QString& chemin, const QDateTime& maintenant) {
    bool reussie = false;
    QString message;
    QString avant;
    {
        modBD::RestaurationBD restauration(chemin, maintenant);
        QProgressDialog progression(QStringLiteral("Restauration…"), QStringLiteral("Annuler"), 0, 1000, this);
        PreparerProgression(progression, QStringLiteral("dlgRestauration"));
        QEventLoop boucle;
        QTimer suivi;
        suivi.setInterval(50);
        connect(&suivi, &QTimer::timeout, &progression, [&] {
            progression.setValue(restauration.PourMille());
            // Once BD.mdb is being replaced, there is no way back.
            if (!restauration.Annulable()) progression.setCancelButton(nullptr);
        });
        connect(&progression, &QProgressDialog::canceled, &restauration, [&restauration] { restauration.Annuler(); });
        connect(&restauration, &modBD::RestaurationBD::Terminee, &boucle,
                [&](bool r, bool, const QString& m) {
                    reussie = r;
                    message = m;
                    boucle.quit();
                });
        restauration.Demarrer();
        progression.show();
        suivi.start();
        boucle.exec();
        avant = restauration.CheminAvant();
    }
    if (reussie) return avant;
    if (!message.isEmpty()) Toolkit::Erreur(this, message);
    return {};
}

void frmMain::mnuRestaurer_Click() {
    if (!modBD::CopiesPossibles()) {
        Toolkit::Avis(this, modBD::MessageCopiesServeur());
        return;
    }
    const QString chemin =
        Toolkit::ChoisirFichierOuvrir(this, QStringLiteral("Restaurer une sauvegarde"), DossierDialogue(), kFiltreBases);
    if (chemin.isEmpty()) return;
    if (EstLaBaseEnService(chemin)) {
        Toolkit::Erreur(this, QStringLiteral("Le fichier choisi est la base de données en service : choisissez une copie "
                                             "de sauvegarde. Rien n'a été modifié."));
        return;
    }
    modBD::ContenuCopie contenu, actuelle;
    if (!ExaminerCopieChoisie(chemin, contenu, actuelle)) return;
    const QDateTime maintenant = QDateTime::currentDateTime();
    const QString question =
        modBD::QuestionRestauration(actuelle, contenu, QStringLiteral("« %1 »").arg(modBD::NomCopieAvantRestauration(maintenant)));
    if (!Toolkit::Question(this, question, QStringLiteral("Restauration"))) return;

    delete m_copieAuto;  // reads the base about to be replaced: abandoned, its file deleted
    const QString avant = RestaurerAvecProgression(chemin, maintenant);
    if (avant.isEmpty()) return;
    const QString moment = QLocale().toString(contenu.moment, QStringLiteral("d MMMM yyyy 'à' HH:mm:ss"));
    Toolkit::MsgBox(this,
                    QStringLiteral("La copie du %1 a été restaurée.\n\nLes données remplacées ont été gardées dans « %2 ».")
                        .arg(moment, QDir::toNativeSeparators(avant)),
                    Toolkit::Boutons::OK, Toolkit::Icone::Information, QStringLiteral("Restauration"));
}

