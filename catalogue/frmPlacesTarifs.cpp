#include "frmPlacesTarifs.h"

#include "FctVar.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Soiree.h"
#include "modBD_Compagnie.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTreeWidget>

namespace {
const QString kTitre = QStringLiteral("Places et tarifs");

QString TextePrix(double v) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(v, 'f', 2);
}
}  // namespace

frmPlacesTarifs::frmPlacesTarifs(QWidget* principal)
    : QWidget(principal, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmPlacesTarifs"));
    setWindowTitle(kTitre);
    setAccessibleName(kTitre);
    ConstruireFenetre();
    // Alt+letter and Escape as in the other windows; the list is read under its caption.
    lblRepresentations->setText(QStringLiteral("&Représentations :"));
    chkToutes->setText(QStringLiteral("Appli&quer à toutes les représentations de la pièce"));
    cmdFermer->setText(QStringLiteral("&Fermer"));
    Toolkit::PreparerFenetre(this, cboPieces, cmdFermer);
    Form_Load();
}

namespace {
QLineEdit* CreerTexte(QWidget* parent, const QString& nom, int longueur) {
    auto* t = new QLineEdit(parent);
    t->setObjectName(nom);
    t->setMaxLength(longueur);
    Toolkit::SurFocus(t, [t] { Toolkit::SelectionnerTout(t); });
    return t;
}
}  // namespace

QWidget* frmPlacesTarifs::ConstruireTarifs() {
    auto* tarifs = new QGroupBox(QStringLiteral("Tarifs de la pièce"), this);
    auto* grilleTarifs = new QHBoxLayout(tarifs);
    txtPrixEnfant = CreerTexte(this, QStringLiteral("txtPrixEnfant"), 9);
    txtPrixAdulte = CreerTexte(this, QStringLiteral("txtPrixAdulte"), 9);
    txtPrixEnfant->setToolTip(QStringLiteral("Vide : pas de tarif (le coût se tape à la main)"));
    txtPrixAdulte->setToolTip(txtPrixEnfant->toolTip());
    lblPrixEnfant = Toolkit::CreerEtiquette(tarifs, QStringLiteral("lblPrixEnfant"), QStringLiteral("Prix &enfant ($) :"), txtPrixEnfant);
    lblPrixAdulte = Toolkit::CreerEtiquette(tarifs, QStringLiteral("lblPrixAdulte"), QStringLiteral("Prix &adulte ($) :"), txtPrixAdulte);
    cmdEnregistrerTarifs = Toolkit::CreerBouton(tarifs, QStringLiteral("cmdEnregistrerTarifs"), QStringLiteral("Enregistrer les &tarifs"));
    for (QWidget* w : std::initializer_list<QWidget*>{lblPrixEnfant, txtPrixEnfant, lblPrixAdulte, txtPrixAdulte}) grilleTarifs->addWidget(w);
    grilleTarifs->addStretch(1);
    lblTarifsEnregistres = new QLabel(tarifs);
    lblTarifsEnregistres->setObjectName(QStringLiteral("lblTarifsEnregistres"));
    grilleTarifs->addWidget(lblTarifsEnregistres);
    grilleTarifs->addWidget(cmdEnregistrerTarifs);
    return tarifs;
}

void frmPlacesTarifs::ConstruireFenetre() {
    auto* racine = new QVBoxLayout(this);
    const auto texte = [this](const QString& nom, int longueur) { return CreerTexte(this, nom, longueur); };

    cboPieces = new QComboBox(this);
    cboPieces->setObjectName(QStringLiteral("cboPieces"));
    cboPieces->setMinimumContentsLength(25);
    lblPieces = Toolkit::CreerEtiquette(this, QStringLiteral("lblPieces"), QStringLiteral("&Pièce :"), cboPieces);
    auto* haut = new QHBoxLayout;
    haut->addWidget(lblPieces);
    haut->addWidget(cboPieces, 1);
    racine->addLayout(haut);

    racine->addWidget(ConstruireTarifs());

    auto* places = new QGroupBox(QStringLiteral("Places par représentation"), this);
    auto* colonnePlaces = new QVBoxLayout(places);
    lstRepresentations = new QTreeWidget(places);
    lstRepresentations->setObjectName(QStringLiteral("lstRepresentations"));
    lstRepresentations->setHeaderLabels({QStringLiteral("Représentation"), QStringLiteral("Places")});
    lstRepresentations->setRootIsDecorated(false);
    lstRepresentations->setColumnWidth(ColDate, 200);
    lblRepresentations = Toolkit::CreerEtiquette(places, QStringLiteral("lblRepresentations"), QStringLiteral("Représentations :"),
                                                 lstRepresentations);
    colonnePlaces->addWidget(lblRepresentations);
    colonnePlaces->addWidget(lstRepresentations, 1);
    txtPlaces = texte(QStringLiteral("txtPlaces"), 5);
    txtPlaces->setToolTip(QStringLiteral("Vide : pas de limite de places"));
    lblPlaces = Toolkit::CreerEtiquette(places, QStringLiteral("lblPlaces"), QStringLiteral("&Nombre de places :"), txtPlaces);
    chkToutes = new QCheckBox(QStringLiteral("Appliquer à toutes les représentations de la pièce"), places);
    chkToutes->setObjectName(QStringLiteral("chkToutes"));
    cmdEnregistrerPlaces = Toolkit::CreerBouton(places, QStringLiteral("cmdEnregistrerPlaces"), QStringLiteral("Enregistrer les p&laces"));
    auto* lignePlaces = new QHBoxLayout;
    lignePlaces->addWidget(lblPlaces);
    lignePlaces->addWidget(txtPlaces);
    lignePlaces->addWidget(chkToutes);
    lignePlaces->addStretch(1);
    lignePlaces->addWidget(cmdEnregistrerPlaces);
    colonnePlaces->addLayout(lignePlaces);
    racine->addWidget(places, 1);

    txtCompagnie = texte(QStringLiteral("txtCompagnie"), 100);
    lblCompagnie = Toolkit::CreerEtiquette(this, QStringLiteral("lblCompagnie"), QStringLiteral("Nom de la &compagnie (reçus) :"), txtCompagnie);
    cmdEnregistrerCompagnie = Toolkit::CreerBouton(this, QStringLiteral("cmdEnregistrerCompagnie"), QStringLiteral("Enregistrer le n&om"));
    auto* compagnie = new QHBoxLayout;
    compagnie->addWidget(lblCompagnie);
    compagnie->addWidget(txtCompagnie, 1);
    compagnie->addWidget(cmdEnregistrerCompagnie);
    racine->addLayout(compagnie);

    cmdFermer = Toolkit::CreerBouton(this, QStringLiteral("cmdFermer"), QStringLiteral("Fermer"));
    auto* bas = new QHBoxLayout;
    bas->addStretch(1);
    bas->addWidget(cmdFermer);
    racine->addLayout(bas);
    resize(640, 480);
    RelierFenetre();
}

// The tab order and what each control does.
void frmPlacesTarifs::RelierFenetre() {
    const QList<QWidget*> ordre{cboPieces, txtPrixEnfant, txtPrixAdulte, cmdEnregistrerTarifs, lstRepresentations, txtPlaces,
                                chkToutes, cmdEnregistrerPlaces, txtCompagnie, cmdEnregistrerCompagnie, cmdFermer};
    for (qsizetype i = 1; i < ordre.size(); ++i) QWidget::setTabOrder(ordre[i - 1], ordre[i]);
    Relier();
}

void frmPlacesTarifs::Relier() {
    connect(cboPieces, &QComboBox::currentIndexChanged, this, [this] { cboPieces_Click(); });
    connect(lstRepresentations, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) txtPlaces->setText(item->text(ColPlaces));
    });
    for (QLineEdit* prix : {txtPrixEnfant, txtPrixAdulte})
        connect(prix, &QLineEdit::textEdited, this, [this] { DefinirConfirmation(QString()); });
    connect(cmdEnregistrerTarifs, &QPushButton::clicked, this, &frmPlacesTarifs::cmdEnregistrerTarifs_Click);
    connect(cmdEnregistrerPlaces, &QPushButton::clicked, this, &frmPlacesTarifs::cmdEnregistrerPlaces_Click);
    connect(cmdEnregistrerCompagnie, &QPushButton::clicked, this, &frmPlacesTarifs::cmdEnregistrerCompagnie_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &QWidget::close);
}

void frmPlacesTarifs::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    Toolkit::CentrerPremiereFois(this, m_centree);
}

void frmPlacesTarifs::Form_Load() {
    AfficherListePieces();
    try {
        txtCompagnie->setText(modBD::LireNomCompagnie());
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("Le nom de la compagnie n'a pas pu être lu."), e);
    }
}

void frmPlacesTarifs::AfficherListePieces() {
    const std::optional<QStringList> pieces = FctVar::LirePieces(this);
    if (!pieces) return;
    Toolkit::RemplirCombo(cboPieces, *pieces);
    if (cboPieces->count() > 0) cboPieces->setCurrentIndex(0);
}

std::optional<qint64> frmPlacesTarifs::NoPieceChoisie() const {
    const QString no = modBD::ObtenirNoPiece(cboPieces->currentText());
    if (no.isEmpty()) return std::nullopt;
    return no.toLongLong();
}

void frmPlacesTarifs::closeEvent(QCloseEvent* e) {
    if (!AccepterDepartPiece()) {
        e->ignore();
        return;
    }
    QWidget::closeEvent(e);
}

void frmPlacesTarifs::DefinirConfirmation(const QString& texte) {
    lblTarifsEnregistres->setText(texte);
    lblTarifsEnregistres->setAccessibleName(texte);
}

bool frmPlacesTarifs::TarifsModifies() const {
    return m_noPieceAffichee >= 0 &&
           (txtPrixEnfant->text().trimmed() != m_prixEnfantLu || txtPrixAdulte->text().trimmed() != m_prixAdulteLu);
}

bool frmPlacesTarifs::AccepterDepartPiece() {
    if (!TarifsModifies()) return true;
    const Toolkit::Reponse r =
        Toolkit::MsgBox(this, QStringLiteral("Enregistrer les tarifs de %1 ?").arg(m_pieceAffichee),
                        Toolkit::Boutons::OuiNonAnnuler, Toolkit::Icone::Question, QStringLiteral("Tarifs"), Toolkit::Reponse::Oui);
    if (r == Toolkit::Reponse::Non) return true;
    if (r == Toolkit::Reponse::Annuler) return false;
    return EnregistrerTarifs(m_noPieceAffichee);
}

void frmPlacesTarifs::cboPieces_Click() {
    DefinirConfirmation(QString());
    if (!AccepterDepartPiece()) {
        // Stay on the play whose prices are being typed, with what was typed.
        const QSignalBlocker bloqueur(cboPieces);
        cboPieces->setCurrentIndex(cboPieces->findText(m_pieceAffichee));
        return;
    }
    chkToutes->setChecked(false);  // a tick meant for the previous play must not reach this one
    AfficherPiece();
}

void frmPlacesTarifs::AfficherPiece() {
    lstRepresentations->clear();
    txtPrixEnfant->clear();
    txtPrixAdulte->clear();
    txtPlaces->clear();
    m_noPieceAffichee = -1;
    m_pieceAffichee.clear();
    m_prixEnfantLu.clear();
    m_prixAdulteLu.clear();
    try {
        const std::optional<qint64> noPiece = NoPieceChoisie();
        if (!noPiece) return;
        if (const std::optional<modBD::Tarif> t = modBD::LireTarif(*noPiece)) {
            m_prixEnfantLu = TextePrix(t->enfant);
            m_prixAdulteLu = TextePrix(t->adulte);
            txtPrixEnfant->setText(m_prixEnfantLu);
            txtPrixAdulte->setText(m_prixAdulteLu);
        }
        m_noPieceAffichee = *noPiece;
        m_pieceAffichee = cboPieces->currentText();
        const QString piece = QString::number(*noPiece);
        for (const QString& date : modBD::ListeDatesRepresentations(piece)) {
            const QString no = modBD::ObtenirNoRepresentation(piece, date);
            const std::optional<int> capacite = no.isEmpty() ? std::nullopt : modBD::LireCapacite(no.toLongLong());
            auto* item = new QTreeWidgetItem(QStringList{date, capacite ? QString::number(*capacite) : QString()});
            item->setData(ColDate, Qt::UserRole, no.toLongLong());
            lstRepresentations->addTopLevelItem(item);
        }
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("Les tarifs et les places n'ont pas pu être lus."), e);
        return;
    }
    if (lstRepresentations->topLevelItemCount() > 0) lstRepresentations->setCurrentItem(lstRepresentations->topLevelItem(0));
}

std::optional<double> frmPlacesTarifs::LirePrix(const QString& texte) {
    const QLocale locale;
    const QRegularExpression forme(QStringLiteral("^\\s*\\d+(%1\\d{1,2})?\\s*$").arg(QRegularExpression::escape(locale.decimalPoint())));
    if (!forme.match(texte).hasMatch()) return std::nullopt;
    return FctVar::LireNombre(texte);
}

std::optional<int> frmPlacesTarifs::LireCapacite(const QString& texte) {
    static const QRegularExpression forme(QStringLiteral("^\\s*\\d{1,5}\\s*$"));
    if (!forme.match(texte).hasMatch()) return std::nullopt;
    const int n = texte.trimmed().toInt();
    if (n < 1 || n > modBD::kCapaciteMax) return std::nullopt;
    return n;
}

void frmPlacesTarifs::cmdEnregistrerTarifs_Click() {
    const std::optional<qint64> noPiece = NoPieceChoisie();
    if (!noPiece) {
        Toolkit::Erreur(this, QStringLiteral("Choisissez d'abord une pièce."));
        return;
    }
    if (EnregistrerTarifs(*noPiece)) AfficherPiece();
}

bool frmPlacesTarifs::EnregistrerTarifs(qint64 noPiece) {
    std::optional<modBD::Tarif> tarif;
    const bool videE = txtPrixEnfant->text().trimmed().isEmpty(), videA = txtPrixAdulte->text().trimmed().isEmpty();
    if (!(videE && videA)) {
        const std::optional<double> e = LirePrix(txtPrixEnfant->text()), a = LirePrix(txtPrixAdulte->text());
        const QString exemple = QStringLiteral("entrez un montant positif, avec deux décimales au plus (ex. : %1).").arg(TextePrix(12.5));
        if (!e) {
            Toolkit::Erreur(this, QStringLiteral("Le prix enfant n'est pas valide : ") + exemple);
            txtPrixEnfant->setFocus();
            return false;
        }
        if (!a) {
            Toolkit::Erreur(this, QStringLiteral("Le prix adulte n'est pas valide : ") + exemple);
            txtPrixAdulte->setFocus();
            return false;
        }
        tarif = modBD::Tarif{*e, *a};
    }
    try {
        modBD::EnregistrerTarif(noPiece, tarif);
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("Les tarifs n'ont pas été enregistrés."), e);
        return false;
    }
    // What is stored is now what was typed: leaving asks nothing more.
    m_prixEnfantLu = txtPrixEnfant->text().trimmed();
    m_prixAdulteLu = txtPrixAdulte->text().trimmed();
    DefinirConfirmation(QStringLiteral("Tarifs enregistrés."));
    return true;
}

void frmPlacesTarifs::cmdEnregistrerPlaces_Click() {
    const std::optional<qint64> noPiece = NoPieceChoisie();
    const QTreeWidgetItem* item = lstRepresentations->currentItem();
    if (!noPiece || (!item && !chkToutes->isChecked())) {
        Toolkit::Erreur(this, QStringLiteral("Choisissez d'abord une représentation."));
        return;
    }
    std::optional<int> capacite;
    if (!txtPlaces->text().trimmed().isEmpty()) {
        capacite = LireCapacite(txtPlaces->text());
        if (!capacite) {
            Toolkit::Erreur(this, QStringLiteral("Le nombre de places n'est pas valide : entrez un nombre entier entre 1 et %1.")
                                      .arg(modBD::kCapaciteMax));
            txtPlaces->setFocus();
            return;
        }
    }
    const qint64 noRepresentation = item ? item->data(ColDate, Qt::UserRole).toLongLong() : -1;
    try {
        if (chkToutes->isChecked()) modBD::EnregistrerCapacitePiece(*noPiece, capacite);
        else modBD::EnregistrerCapacite(noRepresentation, capacite);
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("Le nombre de places n'a pas été enregistré."), e);
        return;
    }
    const QString garde = txtPlaces->text();
    AfficherPiece();
    for (int i = 0; i < lstRepresentations->topLevelItemCount(); ++i)
        if (lstRepresentations->topLevelItem(i)->data(ColDate, Qt::UserRole).toLongLong() == noRepresentation)
            lstRepresentations->setCurrentItem(lstRepresentations->topLevelItem(i));
    if (noRepresentation < 0) txtPlaces->setText(garde);
}

void frmPlacesTarifs::cmdEnregistrerCompagnie_Click() {
    try {
        modBD::EnregistrerNomCompagnie(txtCompagnie->text());
    } catch (const modBD::ErreurBD& e) {
        Toolkit::EchecBase(this, QStringLiteral("Le nom de la compagnie n'a pas été enregistré."), e);
    }
}
