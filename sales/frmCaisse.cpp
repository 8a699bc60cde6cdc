#include "frmCaisse.h"

#include "modBD_Journal.h"

#include "Exportation.h"
#include "FctVar.h"
#include "PageFermeture.h"
#include "ReglagesPoste.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Compagnie.h"
#include "modBD_LectureCourte.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <cmath>

using Rapports::TexteCentimes;

namespace {
QLabel* Valeur(QWidget* parent, const QString& nom) {
    auto* l = new QLabel(parent);
    l->setObjectName(nom);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

std::optional<qint64> Centimes(const QString& texte) {
    if (texte.trimmed().isEmpty()) return qint64{0};
    const std::optional<double> v = FctVar::LireNombre(texte);
    if (!v || *v < 0 || *v > 1e9) return std::nullopt;
    return std::llround(*v * 100.0);
}
}  // namespace

frmCaisse::frmCaisse(QWidget* parent, const modBD::RepresentationSoiree& representation)
    : QDialog(parent), m_representation(representation) {
    setObjectName(QStringLiteral("frmCaisse"));
    setWindowTitle(QStringLiteral("Caisse de la soirée"));
    setAccessibleName(windowTitle());
    ConstruireFenetre();
    resize(560, 600);
    if (const std::optional<qint64> fond = ReglagesPoste::FondCaisse(m_representation.noRepresentation, Poste())) {
        const QSignalBlocker bloqueur(txtFondCaisse);
        txtFondCaisse->setText(FctVar::FormaterNombre(static_cast<double>(*fond) / 100.0));
    }
    Recalculer();
    RemplirFermetures();
}

void frmCaisse::ConstruireFenetre() {
    auto* racine = new QVBoxLayout(this);
    auto* titre = new QLabel(QStringLiteral("%1 — %2").arg(m_representation.piece, m_representation.date), this);
    titre->setObjectName(QStringLiteral("lblRepresentation"));
    QFont gras = titre->font();
    gras.setBold(true);
    titre->setFont(gras);
    racine->addWidget(titre);
    auto* forme = new QFormLayout;
    txtPoste = new QLineEdit(ReglagesPoste::NomPoste(), this);
    txtPoste->setObjectName(QStringLiteral("txtPoste"));
    txtPoste->setMaxLength(40);
    txtPoste->setReadOnly(ReglagesPoste::NomDeLigneCommande());  // named by --poste
    txtFondCaisse = new QLineEdit(this);
    txtFondCaisse->setObjectName(QStringLiteral("txtFondCaisse"));
    forme->addRow(Toolkit::CreerEtiquette(this, QStringLiteral("lblPoste"), QStringLiteral("P&oste :"), txtPoste), txtPoste);
    forme->addRow(Toolkit::CreerEtiquette(this, QStringLiteral("lblFondCaisse"), QStringLiteral("Fonds de &caisse :"), txtFondCaisse),
                  txtFondCaisse);
    racine->addLayout(forme);
    auto* milieu = new QHBoxLayout;
    milieu->addLayout(ConstruireComptage());
    milieu->addSpacing(24);
    milieu->addLayout(ConstruireTotaux());
    racine->addLayout(milieu);
    txtCommentaire = new QLineEdit(this);
    txtCommentaire->setObjectName(QStringLiteral("txtCommentaire"));
    txtCommentaire->setMaxLength(250);
    auto* commentaire = new QFormLayout;
    commentaire->addRow(Toolkit::CreerEtiquette(this, QStringLiteral("lblCommentaire"), QStringLiteral("Co&mmentaire :"), txtCommentaire),
                        txtCommentaire);
    racine->addLayout(commentaire);
    lstFermetures = new QTreeWidget(this);
    lstFermetures->setObjectName(QStringLiteral("lstFermetures"));
    lstFermetures->setRootIsDecorated(false);
    lstFermetures->setHeaderLabels({QStringLiteral("N°"), QStringLiteral("Date"), QStringLiteral("Poste"),
                                    QStringLiteral("Espèces attendues"), QStringLiteral("Espèces comptées"), QStringLiteral("Écart")});
    lstFermetures->setMaximumHeight(130);
    racine->addWidget(Toolkit::CreerEtiquette(this, QStringLiteral("lblFermetures"), QStringLiteral("Fermetures de la représentation :"),
                                              lstFermetures));
    racine->addWidget(lstFermetures);
    cmdFermerCaisse = Toolkit::CreerBouton(this, QStringLiteral("cmdFermerCaisse"), QStringLiteral("F&ermer la caisse"));
    cmdFermer = Toolkit::CreerBouton(this, QStringLiteral("cmdFermer"), QStringLiteral("Fermer"));
    auto* boutons = new QHBoxLayout;
    boutons->addStretch(1);
    boutons->addWidget(cmdFermerCaisse);
    boutons->addWidget(cmdFermer);
    racine->addLayout(boutons);
    connect(txtPoste, &QLineEdit::editingFinished, this, &frmCaisse::txtPoste_Change);
    connect(txtFondCaisse, &QLineEdit::textChanged, this, &frmCaisse::txtFondCaisse_Change);
    connect(cmdFermerCaisse, &QPushButton::clicked, this, &frmCaisse::cmdFermerCaisse_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &QDialog::reject);
}

QGridLayout* frmCaisse::ConstruireComptage() {
    auto* grille = new QGridLayout;
    grille->addWidget(new QLabel(QStringLiteral("Comptage"), this), 0, 0, 1, 2);
    for (size_t i = 0; i < modBD::kCoupures.size(); ++i) {
        auto* t = new QLineEdit(this);
        t->setObjectName(QStringLiteral("txtCoupure%1").arg(i));
        t->setMaxLength(6);
        t->setAlignment(Qt::AlignRight);
        const QString nom = QStringLiteral("%1 $").arg(modBD::TexteCoupure(modBD::kCoupures.at(i)));
        t->setAccessibleName(nom);
        Toolkit::SurFocus(t, [t] { Toolkit::SelectionnerTout(t); });
        connect(t, &QLineEdit::textChanged, this, &frmCaisse::AfficherEcart);
        txtCoupures.at(i) = t;
        const int rangee = static_cast<int>(i) + 1;
        grille->addWidget(Toolkit::CreerEtiquette(this, QStringLiteral("lblCoupure%1").arg(i), nom, t), rangee, 0);
        grille->addWidget(t, rangee, 1);
    }
    lblTotalCompte = Valeur(this, QStringLiteral("lblTotalCompte"));
    grille->addWidget(Toolkit::CreerEtiquette(this, QStringLiteral("lblTitreTotalCompte"), QStringLiteral("Total compté"), lblTotalCompte),
                      11, 0);
    grille->addWidget(lblTotalCompte, 11, 1);
    return grille;
}

QGridLayout* frmCaisse::ConstruireTotaux() {
    auto* grille = new QGridLayout;
    const QList<std::tuple<QLabel**, QString, QString>> lignes = {
        {&lblVentesEspeces, QStringLiteral("lblVentesEspeces"), QStringLiteral("Ventes en espèces")},
        {&lblRemboursements, QStringLiteral("lblRemboursements"), QStringLiteral("Remboursements")},
        {&lblDejaFerme, QStringLiteral("lblDejaFerme"), QStringLiteral("Déjà fermé")},
        {&lblArrondi, QStringLiteral("lblArrondi"), QStringLiteral("Arrondi des espèces")},
        {&lblEspecesAttendues, QStringLiteral("lblEspecesAttendues"), QStringLiteral("Espèces attendues")},
        {&lblCarte, QStringLiteral("lblCarte"), QStringLiteral("Carte")},
        {&lblCheque, QStringLiteral("lblCheque"), QStringLiteral("Chèque")},
        {&lblAutre, QStringLiteral("lblAutre"), QStringLiteral("Autre")},
        {&lblEcart, QStringLiteral("lblEcart"), QStringLiteral("Écart")}};
    for (int i = 0; i < lignes.size(); ++i) {
        const auto& [champ, nomObjet, libelle] = lignes.at(i);
        *champ = Valeur(this, nomObjet);
        (*champ)->setAccessibleDescription(libelle);
        grille->addWidget(Toolkit::CreerEtiquette(this, nomObjet + QStringLiteral("Titre"), libelle, *champ), i, 0);
        grille->addWidget(*champ, i, 1);
    }
    QFont gras = lblEspecesAttendues->font();
    gras.setBold(true);
    lblEspecesAttendues->setFont(gras);
    lblEcart->setFont(gras);
    grille->setRowStretch(static_cast<int>(lignes.size()), 1);
    return grille;
}

QString frmCaisse::Poste() const { return txtPoste->text().trimmed(); }

std::optional<qint64> frmCaisse::FondSaisi() const { return Centimes(txtFondCaisse->text()); }

std::optional<modBD::Comptage> frmCaisse::ComptageSaisi() const {
    modBD::Comptage c;
    for (size_t i = 0; i < txtCoupures.size(); ++i) {
        const QString texte = txtCoupures.at(i)->text().trimmed();
        bool ok = true;
        const qint64 n = texte.isEmpty() ? 0 : texte.toLongLong(&ok);
        if (!ok || n < 0) return std::nullopt;
        c.nombres.at(i) = n;
    }
    return c;
}

void frmCaisse::txtPoste_Change() {
    if (!ReglagesPoste::NomDeLigneCommande() && !Poste().isEmpty()) ReglagesPoste::EnregistrerNomPoste(Poste());
    const QSignalBlocker bloqueur(txtFondCaisse);
    const std::optional<qint64> fond = ReglagesPoste::FondCaisse(m_representation.noRepresentation, Poste());
    txtFondCaisse->setText(fond ? FctVar::FormaterNombre(static_cast<double>(*fond) / 100.0) : QString());
    Recalculer();
}

void frmCaisse::txtFondCaisse_Change() {
    // Kept in the station's settings at once: a restart before the closing keeps it.
    if (const std::optional<qint64> fond = FondSaisi(); fond && !Poste().isEmpty())
        ReglagesPoste::EnregistrerFondCaisse(m_representation.noRepresentation, Poste(), *fond);
    Recalculer();
}

void frmCaisse::Recalculer() {
    try {
        const modBD::LectureCourte courte;
        m_etat = modBD::CalculerCaisse(m_representation.noRepresentation, Poste(), FondSaisi().value_or(0));
    } catch (const modBD::ErreurBD& e) {
        lblEspecesAttendues->setText(QStringLiteral("?"));
        lblEspecesAttendues->setToolTip(e.message());
        return;
    }
    lblVentesEspeces->setText(TexteCentimes(m_etat.ventesEspeces));
    lblRemboursements->setText(TexteCentimes(-m_etat.remboursements));
    lblDejaFerme->setText(TexteCentimes(-m_etat.dejaFerme));
    lblArrondi->setText(TexteCentimes(m_etat.arrondi));
    lblEspecesAttendues->setText(TexteCentimes(m_etat.attendues()));
    lblEspecesAttendues->setToolTip(QString());
    lblCarte->setText(TexteCentimes(m_etat.carte));
    lblCheque->setText(TexteCentimes(m_etat.cheque));
    lblAutre->setText(TexteCentimes(m_etat.autre));
    AfficherEcart();
}

void frmCaisse::AfficherEcart() {
    const std::optional<modBD::Comptage> c = ComptageSaisi();
    lblTotalCompte->setText(c ? TexteCentimes(c->Total()) : QStringLiteral("?"));
    const qint64 ecart = c ? c->Total() - m_etat.attendues() : 0;
    lblEcart->setText(c ? TexteCentimes(ecart) : QStringLiteral("?"));
    for (QLabel* l : {lblEcart, lblTotalCompte}) l->setAccessibleName(l->text());
    QPalette palette = lblEcart->palette();
    palette.setColor(QPalette::WindowText, ecart != 0 ? QColor(200, 0, 0) : this->palette().color(QPalette::WindowText));
    lblEcart->setPalette(palette);
}

void frmCaisse::RemplirFermetures() {
    lstFermetures->clear();
    try {
        const modBD::LectureCourte courte;
        for (const modBD::FermetureCaisse& f : modBD::ListeFermetures(m_representation.noRepresentation))
            lstFermetures->addTopLevelItem(new QTreeWidgetItem(
                QStringList{QString::number(f.noFermeture), f.dateFermeture, f.poste, TexteCentimes(f.especesAttendues),
                            TexteCentimes(f.especesComptees), TexteCentimes(f.ecart)}));
    } catch (const modBD::ErreurBD&) {
        // A busy base: the list stays empty until the window is opened again.
    }
}

bool frmCaisse::cmdFermerCaisse_Click() {
    const std::optional<qint64> fond = FondSaisi();
    const std::optional<modBD::Comptage> comptage = ComptageSaisi();
    QString message;
    if (Poste().isEmpty()) message = QStringLiteral("Donnez un nom à ce poste.");
    else if (!fond) message = QStringLiteral("Le fonds de caisse n'est pas un montant valide.");
    else if (!comptage) message = QStringLiteral("Le comptage doit être fait de nombres entiers positifs ou nuls.");
    if (!message.isEmpty()) {
        Toolkit::Erreur(this, message);
        return false;
    }
    if (!Toolkit::Question(this,
                           QStringLiteral("Fermer la caisse du poste %1 pour %2 le %3 ? Elle ne pourra plus être modifiée.")
                               .arg(Poste(), m_representation.piece, m_representation.date),
                           QStringLiteral("Fermeture de caisse")))
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        m_derniere = modBD::FermerCaisse(m_representation.noRepresentation, Poste(), *fond, *comptage, txtCommentaire->text());
        QApplication::restoreOverrideCursor();
    } catch (const modBD::ErreurBD& e) {
        QApplication::restoreOverrideCursor();
        Toolkit::EchecBase(this, QStringLiteral("La caisse n'a pas été fermée."), e);
        return false;
    }
    m_derniere->piece = m_representation.piece;
    m_derniere->dateRepresentation = m_representation.date;
    const qint64 arrondi = m_etat.arrondi;
    // The drawer starts again from nothing: the next closing takes a new float.
    ReglagesPoste::OublierFondCaisse(m_representation.noRepresentation, Poste());
    {
        const QSignalBlocker bloqueur(txtFondCaisse);
        txtFondCaisse->clear();
    }
    for (QLineEdit* t : txtCoupures) t->clear();
    txtCommentaire->clear();
    Recalculer();
    RemplirFermetures();
    m_etat.arrondi = arrondi;
    ProposerPage(*m_derniere);
    return true;
}

void frmCaisse::ProposerPage(const modBD::FermetureCaisse& f) {
    Rapports::PageFermeture page{QString(), f, m_etat.arrondi};
    try {
        page.compagnie = modBD::LireNomCompagnie();
        page.journal = modBD::LigneAncreJournal();
    } catch (const modBD::ErreurBD&) {
        // The page without the company's name rather than no page.
    }
    const QString chemin = Toolkit::ChoisirFichierEnregistrement(
        this, QStringLiteral("Fermeture de caisse n° %1").arg(f.noFermeture), QDir::homePath(),
        QStringLiteral("fermeture-caisse-%1.pdf").arg(f.noFermeture), QStringLiteral("Document PDF (*.pdf)"),
        QStringLiteral("pdf"));
    if (chemin.isEmpty()) return;
    try {
        Rapports::ExporterFermeturePdf(page, chemin);
    } catch (const Rapports::ErreurSortie& e) {
        Toolkit::Erreur(this, e.message());
    }
}
