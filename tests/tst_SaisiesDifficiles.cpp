// Awkward texts typed or pasted into every field that reaches the database: quotes, SQL-like
// texts, very long names, blanks, tabs and line breaks, other scripts, numbers with a sign,
// an exponent or the other decimal separator. Each is stored and shown back exactly (in the
// table and in the other windows' lists), or refused with a French message; no table suffers.
#include "FctVar.h"
#include "TestSupport.h"
#include "Toolkit.h"
#include "frmEchangesBillets.h"
#include "frmGestionPieces.h"
#include "frmGestionVendeurs.h"
#include "frmInventaireBillets.h"
#include "frmMain.h"
#include "frmTransaction.h"
#include "modBD.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSqlQuery>
#include <QTest>
#include <QTreeWidget>

using Toolkit::Test::DernierMessage;
using Toolkit::Test::Messages;

using TestSupport::Textes;
namespace {
const QString kControle = QStringLiteral("ni tabulation ni saut de ligne");

// Types the text as the clerk would: set outright, or pasted from the clipboard.
void Entrer(QLineEdit* champ, const QString& texte, bool collage) {
    champ->clear();
    if (!collage) {
        champ->setText(texte);
        return;
    }
    QApplication::clipboard()->setText(texte);
    champ->setFocus();
    champ->paste();
}

// The program's six tables, with the catalogue rows the cases start from.
void VerifierTablesIntactes(TestSupport::BaseTest& bd) {
    QCOMPARE(modBD::TablesPresentes(), modBD::TablesRequises());
    QCOMPARE(bd.Compter("Piece", "NomPiece = 'Hamlet'"), qint64(1));
    QCOMPARE(bd.Compter("Vendeur", "NomVendeur = 'Alice'"), qint64(1));
}

// Names both kinds of windows must take, store and give back: (row, typed, stored; empty: nothing stored, refusal: message).
struct Nom {
    const char* ligne;
    QString saisie;
    QString stocke;  // empty: nothing stored
    QString refus;   // part of the message; empty: no message
};
QList<Nom> NomsDifficiles() {
    const QString mille = QStringLiteral("Très long ") + QString(990, QChar(0x00E9));
    return {
        {"apostrophe", QStringLiteral("L'Heureux"), QStringLiteral("L'Heureux"), {}},
        {"guillemets", QStringLiteral("Le \"Grand\" Meaulnes"), QStringLiteral("Le \"Grand\" Meaulnes"), {}},
        {"injection guillemet", QStringLiteral("\"; DROP TABLE Piece; --"), QStringLiteral("\"; DROP TABLE Piece; --"), {}},
        {"injection apostrophe", QStringLiteral("'); DELETE FROM Vendeur; --"), QStringLiteral("'); DELETE FROM Vendeur; --"), {}},
        {"pour cent et barre", QStringLiteral("100 % %1 %2 \\ _"), QStringLiteral("100 % %1 %2 \\ _"), {}},
        {"1000 caractères", mille, mille, {}},
        {"accents", QStringLiteral("Phèdre à l'Œuvre, ça"), QStringLiteral("Phèdre à l'Œuvre, ça"), {}},
        {"grec", QStringLiteral("Οιδίπους Τύραννος"), QStringLiteral("Οιδίπους Τύραννος"), {}},
        {"arabe", QStringLiteral("مجنون ليلى"), QStringLiteral("مجنون ليلى"), {}},
        {"chinois", QStringLiteral("茶館"), QStringLiteral("茶館"), {}},
        {"emoji", QStringLiteral("🎭 Famille 👩‍👩‍👧"), QStringLiteral("🎭 Famille 👩‍👩‍👧"), {}},
        {"blancs autour", QStringLiteral(" \t Hamlet II \n"), QStringLiteral("Hamlet II"), {}},
        {"blancs seuls", QStringLiteral("    "), {}, {}},
        {"tabulations et sauts seuls", QStringLiteral("\t\n \t"), {}, {}},
        {"tabulation", QStringLiteral("Acte\tI"), {}, kControle},
        {"saut de ligne", QStringLiteral("Acte I\nScène 2"), {}, kControle},
        {"retour chariot", QStringLiteral("Acte I\r\nScène 2"), {}, kControle},
        {"séparateur de ligne", QStringLiteral("Acte I\u2028Scène 2"), {}, kControle},
    };
}
void LignesDeNoms() {
    QTest::addColumn<QString>("saisie");
    QTest::addColumn<bool>("collage");
    QTest::addColumn<QString>("stocke");
    QTest::addColumn<QString>("refus");
    for (const Nom& n : NomsDifficiles()) {
        QTest::addRow("%s", n.ligne) << n.saisie << false << n.stocke << n.refus;
        QTest::addRow("%s, collé", n.ligne) << n.saisie << true << n.stocke << n.refus;
    }
}
}  // namespace

class TestSaisiesDifficiles : public QObject {
    Q_OBJECT

    std::unique_ptr<TestSupport::BaseTest> m_bd;
    std::unique_ptr<frmMain> m_f;

    // A whole order of one line for the play, date and seller given, through the main window.
    void Commander(const QString& piece, const QString& date, int vendeur) {
        m_f->txtNomClient->setText(QStringLiteral("Client"));
        m_f->txtNbForfaits->setText(QStringLiteral("0"));
        QVERIFY(FctVar::AjouterLigneTransaction(*m_f->lstTransactions, piece, date, QStringLiteral("1"),
                                                QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("0")));
        m_f->cboVendeur->setCurrentIndex(vendeur);
        m_f->cmdConfirmerTransactions_Click();
        QVERIFY2(Messages().isEmpty(), qPrintable(DernierMessage().texte));
    }

private slots:
    void initTestCase() { TestSupport::InitialiserProgrammeTest(); }
    void init() {
        TestSupport::DefinirLocale(TestSupport::LocaleFrancaise());
        m_bd = std::make_unique<TestSupport::BaseTest>();
        m_bd->AjouterRepresentation(m_bd->AjouterPiece("Hamlet"), "2026-03-01");
        m_bd->AjouterVendeur("Alice");
        m_f = std::make_unique<frmMain>();
        QVERIFY(m_f->Form_Load());
    }
    void cleanup() {
        m_f.reset();
        m_bd.reset();
    }

    // A play name, from the plays window to every list that shows plays, through a performance,
    // a stock movement, an order and its deletion.
    void nomDePiece_data() { LignesDeNoms(); }
    void nomDePiece() {
        QFETCH(QString, saisie);
        QFETCH(bool, collage);
        QFETCH(QString, stocke);
        QFETCH(QString, refus);
        m_f->mnuGestionPieces_Click();
        frmGestionPieces* p = m_f->FenetrePieces();
        Entrer(p->txtNomPiece, saisie, collage);
        QCOMPARE(p->txtNomPiece->text(), saisie);  // the field holds exactly what was typed or pasted
        p->cmdAjouterPiece_Click();
        QCOMPARE(p->txtNomPiece->text(), saisie);

        if (stocke.isEmpty()) {
            if (refus.isEmpty()) {
                QVERIFY(Messages().isEmpty());  // a blank name is ignored without a word
            } else {
                QCOMPARE(Messages().size(), 1);
                QVERIFY2(DernierMessage().texte.startsWith(QStringLiteral("La pièce n'a pas été ajoutée.")), qPrintable(DernierMessage().texte));
                QVERIFY2(DernierMessage().texte.contains(refus), qPrintable(DernierMessage().texte));
                QCOMPARE(DernierMessage().titre, QStringLiteral("Erreur"));
            }
            QCOMPARE(m_bd->Compter("Piece"), qint64(1));
            QCOMPARE(Textes(p->lstPieces), QStringList{"Hamlet"});
            VerifierTablesIntactes(*m_bd);
            return;
        }
        QVERIFY2(Messages().isEmpty(), qPrintable(DernierMessage().texte));
        QCOMPARE(m_bd->Valeur("SELECT NomPiece FROM Piece ORDER BY NoPiece DESC").toString(), stocke);
        QCOMPARE(m_bd->Valeur("SELECT NomPieceMaj FROM Piece ORDER BY NoPiece DESC").toString(), stocke.toUpper());
        QCOMPARE(Textes(p->lstPieces), (QStringList{"Hamlet", stocke}));
        QCOMPARE(Textes(p->cboPieces), (QStringList{"Hamlet", stocke}));
        // The same name again, in capitals: the duplicate test sees it.
        p->txtNomPiece->setText(stocke.toUpper());
        p->cmdAjouterPiece_Click();
        QCOMPARE(DernierMessage().texte, QStringLiteral("Cette pièce est déjà entrée"));
        Toolkit::Test::Reinitialiser();

        // A performance of it, found again by its name.
        p->cboPieces->setCurrentIndex(1);
        p->DPDateRepresentation->setDate(QDate(2026, 7, 1));
        p->cmdAjouterRepresentation_Click();
        QVERIFY2(Messages().isEmpty(), qPrintable(DernierMessage().texte));
        QCOMPARE(Textes(p->lstRepresentations), QStringList{"2026-07-01"});

        // Every other list of plays shows it as stored.
        frmTransaction dialogue(m_f.get(), *m_f->lstTransactions, *m_f->lblMontantTotal);
        QCOMPARE(Textes(dialogue.cboNomsPieces), (QStringList{"Hamlet", stocke}));
        m_f->mnuEchanges_Click();
        QCOMPARE(Textes(m_f->FenetreEchanges()->cboPieces2), (QStringList{"Hamlet", stocke}));
        m_f->mnuGestionBillets_Click();
        frmInventaireBillets* i = m_f->FenetreInventaire();
        QCOMPARE(Textes(i->cboPieces), (QStringList{"Hamlet", stocke}));
        i->cboPieces->setCurrentIndex(1);
        QCOMPARE(i->cboRepresentations->currentText(), QStringLiteral("2026-07-01"));
        i->txtNbBillets->setText(QStringLiteral("5"));
        i->cmdEnregistrer_Click();
        QVERIFY2(Messages().isEmpty(), qPrintable(DernierMessage().texte));
        QCOMPARE(i->lblNbBillets->text(), QStringLiteral("5"));

        Commander(stocke, QStringLiteral("2026-07-01"), 0);
        QCOMPARE(m_bd->Valeur("SELECT p.NomPiece FROM InfoReservation l JOIN Representation r USING (NoRepresentation) "
                              "JOIN Piece p ON p.NoPiece = r.NoPiece").toString(), stocke);

        // Deleted by its list entry: the question names it, the row goes, Hamlet stays.
        p->lstPieces->setCurrentRow(1);
        Toolkit::Test::RepondreProchain(Toolkit::Reponse::Oui);
        p->mnuSupprimerPiece_Click();
        QCOMPARE(DernierMessage().texte, QStringLiteral("Êtes-vous sur de vouloir effacer la pièce ") + stocke + "?");
        QCOMPARE(Textes(p->lstPieces), QStringList{"Hamlet"});
        VerifierTablesIntactes(*m_bd);
    }

    // A seller name, from the sellers window to every seller list, through a movement, an
    // exchange, an order and its deletion.
    void nomDeVendeur_data() { LignesDeNoms(); }
    void nomDeVendeur() {
        QFETCH(QString, saisie);
        QFETCH(bool, collage);
        QFETCH(QString, stocke);
        QFETCH(QString, refus);
        m_f->mnuGestionVendeurs_Click();
        frmGestionVendeurs* v = m_f->FenetreVendeurs();
        Entrer(v->txtNomVendeur, saisie, collage);
        QCOMPARE(v->txtNomVendeur->text(), saisie);
        v->chkComedien->setChecked(true);
        v->cmdAjouterVendeur_Click();
        QCOMPARE(v->txtNomVendeur->text(), saisie);

        if (stocke.isEmpty()) {
            if (refus.isEmpty()) {
                QVERIFY(Messages().isEmpty());
            } else {
                QCOMPARE(Messages().size(), 1);
                QVERIFY2(DernierMessage().texte.startsWith(QStringLiteral("Le vendeur n'a pas été ajouté.")), qPrintable(DernierMessage().texte));
                QVERIFY2(DernierMessage().texte.contains(refus), qPrintable(DernierMessage().texte));
                QCOMPARE(DernierMessage().titre, QStringLiteral("Erreur"));
            }
            QCOMPARE(m_bd->Compter("Vendeur"), qint64(1));
            VerifierTablesIntactes(*m_bd);
            return;
        }
        QVERIFY2(Messages().isEmpty(), qPrintable(DernierMessage().texte));
        QCOMPARE(m_bd->Valeur("SELECT NomVendeur FROM Vendeur ORDER BY NoVendeur DESC").toString(), stocke);
        QCOMPARE(m_bd->Valeur("SELECT NomVendeurMaj FROM Vendeur ORDER BY NoVendeur DESC").toString(), stocke.toUpper());
        const qint64 no = m_bd->Valeur("SELECT MAX(NoVendeur) FROM Vendeur").toLongLong();
        QCOMPARE(Textes(v->lstVendeurs), (QStringList{"Alice", stocke + " (Comédien)"}));

        // The other windows list it with the short marker, after Alice in name order or before.
        const QString affiche = stocke + " (C)";
        m_f->AfficherListeVendeurs();
        const int rang = static_cast<int>(Textes(m_f->cboVendeur).indexOf(affiche));
        QVERIFY2(rang >= 0, qPrintable(Textes(m_f->cboVendeur).join(" / ")));
        QCOMPARE(m_f->cboVendeur->count(), 2);
        m_f->mnuEchanges_Click();
        frmEchangesBillets* e = m_f->FenetreEchanges();
        QCOMPARE(Textes(e->cboVendeurFrom), Textes(m_f->cboVendeur));
        QCOMPARE(Textes(e->cboVendeurTo), Textes(m_f->cboVendeur));
        e->cboVendeurFrom->setCurrentIndex(1 - rang);
        e->cboVendeurTo->setCurrentIndex(rang);
        e->txtNbBillets->setText(QStringLiteral("2"));
        e->cmdEchanger_Click();
        QVERIFY2(Messages().isEmpty(), qPrintable(DernierMessage().texte));
        QCOMPARE(m_bd->Valeur("SELECT Nombre FROM InventaireBillets WHERE NoVendeur = ?", {no}).toInt(), 2);
        m_f->mnuGestionBillets_Click();
        frmInventaireBillets* i = m_f->FenetreInventaire();
        QCOMPARE(Textes(i->cboVendeur), Textes(m_f->cboVendeur));
        i->cboVendeur->setCurrentIndex(rang);
        i->txtNbBillets->setText(QStringLiteral("5"));
        i->cmdEnregistrer_Click();
        QVERIFY2(Messages().isEmpty(), qPrintable(DernierMessage().texte));
        QCOMPARE(m_bd->Compter("InventaireBillets", QStringLiteral("NoVendeur = %1").arg(no)), qint64(2));

        Commander(QStringLiteral("Hamlet"), QStringLiteral("2026-03-01"), rang);
        QCOMPARE(m_bd->Valeur("SELECT NoVendeur FROM InfoReservation").toLongLong(), no);

        v->lstVendeurs->setCurrentRow(1);
        Toolkit::Test::RepondreProchain(Toolkit::Reponse::Oui);
        v->mnuSupprimerVendeur_Click();
        QCOMPARE(DernierMessage().texte, QStringLiteral("Êtes-vous sur de vouloir effacer le vendeur ") + stocke + "?");
        QCOMPARE(Textes(v->lstVendeurs), QStringList{"Alice"});
        VerifierTablesIntactes(*m_bd);
    }

    // Free texts: stored exactly as the field holds them, or refused where a rule applies (the phone).
    void textesLibres_data() {
        QTest::addColumn<QString>("champ");  // client, telephone, commentaire, echange
        QTest::addColumn<QString>("saisie");
        QTest::addColumn<bool>("collage");
        QTest::addColumn<QString>("stocke");  // what the row holds; empty with a refusal
        QTest::addColumn<QString>("refus");
        const QString mille = QString(1000, QLatin1Char('x'));
        const QString emojis = QStringLiteral("a") + QString(QStringLiteral("🎭")).repeated(60);
        const QStringList scripts = {QStringLiteral("L'\"Heureux\""), QStringLiteral("\"; DROP TABLE Piece; --"),
                                     QStringLiteral("Γιώργος مجنون 茶館 🎭"), QStringLiteral("ligne 1\nligne 2\tfin")};
        for (const QString& champ : {QStringLiteral("client"), QStringLiteral("commentaire"), QStringLiteral("echange")}) {
            for (const QString& s : scripts) {
                const QString ligne = champ + QStringLiteral(": ") + QString(s.left(12)).replace('\n', "↵").replace('\t', "⇥");
                QTest::addRow("%s", qPrintable(ligne)) << champ << s << false << s << "";
                QTest::addRow("%s, collé", qPrintable(ligne)) << champ << s << true << s << "";
            }
        }
        QTest::newRow("client: 1000 caractères") << "client" << mille << false << mille << "";
        QTest::newRow("client: blancs seuls") << "client" << "   " << false << "   " << "";
        // Comments stop at 100 characters: what shows is what is stored.
        QTest::newRow("commentaire: 1000 caractères") << "commentaire" << mille << false << mille.left(100) << "";
        QTest::newRow("commentaire: 1000 caractères, collé") << "commentaire" << mille << true << mille.left(100) << "";
        QTest::newRow("commentaire: emoji coupé à 100") << "commentaire" << emojis << false << emojis.left(99) << "";
        QTest::newRow("échange: emoji coupé à 100, collé") << "echange" << emojis << true << emojis.left(99) << "";
        const QString tel = QStringLiteral("Le numéro de téléphone n'est pas valide!");
        QTest::newRow("téléphone: blancs autour") << "telephone" << " 555-1234 " << false << " 555-1234 " << "";
        QTest::newRow("téléphone: saut de ligne collé") << "telephone" << "555-1234\n" << true << "" << tel;
        QTest::newRow("téléphone: tabulation") << "telephone" << "555\t1234" << false << "" << tel;
        QTest::newRow("téléphone: guillemets") << "telephone" << "555-\"1234" << false << "" << tel;
        QTest::newRow("téléphone: injection") << "telephone" << "'; DROP TABLE Piece; --" << false << "" << tel;
        QTest::newRow("téléphone: chiffres arabes") << "telephone" << "٥٥٥١٢٣٤" << false << "" << tel;
        QTest::newRow("téléphone: trait d'union insécable") << "telephone" << "555‑1234" << false << "" << tel;
    }
    void textesLibres() {
        QFETCH(QString, champ);
        QFETCH(QString, saisie);
        QFETCH(bool, collage);
        QFETCH(QString, stocke);
        QFETCH(QString, refus);
        QLineEdit* zone = nullptr;
        std::function<void()> agir;
        QString lecture;
        if (champ == "client" || champ == "telephone") {
            zone = champ == "client" ? m_f->txtNomClient : m_f->txtNoTel;
            m_f->txtNomClient->setText(QStringLiteral("Client"));
            QVERIFY(FctVar::AjouterLigneTransaction(*m_f->lstTransactions, "Hamlet", "2026-03-01", "1", "0", "5", "0"));
            agir = [this] { m_f->cmdConfirmerTransactions_Click(); };
            lecture = champ == "client" ? "SELECT NomClient FROM InfoClientReservation" : "SELECT TelephoneClient FROM InfoClientReservation";
        } else if (champ == "commentaire") {
            m_f->mnuGestionBillets_Click();
            frmInventaireBillets* i = m_f->FenetreInventaire();
            zone = i->txtCommentaire;
            i->txtNbBillets->setText(QStringLiteral("3"));
            agir = [i] { i->cmdEnregistrer_Click(); };
            lecture = "SELECT Commentaire FROM InventaireBillets";
        } else {
            m_f->mnuEchanges_Click();
            frmEchangesBillets* e = m_f->FenetreEchanges();
            zone = e->txtCommentaire;
            e->txtNbBillets->setText(QStringLiteral("3"));
            agir = [e] { e->cmdEchanger_Click(); };
            lecture = "SELECT Commentaire FROM InventaireBillets WHERE Nombre = -3";
        }
        Entrer(zone, saisie, collage);
        const QString affiche = zone->text();
        agir();
        if (!refus.isEmpty()) {
            QCOMPARE(Messages().size(), 1);
            QCOMPARE(DernierMessage().texte, refus);
            QCOMPARE(zone->text(), affiche);
            QCOMPARE(m_bd->Compter("InfoClientReservation"), qint64(0));
        } else {
            QVERIFY2(Messages().isEmpty(), qPrintable(DernierMessage().texte));
            QCOMPARE(affiche, stocke);
            QCOMPARE(m_bd->Valeur(lecture).toString(), stocke);
        }
        VerifierTablesIntactes(*m_bd);
    }

    // Numbers with a sign, an exponent, this locale's or the other decimal separator, in every
    // field that takes one: the stored number, or the field's own message.
    void nombres_data() {
        QTest::addColumn<QString>("champ");
        QTest::addColumn<bool>("anglais");
        QTest::addColumn<QString>("saisie");
        QTest::addColumn<QString>("stocke");  // the stored value as text; empty with a refusal
        QTest::addColumn<QString>("refus");
        const QString enfant = QStringLiteral("Le nombre de billets pour enfant n'est pas valide!");
        const QString couts = QStringLiteral("Le champ des coûts n'est pas valide!");
        QTest::newRow("enfants +3") << "enfants" << false << "+3" << "3" << "";
        QTest::newRow("enfants -2") << "enfants" << false << "-2" << "-2" << "";
        QTest::newRow("enfants 1e2") << "enfants" << false << "1e2" << "100" << "";
        QTest::newRow("enfants 2,5 au pair") << "enfants" << false << "2,5" << "2" << "";
        QTest::newRow("enfants 3,5 au pair") << "enfants" << false << "3,5" << "4" << "";
        QTest::newRow("enfants 2.5 refusé") << "enfants" << false << "2.5" << "" << enfant;
        QTest::newRow("enfants 2.5 anglais") << "enfants" << true << "2.5" << "2" << "";
        QTest::newRow("enfants 2,5 anglais refusé") << "enfants" << true << "2,5" << "" << enfant;
        QTest::newRow("enfants 1e5 refusé") << "enfants" << false << "1e5" << "" << "Ligne 1 (« Hamlet », 2026-03-01) : le nombre de billets pour enfant « 1e5 » n'est pas valide";
        QTest::newRow("coûts +7,5") << "couts" << false << "+7,5" << "7.5" << "";
        QTest::newRow("coûts -5") << "couts" << false << "-5" << "-5" << "";
        QTest::newRow("coûts 1e1") << "couts" << false << "1e1" << "10" << "";
        QTest::newRow("coûts 7.5 refusé") << "couts" << false << "7.5" << "" << couts;
        QTest::newRow("coûts 7.5 anglais") << "couts" << true << "7.5" << "7.5" << "";
        QTest::newRow("forfaits +2") << "forfaits" << false << "+2" << "2" << "";
        QTest::newRow("forfaits 1E1") << "forfaits" << false << "1E1" << "10" << "";
        QTest::newRow("forfaits 2.5 refusé") << "forfaits" << false << "2.5" << "" << "Le nombre de forfaits « 2.5 » n'est pas valide";
        QTest::newRow("forfaits 1e5 refusé") << "forfaits" << false << "1e5" << "" << "Le nombre de forfaits « 1e5 » n'est pas valide";
        QTest::newRow("stock +5") << "stock" << false << "+5" << "5" << "";
        QTest::newRow("stock -3") << "stock" << false << "-3" << "-3" << "";
        QTest::newRow("stock 1e3") << "stock" << false << "1e3" << "1000" << "";
        QTest::newRow("stock 2,5") << "stock" << false << "2,5" << "2" << "";
        QTest::newRow("stock 2.5 refusé") << "stock" << false << "2.5" << "" << "Le nombre de billets doit être numérique!";
        QTest::newRow("stock 1e9 refusé") << "stock" << false << "1e9" << "" << "Le nombre de billets doit être compris entre -32768 et 32767!";
        QTest::newRow("échange +5") << "echange" << false << "+5" << "5" << "";
        QTest::newRow("échange 1e1") << "echange" << false << "1e1" << "10" << "";
        QTest::newRow("échange 2.5 refusé") << "echange" << false << "2.5" << "" << "Le nombre de billets est invalide!";
        QTest::newRow("échange -3 refusé") << "echange" << false << "-3" << "" << "Le nombre de billets ne peut être négatif!";
        QTest::newRow("échange 2.5 anglais") << "echange" << true << "2.5" << "2" << "";
    }
    void nombres() {
        QFETCH(QString, champ);
        QFETCH(bool, anglais);
        QFETCH(QString, saisie);
        QFETCH(QString, stocke);
        QFETCH(QString, refus);
        if (anglais) TestSupport::DefinirLocale(TestSupport::LocaleAnglaise());
        const QString date = FctVar::DateEnTexte(QDate(2026, 3, 1));
        if (anglais) modBD::Executer("UPDATE Representation SET DateRepresentation = ?", {date});
        QLineEdit* zone = nullptr;
        QString lecture;
        if (champ == "stock" || champ == "echange") {
            if (champ == "stock") {
                m_f->mnuGestionBillets_Click();
                frmInventaireBillets* i = m_f->FenetreInventaire();
                zone = i->txtNbBillets;
                zone->setText(saisie);
                i->cmdEnregistrer_Click();
            } else {
                m_f->mnuEchanges_Click();
                frmEchangesBillets* e = m_f->FenetreEchanges();
                zone = e->txtNbBillets;
                zone->setText(saisie);
                e->cmdEchanger_Click();
            }
            lecture = "SELECT Nombre FROM InventaireBillets ORDER BY NoMouvement DESC";
        } else {
            frmTransaction d(m_f.get(), *m_f->lstTransactions, *m_f->lblMontantTotal);
            d.txtNbAdultes->setText(QStringLiteral("1"));
            d.txtCouts->setText(QStringLiteral("5"));
            QLineEdit* dans = champ == "enfants" ? d.txtNbEnfants : champ == "couts" ? d.txtCouts : nullptr;
            if (dans) {
                dans->setText(saisie);
                QCOMPARE(dans->text(), saisie);
            }
            d.cmdAjouter_Click();
            if (dans && !Messages().isEmpty()) {
                QCOMPARE(DernierMessage().texte, refus);
                QCOMPARE(dans->text(), saisie);
                QCOMPARE(m_f->lstTransactions->topLevelItemCount(), 0);
                return;
            }
            QVERIFY2(Messages().isEmpty(), qPrintable(DernierMessage().texte));
            // The list shows the texts as typed.
            QCOMPARE(m_f->lstTransactions->topLevelItem(0)->text(champ == "couts" ? FctVar::ColCouts : FctVar::ColNbEnf),
                     dans ? saisie : QStringLiteral("0"));
            zone = m_f->txtNbForfaits;
            if (champ == "forfaits") zone->setText(saisie);
            m_f->txtNomClient->setText(QStringLiteral("Client"));
            m_f->cmdConfirmerTransactions_Click();
            lecture = champ == "enfants" ? "SELECT NbEnfant FROM InfoReservation"
                      : champ == "couts" ? "SELECT Cout FROM InfoReservation"
                                         : "SELECT NbForfaits FROM InfoClientReservation";
        }
        if (!refus.isEmpty()) {
            QCOMPARE(Messages().size(), 1);
            QVERIFY2(DernierMessage().texte.startsWith(refus), qPrintable(DernierMessage().texte));
            QCOMPARE(DernierMessage().titre, QStringLiteral("Erreur"));
            QCOMPARE(m_bd->Compter("InfoClientReservation"), qint64(0));
            QCOMPARE(m_bd->Compter("InventaireBillets"), qint64(0));
            if (champ == "stock" || champ == "echange" || champ == "forfaits") QCOMPARE(zone->text(), saisie);
        } else {
            QVERIFY2(Messages().isEmpty(), qPrintable(DernierMessage().texte));
            QCOMPARE(m_bd->Valeur(lecture).toString(), stocke);
        }
        VerifierTablesIntactes(*m_bd);
    }

    // A message built from a seller's name keeps the name whole, "%2" and all.
    void nomDansUnMessage() {
        // The server gives numbers itself: a number forced from outside must say so.
        const QString forcer = TestSupport::SurServeur() ? QStringLiteral("OVERRIDING SYSTEM VALUE ") : QString();
        m_bd->Valeur("INSERT INTO Vendeur (NoVendeur, NomVendeur, NomVendeurMaj) " + forcer +
                     "VALUES (40000, 'Vendeur %2 %1', 'VENDEUR %2 %1')");
        try {
            modBD::ObtenirNoVendeur(QStringLiteral("Vendeur %2 %1"));
            QFAIL("a seller number beyond 32767 was accepted");
        } catch (const modBD::ErreurBD& e) {
            QCOMPARE(e.message(), QStringLiteral("Le numéro du vendeur « Vendeur %2 %1 » (40000) dépasse la limite de 32767."));
        }
    }
};

QTEST_MAIN(TestSaisiesDifficiles)
#include "tst_SaisiesDifficiles.moc"
