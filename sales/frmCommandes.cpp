#include "frmCommandes.h"

#include "Montant.h"

#include "FctVar.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Changements.h"
#include "modBD_Annulations.h"
#include "modBD_Soiree.h"
#include "modBD_Compagnie.h"
#include "modBD_Journal.h"
#include "Exportation.h"

#include <QBoxLayout>
#include <QFont>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPrinter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>

namespace {
const QString kTitre = QStringLiteral("Commandes confirmées");
const QString kAnnuler = QStringLiteral("Annuler la commande");
const QString kRetablir = QStringLiteral("Rétablir la commande");

QTreeWidget* CreerListe(QWidget* parent, const QString& nom, const QStringList& colonnes, const QList<int>& largeurs) {
    auto* l = new QTreeWidget(parent);
    l->setObjectName(nom);
    l->setColumnCount(static_cast<int>(colonnes.size()));
    l->setHeaderLabels(colonnes);
    l->setRootIsDecorated(false);
    l->setItemsExpandable(false);
    l->setSortingEnabled(false);
    l->setSelectionMode(QAbstractItemView::SingleSelection);
    l->setSelectionBehavior(QAbstractItemView::SelectRows);
    l->setAllColumnsShowFocus(true);
    l->setUniformRowHeights(true);
    for (int i = 0; i < largeurs.size(); ++i) l->setColumnWidth(i, largeurs.at(i));
    return l;
}

QString Etat(const modBD::ResumeCommande& c) {
    return c.annulation ? QStringLiteral("Annulée le %1").arg(c.annulation->dateAnnulation) : QStringLiteral("Confirmée");
}
}  // namespace

frmCommandes::frmCommandes(QWidget* principal)
    : QWidget(principal, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmCommandes"));
    setWindowTitle(kTitre);
    setAccessibleName(kTitre);
    ConstruireFenetre();
    // Each value is read with its caption (label relation), not only described by it.
    lblForfaits->setBuddy(lblNbForfaits);
    lblMontant->setBuddy(lblMontantTotal);
    lblEtat->setBuddy(lblEtatCommande);
    lblRecherche->setText(QStringLiteral("&Rechercher :"));
    lblMotif->setText(QStringLiteral("&Motif :"));
    cmdFermer->setText(QStringLiteral("&Fermer"));
    Toolkit::PreparerFenetre(this, txtRecherche, cmdFermer);
    // Any order written, cancelled, erased or checked in, by any window: the list shows it at once.
    connect(&modBD::Changements::Instance(), &modBD::Changements::CommandesChangees, this, &frmCommandes::AfficherCommandes);
    Form_Load();
}

QBoxLayout* frmCommandes::ConstruireTotaux() {
    // Value labels carry their value as accessible name; the caption beside them describes them.
    auto valeur = [this](const QString& nom, const QString& legende) {
        auto* l = new QLabel(this);
        l->setObjectName(nom);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setAccessibleDescription(legende);
        return l;
    };
    lblForfaits = Toolkit::CreerEtiquette(this, QStringLiteral("lblForfaits"), QStringLiteral("Nb forfaits :"));
    lblNbForfaits = valeur(QStringLiteral("lblNbForfaits"), QStringLiteral("Nb forfaits"));
    lblMontant = Toolkit::CreerEtiquette(this, QStringLiteral("lblMontant"), QStringLiteral("Montant total :"));
    lblMontantTotal = valeur(QStringLiteral("lblMontantTotal"), QStringLiteral("Montant total"));
    lblEtat = Toolkit::CreerEtiquette(this, QStringLiteral("lblEtat"), QStringLiteral("État :"));
    lblEtatCommande = valeur(QStringLiteral("lblEtatCommande"), QStringLiteral("État"));
    lblEtatCommande->setWordWrap(true);
    auto* totaux = new QHBoxLayout;
    totaux->addWidget(lblForfaits);
    totaux->addWidget(lblNbForfaits);
    totaux->addSpacing(24);
    totaux->addWidget(lblMontant);
    totaux->addWidget(lblMontantTotal);
    totaux->addSpacing(24);
    totaux->addWidget(lblEtat);
    totaux->addWidget(lblEtatCommande, 1);
    return totaux;
}

void frmCommandes::ConstruireFenetre() {
    auto* racine = new QVBoxLayout(this);

    txtRecherche = new QLineEdit(this);
    txtRecherche->setObjectName(QStringLiteral("txtRecherche"));
    txtRecherche->setClearButtonEnabled(true);
    txtRecherche->setToolTip(QStringLiteral("Nom du client (sans égard aux accents ni aux majuscules), téléphone ou numéro de commande"));
    lblRecherche = Toolkit::CreerEtiquette(this, QStringLiteral("lblRecherche"), QStringLiteral("Rechercher :"), txtRecherche);
    auto* ligneRecherche = new QHBoxLayout;
    ligneRecherche->addWidget(lblRecherche);
    ligneRecherche->addWidget(txtRecherche, 1);
    racine->addLayout(ligneRecherche);

    lstCommandes = CreerListe(this, QStringLiteral("lstCommandes"),
                              {QStringLiteral("No"), QStringLiteral("Date"), QStringLiteral("Client"), QStringLiteral("Téléphone"),
                               QStringLiteral("Vendeur"), QStringLiteral("Billets"), QStringLiteral("Montant"), QStringLiteral("État")},
                              {60, 90, 190, 100, 130, 55, 80, 150});
    lblCommandes = Toolkit::CreerEtiquette(this, QStringLiteral("lblCommandes"), QStringLiteral("Commandes trouvées :"), lstCommandes);
    racine->addWidget(lblCommandes);
    racine->addWidget(lstCommandes, 3);
    lblPlus = new QLabel(this);
    lblPlus->setObjectName(QStringLiteral("lblPlus"));
    racine->addWidget(lblPlus);

    lstLignes = CreerListe(this, QStringLiteral("lstLignes"),
                           {QStringLiteral("Nom"), QStringLiteral("Date"), QStringLiteral("NbEnf"), QStringLiteral("NbAdt"),
                            QStringLiteral("Coûts"), QStringLiteral("À la porte")},
                           {260, 110, 60, 60, 80, 80});
    lblLignes = Toolkit::CreerEtiquette(this, QStringLiteral("lblLignes"), QStringLiteral("Lignes de la commande :"), lstLignes);
    racine->addWidget(lblLignes);
    racine->addWidget(lstLignes, 2);

    racine->addLayout(ConstruireTotaux());

    ConstruireActions(racine);
}

// The actions under the lists: cancel or restore, receipt, erasure, close; the tab order.
void frmCommandes::ConstruireActions(QVBoxLayout* racine) {
    txtMotif = new QLineEdit(this);
    txtMotif->setObjectName(QStringLiteral("txtMotif"));
    Toolkit::LimiterLongueur(txtMotif, modBD::kLongueurMaxMotif);
    txtMotif->setToolTip(QStringLiteral("Raison de l'annulation (facultative, 100 caractères au plus)"));
    lblMotif = Toolkit::CreerEtiquette(this, QStringLiteral("lblMotif"), QStringLiteral("Motif :"), txtMotif);
    cmdAnnuler = Toolkit::CreerBouton(this, QStringLiteral("cmdAnnuler"), kAnnuler);
    cmdFermer = Toolkit::CreerBouton(this, QStringLiteral("cmdFermer"), QStringLiteral("Fermer"));
    auto* actions = new QHBoxLayout;
    actions->addWidget(lblMotif);
    actions->addWidget(txtMotif, 1);
    actions->addWidget(cmdAnnuler);
    actions->addSpacing(24);
    cmdImprimerRecu = Toolkit::CreerBouton(this, QStringLiteral("cmdImprimerRecu"), QStringLiteral("Imprimer le reçu…"));
    actions->addWidget(cmdImprimerRecu);
    cmdEffacerClient = Toolkit::CreerBouton(this, QStringLiteral("cmdEffacerClient"),
                                            QStringLiteral("Effacer les coordonnées du client…"));
    actions->addWidget(cmdEffacerClient);
    cmdEffacementAutomatique = Toolkit::CreerBouton(this, QStringLiteral("cmdEffacementAutomatique"),
                                                    QStringLiteral("Effacement automatique…"));
    actions->addWidget(cmdEffacementAutomatique);
    actions->addWidget(cmdFermer);
    racine->addLayout(actions);

    // The button must fit its longer caption, whichever it shows.
    cmdAnnuler->setMinimumWidth(std::max(cmdAnnuler->fontMetrics().horizontalAdvance(kAnnuler),
                                         cmdAnnuler->fontMetrics().horizontalAdvance(kRetablir)) + 24);
    resize(960, 600);
    RelierFenetre();
}

// The tab order and what each control does.
void frmCommandes::RelierFenetre() {
    const QList<QWidget*> ordre{txtRecherche,    lstCommandes,     lstLignes,
                                txtMotif,        cmdAnnuler,       cmdImprimerRecu,
                                cmdEffacerClient, cmdEffacementAutomatique, cmdFermer};
    for (qsizetype i = 1; i < ordre.size(); ++i) QWidget::setTabOrder(ordre[i - 1], ordre[i]);
    Relier();
}

void frmCommandes::Relier() {
    connect(txtRecherche, &QLineEdit::textChanged, this, [this] { txtRecherche_Change(); });
    // The selection, not the current item: on a mouse press the current item changes before the
    // clicked row is selected, so a detail read then would see no chosen order.
    connect(lstCommandes, &QTreeWidget::itemSelectionChanged, this, [this] { lstCommandes_Click(); });
    connect(cmdAnnuler, &QPushButton::clicked, this, &frmCommandes::cmdAnnuler_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &frmCommandes::cmdFermer_Click);
    connect(cmdImprimerRecu, &QPushButton::clicked, this, &frmCommandes::cmdImprimerRecu_Click);
    connect(cmdEffacerClient, &QPushButton::clicked, this, &frmCommandes::cmdEffacerClient_Click);
    connect(cmdEffacementAutomatique, &QPushButton::clicked, this, &frmCommandes::cmdEffacementAutomatique_Click);
    bool permis = true;
    try {
        permis = modBD::RolePermet(modBD::Role::Tresorerie);
    } catch (const modBD::ErreurBD&) {
        // The data store checks again when the button is used.
    }
    for (QPushButton* bouton : {cmdEffacerClient, cmdEffacementAutomatique}) {
        bouton->setEnabled(permis);
        if (!permis) bouton->setToolTip(modBD::TexteReserve(modBD::Role::Tresorerie));
    }
}

std::optional<Rapports::Recu> frmCommandes::LireRecu() {
    const std::optional<qint64> no = CommandeChoisie();
    if (!no) {
        Toolkit::Erreur(this, QStringLiteral("Choisissez d'abord une commande dans la liste."));
        return std::nullopt;
    }
    std::optional<modBD::DetailCommande> d;
    Rapports::Recu r;
    try {
        d = modBD::LireCommande(*no);
        r.compagnie = modBD::LireNomCompagnie();
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("Le reçu n'a pas pu être préparé."), e);
        return std::nullopt;
    }
    if (!d) {
        Toolkit::Erreur(this, QStringLiteral("Cette commande n'existe plus dans la base de données (supprimée entre-temps?)."));
        AfficherCommandes();
        return std::nullopt;
    }
    r.numero = d->resume.noClient;
    r.date = d->resume.dateReservation;
    r.client = d->resume.nomClient;
    r.telephone = d->resume.telephoneClient;
    r.forfaits = d->resume.nbForfaits;
    r.total = d->resume.montant;
    if (d->resume.annulation) r.annulee = d->resume.annulation->dateAnnulation;
    for (const modBD::LigneDetail& l : std::as_const(d->lignes))
        r.lignes.append({l.nomPiece, l.dateRepresentation, l.nbEnfants, l.nbAdultes, l.cout, l.ventePorte});
    return r;
}

bool frmCommandes::ImprimerRecu(QPagedPaintDevice& appareil) {
    const std::optional<Rapports::Recu> r = LireRecu();
    if (!r) return false;
    if (!Rapports::PeindreRecu(*r, appareil)) {
        Toolkit::Erreur(this, QStringLiteral("Le reçu n'a pas pu être imprimé."));
        return false;
    }
    return true;
}

bool frmCommandes::EcrireRecuPdf(const QString& chemin) {
    const std::optional<Rapports::Recu> r = LireRecu();
    if (!r) return false;
    try {
        Rapports::ExporterRecuPdf(*r, chemin);
    } catch (const Rapports::ErreurSortie& e) {
        Toolkit::Erreur(this, e.message());
        return false;
    }
    emit FichierEnregistre(chemin);
    return true;
}

void frmCommandes::cmdImprimerRecu_Click() {
    if (!CommandeChoisie()) {
        Toolkit::Erreur(this, QStringLiteral("Choisissez d'abord une commande dans la liste."));
        return;
    }
    // Qt's print dialog also offers to write the page as a PDF file.
    QPrinter imprimante(QPrinter::HighResolution);
    if (!Toolkit::ChoisirImprimante(this, imprimante, QStringLiteral("Imprimer le reçu"))) return;
    if (ImprimerRecu(imprimante) && imprimante.outputFormat() == QPrinter::PdfFormat && !imprimante.outputFileName().isEmpty())
        emit FichierEnregistre(imprimante.outputFileName());
}

void frmCommandes::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    Toolkit::CentrerPremiereFois(this, m_centree);
}

QString frmCommandes::FormaterMontant(Montant montant) { return montant.TexteSimple(); }

void frmCommandes::DefinirValeur(QLabel* valeur, const QString& texte) { Toolkit::AfficherValeur(valeur, texte); }

void frmCommandes::Form_Load() { AfficherCommandes(); }

void frmCommandes::txtRecherche_Change() { AfficherCommandes(); }

void frmCommandes::lstCommandes_Click() { AfficherDetail(); }

std::optional<qint64> frmCommandes::CommandeChoisie() const {
    const QTreeWidgetItem* choisie = lstCommandes->currentItem();
    if (!choisie || !choisie->isSelected()) return std::nullopt;
    return choisie->data(ColNo, Qt::UserRole).toLongLong();
}

bool frmCommandes::ChoisirCommande(qint64 noClient) {
    for (int i = 0; i < lstCommandes->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = lstCommandes->topLevelItem(i);
        if (item->data(ColNo, Qt::UserRole).toLongLong() == noClient) {
            lstCommandes->setCurrentItem(item);
            item->setSelected(true);
            return true;
        }
    }
    return false;
}

void frmCommandes::AfficherCommandes() {
    const std::optional<qint64> avant = CommandeChoisie();
    const QString texte = txtRecherche->text();
    modBD::ResultatRecherche resultat;
    try {
        resultat = modBD::RechercherCommandes(texte);
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("La liste des commandes n'a pas pu être lue."), e);
        return;  // the list stays as it was
    }
    {
        const QSignalBlocker bloqueur(lstCommandes);  // one detail read at the end, not one per row
        lstCommandes->clear();
        for (const modBD::ResumeCommande& c : resultat.commandes) {
            auto* item = new QTreeWidgetItem(QStringList{QString::number(c.noClient), c.dateReservation, c.nomClient,
                                                         c.telephoneClient, c.vendeur, QString::number(c.billets),
                                                         FormaterMontant(c.montant), Etat(c)});
            item->setData(ColNo, Qt::UserRole, c.noClient);
            for (int col : {ColNo, ColBillets, ColMontant}) item->setTextAlignment(col, Qt::AlignRight | Qt::AlignVCenter);
            if (c.annulation) {
                QFont barre = item->font(ColClient);
                barre.setStrikeOut(true);
                for (int col = ColNo; col < ColEtat; ++col) item->setFont(col, barre);
            }
            lstCommandes->addTopLevelItem(item);
        }
        if (!(avant && ChoisirCommande(*avant)) && lstCommandes->topLevelItemCount() > 0) {
            lstCommandes->setCurrentItem(lstCommandes->topLevelItem(0));
            lstCommandes->topLevelItem(0)->setSelected(true);
        }
    }
    const qint64 autres = resultat.total - resultat.commandes.size();
    QString plus;
    if (autres == 1)
        plus = QStringLiteral("Et 1 autre commande, non affichée : précisez la recherche.");
    else if (autres > 1)
        plus = QStringLiteral("Et %1 autres commandes, non affichées : précisez la recherche.").arg(autres);
    else if (resultat.total == 0)
        plus = texte.trimmed().isEmpty() ? QStringLiteral("Aucune commande confirmée.")
                                         : QStringLiteral("Aucune commande ne correspond à « %1 ».").arg(texte.trimmed());
    DefinirValeur(lblPlus, plus);
    AfficherDetail();
}

void frmCommandes::ViderDetail() {
    m_detail.reset();
    lstLignes->clear();
    DefinirValeur(lblNbForfaits, QString());
    DefinirValeur(lblMontantTotal, QString());
    DefinirValeur(lblEtatCommande, QString());
    cmdAnnuler->setText(kAnnuler);
    cmdAnnuler->setEnabled(false);
    txtMotif->setEnabled(false);
}

void frmCommandes::AfficherDetail() {
    const std::optional<qint64> no = CommandeChoisie();
    if (!no) {
        ViderDetail();
        return;
    }
    std::optional<modBD::DetailCommande> detail;
    try {
        detail = modBD::LireCommande(*no);
    } catch (const modBD::ErreurBD& e) {
        ViderDetail();
        Toolkit::Erreur(this, QStringLiteral("La commande %1 n'a pas pu être lue.\n").arg(*no) + e.message());
        return;
    }
    if (!detail) {
        ViderDetail();
        DefinirValeur(lblEtatCommande, QStringLiteral("Cette commande n'existe plus dans la base de données."));
        return;
    }
    m_detail = detail;
    lstLignes->clear();
    for (const modBD::LigneDetail& l : detail->lignes) {
        auto* item = new QTreeWidgetItem(QStringList{
            l.nomPiece.isEmpty() ? QStringLiteral("(pièce supprimée)") : l.nomPiece,
            l.dateRepresentation.isEmpty() ? QStringLiteral("(représentation supprimée)") : l.dateRepresentation,
            QString::number(l.nbEnfants), QString::number(l.nbAdultes), FormaterMontant(l.cout),
            l.ventePorte ? QStringLiteral("Oui") : QStringLiteral("Non")});
        for (int col : {2, 3, 4}) item->setTextAlignment(col, Qt::AlignRight | Qt::AlignVCenter);
        lstLignes->addTopLevelItem(item);
    }
    const modBD::ResumeCommande& c = detail->resume;
    DefinirValeur(lblNbForfaits, QString::number(c.nbForfaits));
    DefinirValeur(lblMontantTotal, FormaterMontant(c.montant) + QStringLiteral(" $"));
    if (c.annulation) {
        QString etat = Etat(c);
        if (!c.annulation->motif.isEmpty()) etat += QStringLiteral(" — motif : ") + c.annulation->motif;
        DefinirValeur(lblEtatCommande, etat);
    } else {
        DefinirValeur(lblEtatCommande, Etat(c));
    }
    cmdAnnuler->setText(c.annulation ? kRetablir : kAnnuler);
    cmdAnnuler->setEnabled(true);
    txtMotif->setEnabled(!c.annulation);
}

void frmCommandes::cmdAnnuler_Click() {
    if (!m_detail || !CommandeChoisie() || *CommandeChoisie() != m_detail->resume.noClient) {
        Toolkit::Erreur(this, QStringLiteral("Choisissez d'abord une commande dans la liste."));
        return;
    }
    const modBD::ResumeCommande c = m_detail->resume;
    const bool retablir = c.annulation.has_value();
    const QString description = QStringLiteral("%1 de %2 (%3 billets, %4 $)")
                                    .arg(QString::number(c.noClient), c.nomClient, QString::number(c.billets),
                                         FormaterMontant(c.montant));
    if (retablir) {
        if (!Toolkit::Question(this, QStringLiteral("Rétablir la commande %1 ?").arg(description),
                               QStringLiteral("Rétablissement")))
            return;
    } else if (!Toolkit::Question(this, QStringLiteral("Annuler la commande %1 ?").arg(description),
                                  QStringLiteral("Annulation"))) {
        return;
    }

    modBD::ResultatAnnulation resultat;
    try {
        resultat = retablir ? modBD::RetablirCommande(c.noClient)
                            : modBD::AnnulerCommande(c.noClient, FctVar::ObtenirDateDuJour(), txtMotif->text());
    } catch (const modBD::ErreurBD& e) {
        // Nothing was written: the list, the choice and the reason typed stay as they are.
        Toolkit::Erreur(this, (retablir ? QStringLiteral("La commande %1 n'a pas été rétablie")
                                        : QStringLiteral("La commande %1 n'a pas été annulée"))
                                      .arg(c.noClient) +
                                  QStringLiteral(" : rien n'a été écrit dans la base de données.\n\n") + e.message());
        return;
    }
    switch (resultat) {
    case modBD::ResultatAnnulation::Fait:
        if (!retablir) txtMotif->clear();
        break;
    case modBD::ResultatAnnulation::CommandeIntrouvable:
        Toolkit::Erreur(this, QStringLiteral("La commande %1 n'existe plus : elle a été supprimée de la base de données "
                                             "(par l'outil de rapports?). Rien n'a été enregistré.")
                                  .arg(c.noClient));
        break;
    case modBD::ResultatAnnulation::DejaAnnulee:
        Toolkit::Erreur(this, QStringLiteral("La commande %1 est déjà annulée : rien n'a été changé.").arg(c.noClient));
        break;
    case modBD::ResultatAnnulation::PasAnnulee:
        Toolkit::Erreur(this, QStringLiteral("La commande %1 n'est pas annulée : rien n'a été changé.").arg(c.noClient));
        break;
    }
    // Done: the store says so and the list follows (below). Refused: the order may be gone.
    if (resultat != modBD::ResultatAnnulation::Fait) AfficherCommandes();
}

void frmCommandes::cmdFermer_Click() { close(); }
