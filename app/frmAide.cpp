#include "frmAide.h"

#include "Toolkit.h"

#include <QBoxLayout>
#include <QDir>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>

namespace {
const QString kTitre = QStringLiteral("Guide de la billetterie");
}

frmAide::frmAide(const QString& page, QWidget* principal)
    : QWidget(principal, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                             Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_page(page) {
    setObjectName(QStringLiteral("frmAide"));
    setWindowTitle(kTitre);
    setAccessibleName(kTitre);
    auto* racine = new QVBoxLayout(this);
    txtGuide = new QTextBrowser(this);
    txtGuide->setObjectName(QStringLiteral("txtGuide"));
    txtGuide->setAccessibleName(kTitre);
    // Links to other sites go to the system's browser; the guide's own pages stay here.
    txtGuide->setOpenExternalLinks(true);
    racine->addWidget(txtGuide, 1);

    cmdPrecedent = Toolkit::CreerBouton(this, QStringLiteral("cmdPrecedent"), QStringLiteral("&Précédent"));
    cmdAccueil = Toolkit::CreerBouton(this, QStringLiteral("cmdAccueil"), QStringLiteral("&Début du guide"));
    cmdNavigateur = Toolkit::CreerBouton(this, QStringLiteral("cmdNavigateur"), QStringLiteral("Ouvrir dans le &navigateur"),
                                         QStringLiteral("Le même guide dans le navigateur web du système"));
    cmdFermer = Toolkit::CreerBouton(this, QStringLiteral("cmdFermer"), QStringLiteral("Fermer"));
    auto* boutons = new QHBoxLayout;
    boutons->addWidget(cmdPrecedent);
    boutons->addWidget(cmdAccueil);
    boutons->addStretch(1);
    boutons->addWidget(cmdNavigateur);
    boutons->addWidget(cmdFermer);
    racine->addLayout(boutons);
    resize(900, 700);

    cmdPrecedent->setEnabled(false);
    connect(txtGuide, &QTextBrowser::backwardAvailable, cmdPrecedent, &QPushButton::setEnabled);
    connect(cmdPrecedent, &QPushButton::clicked, txtGuide, &QTextBrowser::backward);
    connect(cmdAccueil, &QPushButton::clicked, this, &frmAide::cmdAccueil_Click);
    connect(cmdNavigateur, &QPushButton::clicked, this, &frmAide::cmdNavigateur_Click);
    connect(cmdFermer, &QPushButton::clicked, this, &QWidget::close);
    txtGuide->setSource(QUrl::fromLocalFile(m_page));
    txtGuide->setFocus();
}

void frmAide::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    Toolkit::CentrerPremiereFois(this, m_centree);
}

void frmAide::cmdAccueil_Click() { txtGuide->setSource(QUrl::fromLocalFile(m_page)); }

void frmAide::cmdNavigateur_Click() {
    // The page shown, without the part of it the reader scrolled to.
    QUrl adresse = txtGuide->source().isValid() ? txtGuide->source() : QUrl::fromLocalFile(m_page);
    adresse.setFragment(QString());
    if (!Toolkit::OuvrirAdresse(adresse))
        Toolkit::Erreur(this, QStringLiteral("Aucun navigateur web n'a accepté d'ouvrir le guide. Il reste lisible dans "
                                             "cette fenêtre; le fichier se trouve dans « %1 ».")
                                  .arg(QDir::toNativeSeparators(adresse.toLocalFile())));
}
