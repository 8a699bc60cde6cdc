#include "frmComptes.h"

#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Comptes.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

frmComptes::frmComptes(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmComptes"));
    setWindowTitle(QStringLiteral("Comptes des employés"));
    ConstruireFenetre();
    AfficherListeComptes();
}

void frmComptes::ConstruireFenetre() {
    lstComptes = new QTreeWidget(this);
    lstComptes->setObjectName(QStringLiteral("lstComptes"));
    lstComptes->setHeaderLabels({QStringLiteral("Nom"), QStringLiteral("Rôle"), QStringLiteral("Actif")});
    lstComptes->setRootIsDecorated(false);
    lstComptes->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lstComptes->setMinimumSize(420, 180);
    txtNom = new QLineEdit(this);
    txtNom->setObjectName(QStringLiteral("txtNom"));
    cboRole = new QComboBox(this);
    cboRole->setObjectName(QStringLiteral("cboRole"));
    cboRole->addItems(modBD::NomsRoles());
    cboRole->setCurrentIndex(cboRole->count() - 1);
    txtMotDePasse = new QLineEdit(this);
    txtMotDePasse->setObjectName(QStringLiteral("txtMotDePasse"));
    txtMotDePasse->setEchoMode(QLineEdit::Password);
    txtMotDePasse->setPlaceholderText(QStringLiteral("au moins 8 caractères"));
    cmdCreer = Toolkit::CreerBouton(this, QStringLiteral("cmdCreer"), QStringLiteral("&Créer"));
    cmdRenommer = Toolkit::CreerBouton(this, QStringLiteral("cmdRenommer"), QStringLiteral("Re&nommer"));
    cmdChangerRole = Toolkit::CreerBouton(this, QStringLiteral("cmdChangerRole"), QStringLiteral("Changer le &rôle"));
    cmdActif = Toolkit::CreerBouton(this, QStringLiteral("cmdActif"), QStringLiteral("&Désactiver / réactiver"));
    cmdReinitialiserMotDePasse = Toolkit::CreerBouton(this, QStringLiteral("cmdReinitialiserMotDePasse"),
                                                      QStringLiteral("Nouveau &mot de passe"));
    cmdFermer = Toolkit::CreerBouton(this, QStringLiteral("cmdFermer"), QStringLiteral("&Fermer"));

    auto* champs = new QGridLayout;
    champs->addWidget(Toolkit::CreerEtiquette(this, QStringLiteral("Label1"), QStringLiteral("N&om :"), txtNom), 0, 0);
    champs->addWidget(txtNom, 0, 1);
    champs->addWidget(Toolkit::CreerEtiquette(this, QStringLiteral("Label2"), QStringLiteral("Rô&le :"), cboRole), 1, 0);
    champs->addWidget(cboRole, 1, 1);
    champs->addWidget(Toolkit::CreerEtiquette(this, QStringLiteral("Label3"), QStringLiteral("Mot de &passe :"), txtMotDePasse), 2, 0);
    champs->addWidget(txtMotDePasse, 2, 1);
    auto* boutons = new QHBoxLayout;
    for (QPushButton* b : {cmdCreer, cmdRenommer, cmdChangerRole, cmdActif, cmdReinitialiserMotDePasse}) boutons->addWidget(b);
    auto* bas = new QHBoxLayout;
    bas->addStretch();
    bas->addWidget(cmdFermer);
    auto* colonne = new QVBoxLayout(this);
    colonne->addWidget(lstComptes);
    colonne->addLayout(champs);
    colonne->addLayout(boutons);
    colonne->addLayout(bas);

    connect(cmdCreer, &QPushButton::clicked, this, &frmComptes::cmdCreer_Click);
    connect(cmdRenommer, &QPushButton::clicked, this, &frmComptes::cmdRenommer_Click);
    connect(cmdChangerRole, &QPushButton::clicked, this, &frmComptes::cmdChangerRole_Click);
    connect(cmdActif, &QPushButton::clicked, this, &frmComptes::cmdActif_Click);
    connect(cmdReinitialiserMotDePasse, &QPushButton::clicked, this, &frmComptes::cmdReinitialiserMotDePasse_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &QDialog::accept);
    connect(lstComptes, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QTreeWidgetItem* item = lstComptes->currentItem();
        if (!item) return;
        txtNom->setText(item->text(0));
        cboRole->setCurrentText(item->text(1));
    });
}

void frmComptes::AfficherListeComptes() {
    lstComptes->clear();
    try {
        for (const modBD::CompteEmploye& c : modBD::ListeComptes()) {
            auto* item = new QTreeWidgetItem(lstComptes, {c.nom, modBD::NomRole(c.role), c.actif ? QStringLiteral("Oui") : QStringLiteral("Non")});
            item->setData(0, Qt::UserRole, c.no);
        }
    } catch (const modBD::ErreurBD& e) {
        Toolkit::MsgBox(this, e.message(), Toolkit::Boutons::OK, Toolkit::Icone::Exclamation, QStringLiteral("Erreur"));
    }
}

qint64 frmComptes::CompteChoisi() const {
    const QTreeWidgetItem* item = lstComptes->currentItem();
    return item ? item->data(0, Qt::UserRole).toLongLong() : 0;
}

QByteArray frmComptes::PrendreMotDePasse() {
    QByteArray mdp = txtMotDePasse->text().toUtf8();
    txtMotDePasse->clear();
    return mdp;
}

namespace {
// On a server the clerks' role only reads the accounts: their writes go through the database
// administrator's own session, asked for each time and closed at once. False when cancelled.
bool DemanderAdministrateur(QWidget* parent, QString& nom, QByteArray& motDePasse) {
    QDialog dialogue(parent);
    dialogue.setObjectName(QStringLiteral("frmAdministrateurBase"));
    dialogue.setWindowTitle(QStringLiteral("Administrateur de la base"));
    auto* texte = new QLabel(QStringLiteral("Sur le serveur, les comptes s'écrivent avec le nom et le mot de passe de "
                                            "l'administrateur de la base de données :"), &dialogue);
    texte->setWordWrap(true);
    auto* txtAdmin = new QLineEdit(&dialogue);
    txtAdmin->setObjectName(QStringLiteral("txtAdministrateur"));
    auto* txtMdp = new QLineEdit(&dialogue);
    txtMdp->setObjectName(QStringLiteral("txtMotDePasseAdministrateur"));
    txtMdp->setEchoMode(QLineEdit::Password);
    auto* grille = new QGridLayout;
    grille->addWidget(Toolkit::CreerEtiquette(&dialogue, QStringLiteral("lblAdministrateur"), QStringLiteral("&Nom :"), txtAdmin), 0, 0);
    grille->addWidget(txtAdmin, 0, 1);
    grille->addWidget(Toolkit::CreerEtiquette(&dialogue, QStringLiteral("lblMotDePasseAdministrateur"), QStringLiteral("&Mot de passe :"),
                                              txtMdp), 1, 0);
    grille->addWidget(txtMdp, 1, 1);
    auto* boutons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialogue);
    boutons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    QObject::connect(boutons, &QDialogButtonBox::accepted, &dialogue, &QDialog::accept);
    QObject::connect(boutons, &QDialogButtonBox::rejected, &dialogue, &QDialog::reject);
    auto* colonne = new QVBoxLayout(&dialogue);
    colonne->addWidget(texte);
    colonne->addLayout(grille);
    colonne->addWidget(boutons);
    const bool accepte = dialogue.exec() == QDialog::Accepted;
    nom = txtAdmin->text().trimmed();
    motDePasse = txtMdp->text().toUtf8();
    txtMdp->clear();
    return accepte;
}
}  // namespace

bool frmComptes::Ecrire(const std::function<void()>& ecriture) {
    try {
        if (modBD::BaseSurServeur()) {
            QString nom;
            QByteArray motDePasse;
            if (!DemanderAdministrateur(this, nom, motDePasse)) {
                motDePasse.fill('\0');
                return false;
            }
            const modBD::ConnexionAdministrateur administrateur(nom, motDePasse);
            ecriture();
        } else {
            ecriture();
        }
    } catch (const modBD::ErreurBD& e) {
        Toolkit::MsgBox(this, e.message(), Toolkit::Boutons::OK, Toolkit::Icone::Exclamation, QStringLiteral("Erreur"));
        return false;
    }
    AfficherListeComptes();
    return true;
}

void frmComptes::cmdCreer_Click() {
    QByteArray mdp = PrendreMotDePasse();
    const modBD::Role role = modBD::RoleDeNom(cboRole->currentText());
    if (Ecrire([&] { modBD::CreerCompte(txtNom->text(), role, mdp); })) txtNom->clear();
    mdp.fill('\0');  // not yet wiped when the administrator's session was cancelled or refused
}

namespace {
void SansCompteChoisi(QWidget* parent) {
    Toolkit::MsgBox(parent, QStringLiteral("Choisissez d'abord un compte dans la liste."), Toolkit::Boutons::OK,
                    Toolkit::Icone::Exclamation, QStringLiteral("Erreur"));
}
}  // namespace

void frmComptes::cmdRenommer_Click() {
    const qint64 no = CompteChoisi();
    if (no == 0) return SansCompteChoisi(this);
    Ecrire([&] { modBD::RenommerCompte(no, txtNom->text()); });
}

void frmComptes::cmdChangerRole_Click() {
    const qint64 no = CompteChoisi();
    if (no == 0) return SansCompteChoisi(this);
    Ecrire([&] { modBD::ChangerRoleCompte(no, modBD::RoleDeNom(cboRole->currentText())); });
}

void frmComptes::cmdActif_Click() {
    const qint64 no = CompteChoisi();
    if (no == 0) return SansCompteChoisi(this);
    const bool actif = lstComptes->currentItem()->text(2) == QLatin1String("Oui");
    Ecrire([&] { modBD::DefinirCompteActif(no, !actif); });
}

void frmComptes::cmdReinitialiserMotDePasse_Click() {
    const qint64 no = CompteChoisi();
    if (no == 0) return SansCompteChoisi(this);
    QByteArray mdp = PrendreMotDePasse();
    Ecrire([&] { modBD::ReinitialiserMotDePasse(no, mdp); });
    mdp.fill('\0');
}
