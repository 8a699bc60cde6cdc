// Alt+letter reaches one control only: within each window of both programs no two widgets or
// menu-bar titles share a mnemonic, and within each menu no two items do.
#include "TestSupport.h"
#include "frmCommandes.h"
#include "frmEchangesBillets.h"
#include "frmGestionPieces.h"
#include "frmGestionVendeurs.h"
#include "frmInventaireBillets.h"
#include "frmMain.h"
#include "frmPlacesTarifs.h"
#include "frmSoiree.h"
#include "frmRapports.h"
#include "frmTransaction.h"
#include "modBD.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTest>

#include <memory>

namespace {

// The mnemonic letter of a caption ("P&ièce" gives "i"), empty when it has none.
QString Mnemonique(const QString& texte) {
    for (qsizetype i = 0; i + 1 < texte.size(); ++i) {
        if (texte.at(i) != QLatin1Char('&')) continue;
        if (texte.at(i + 1) == QLatin1Char('&')) {
            ++i;  // "&&" is a plain "&"
            continue;
        }
        return texte.at(i + 1).toLower();
    }
    return {};
}

// "letter: caption, caption" for every letter given more than once.
QStringList Doublons(const QList<QPair<QString, QString>>& legendes) {
    QHash<QString, QStringList> parLettre;
    for (const auto& [lettre, texte] : legendes)
        if (!lettre.isEmpty()) parLettre[lettre] << texte;
    QStringList doublons;
    for (auto it = parLettre.cbegin(); it != parLettre.cend(); ++it)
        if (it->size() > 1) doublons << QStringLiteral("%1 : %2").arg(it.key(), it->join(QStringLiteral(" / ")));
    doublons.sort();
    return doublons;
}

// The window's controls and menu-bar titles, then each menu on its own. Windows opened from it
// are its children too, but Alt+letter acts within one window only.
QStringList Verifier(QWidget* fenetre) {
    QList<QPair<QString, QString>> legendes;
    for (QAbstractButton* b : fenetre->findChildren<QAbstractButton*>())
        if (b->window() == fenetre) legendes.append({Mnemonique(b->text()), b->text()});
    for (QLabel* l : fenetre->findChildren<QLabel*>())
        if (l->buddy() && l->window() == fenetre) legendes.append({Mnemonique(l->text()), l->text()});
    for (QGroupBox* g : fenetre->findChildren<QGroupBox*>())
        if (g->window() == fenetre && (g->isCheckable() || g->focusProxy())) legendes.append({Mnemonique(g->title()), g->title()});
    for (QTabWidget* t : fenetre->findChildren<QTabWidget*>())
        for (int i = 0; i < t->count(); ++i) legendes.append({Mnemonique(t->tabText(i)), t->tabText(i)});
    for (QMenuBar* barre : fenetre->findChildren<QMenuBar*>())
        for (QAction* a : barre->actions()) legendes.append({Mnemonique(a->text()), a->text()});
    QStringList doublons = Doublons(legendes);
    for (QMenu* menu : fenetre->findChildren<QMenu*>()) {
        QList<QPair<QString, QString>> items;
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) items.append({Mnemonique(a->text()), a->text()});
        for (const QString& d : Doublons(items)) doublons << menu->title() + QStringLiteral(" › ") + d;
    }
    return doublons;
}

}  // namespace

class tst_Mnemoniques : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }

    void lecteurDeMnemoniques() {
        QCOMPARE(Mnemonique("P&ièce"), QStringLiteral("i"));
        QCOMPARE(Mnemonique("Tom && Jerry &Suite"), QStringLiteral("s"));
        QCOMPARE(Mnemonique("Aucune"), QString());
        QCOMPARE(Doublons({{"i", "P&ièce"}, {"i", "&Imprimer"}, {"r", "&Rapport"}}), QStringList{"i : P&ièce / &Imprimer"});
    }

    void chaqueFenetre() {
        TestSupport::BaseTest base;
        auto principal = std::make_unique<frmMain>();
        QVERIFY(principal->Form_Load());
        QList<std::pair<QString, QWidget*>> fenetres{{"frmMain", principal.get()}};
        auto* commandes = new frmCommandes(principal.get());
        auto* transaction = new frmTransaction(principal.get(), *principal->lstTransactions, *principal->lblMontantTotal);
        auto* pieces = new frmGestionPieces(principal.get());
        auto* vendeurs = new frmGestionVendeurs(principal.get());
        auto* echanges = new frmEchangesBillets(principal.get());
        auto* inventaire = new frmInventaireBillets(principal.get());
        auto* placesTarifs = new frmPlacesTarifs(principal.get());
        auto* soiree = new frmSoiree(principal.get());
        fenetres.append({{"frmCommandes", commandes}, {"frmTransaction", transaction}, {"frmGestionPieces", pieces},
                         {"frmGestionVendeurs", vendeurs}, {"frmEchangesBillets", echanges},
                         {"frmInventaireBillets", inventaire}, {"frmPlacesTarifs", placesTarifs}, {"frmSoiree", soiree}});
        QStringList fautes;
        for (const auto& [nom, fenetre] : fenetres)
            for (const QString& d : Verifier(fenetre)) fautes << nom + QStringLiteral(" — ") + d;
        principal.reset();
        modBD::FermerConnexion();
        frmRapports rapports(base.cheminBase());
        QVERIFY(rapports.Form_Load());
        for (const QString& d : Verifier(&rapports)) fautes << QStringLiteral("frmRapports — ") + d;
        QVERIFY2(fautes.isEmpty(), qPrintable(fautes.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(tst_Mnemoniques)
#include "tst_Mnemoniques.moc"
