#include "frmConnexion.h"

#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Comptes.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmConnexion::frmConnexion(bool journaliserEchecs, QWidget* parent) : QDialog(parent), m_journaliser(journaliserEchecs) {
    setObjectName(QStringLiteral("frmConnexion"));
    setWindowTitle(QStringLiteral("Connexion"));
    cboEmploye = new QComboBox(this);
    cboEmploye->setObjectName(QStringLiteral("cboEmploye"));
    try {
        cboEmploye->addItems(modBD::NomsComptesActifs());
    } catch (const modBD::ErreurBD&) {
        // The list stays empty: signing in then says why.
    }
    txtMotDePasse = new QLineEdit(this);
    txtMotDePasse->setObjectName(QStringLiteral("txtMotDePasse"));
    txtMotDePasse->setEchoMode(QLineEdit::Password);
    lblMessage = new QLabel(this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    lblMessage->setStyleSheet(QStringLiteral("color: #b00000"));
    cmdConnexion = Toolkit::CreerBouton(this, QStringLiteral("cmdConnexion"), QStringLiteral("Se &connecter"));
    cmdConnexion->setDefault(true);
    cmdAnnuler = Toolkit::CreerBouton(this, QStringLiteral("cmdAnnuler"), QStringLiteral("Annuler"));

    auto* champs = new QFormLayout;
    champs->addRow(Toolkit::CreerEtiquette(this, QStringLiteral("Label1"), QStringLiteral("&Employé :"), cboEmploye), cboEmploye);
    champs->addRow(Toolkit::CreerEtiquette(this, QStringLiteral("Label2"), QStringLiteral("&Mot de passe :"), txtMotDePasse),
                   txtMotDePasse);
    auto* boutons = new QHBoxLayout;
    boutons->addStretch();
    boutons->addWidget(cmdConnexion);
    boutons->addWidget(cmdAnnuler);
    auto* colonne = new QVBoxLayout(this);
    colonne->addLayout(champs);
    colonne->addWidget(lblMessage);
    colonne->addLayout(boutons);
    connect(cmdConnexion, &QPushButton::clicked, this, [this] { cmdConnexion_Click(); });
    connect(cmdAnnuler, &QPushButton::clicked, this, &QDialog::reject);
    txtMotDePasse->setFocus();
}

bool frmConnexion::cmdConnexion_Click() {
    QByteArray motDePasse = txtMotDePasse->text().toUtf8();
    // The field is emptied at once: the typed text stays nowhere on screen.
    txtMotDePasse->clear();
    try {
        const modBD::ResultatConnexion r = modBD::Connecter(cboEmploye->currentText(), motDePasse, m_journaliser);
        if (r.issue == modBD::IssueConnexion::Reussie) {
            lblMessage->clear();
            accept();
            return true;
        }
        lblMessage->setText(r.message);
    } catch (const modBD::ErreurBD& e) {
        lblMessage->setText(e.message());
    }
    txtMotDePasse->setFocus();
    return false;
}

bool frmConnexion::Exiger(QWidget* parent, bool journaliserEchecs) {
    try {
        if (modBD::SessionOuverte() || !modBD::ComptesDefinis()) return true;
    } catch (const modBD::ErreurBD&) {
        return true;  // the base could not say: its own writes will
    }
    frmConnexion connexion(journaliserEchecs, parent);
    return connexion.exec() == QDialog::Accepted;
}
