#include "GenerateurBD.h"

#include "Regles.h"
#include "modBD.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <random>

namespace Bench {

QString NomPiece(int i) { return QStringLiteral("Pièce %1").arg(i, 4, 10, QLatin1Char('0')); }
QString NomVendeur(int i) { return QStringLiteral("Vendeur %1").arg(i, 4, 10, QLatin1Char('0')); }
bool EstComedien(int i) { return i % 5 == 0; }

QString DateRepresentation(int piece, int rang) {
    return Regles::DateEnTexte(QDate(2020, 1, 1).addDays(piece + 7 * rang));
}

namespace {
void Exiger(bool ok, const QSqlQuery& q) {
    if (!ok) throw modBD::ErreurBD(QStringLiteral("Génération : ") + q.lastError().text());
}
// The plays, their performances and the sellers.
void GenererCatalogue(QSqlQuery& q, const Taille& t) {
    Exiger(q.prepare(QStringLiteral("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES (?, ?)")), q);
    for (int p = 1; p <= t.pieces; ++p) {
        q.addBindValue(NomPiece(p));
        q.addBindValue(NomPiece(p).toUpper());
        Exiger(q.exec(), q);
    }
    Exiger(q.prepare(QStringLiteral("INSERT INTO Representation (NoPiece, DateRepresentation) VALUES (?, ?)")), q);
    for (int p = 1; p <= t.pieces; ++p)
        for (int r = 0; r < t.representationsParPiece; ++r) {
            q.addBindValue(p);
            q.addBindValue(DateRepresentation(p, r));
            Exiger(q.exec(), q);
        }
    Exiger(q.prepare(QStringLiteral("INSERT INTO Vendeur (NomVendeur, Comedien, NomVendeurMaj) VALUES (?, ?, ?)")), q);
    for (int v = 1; v <= t.vendeurs; ++v) {
        q.addBindValue(NomVendeur(v));
        q.addBindValue(EstComedien(v) ? 1 : 0);
        q.addBindValue(NomVendeur(v).toUpper());
        Exiger(q.exec(), q);
    }
}

// The orders, three lines each.
template <class Entre>
void GenererCommandes(QSqlDatabase& db, const Taille& t, int nbRepresentations, Entre& entre) {
    QSqlQuery q(db);
    QSqlQuery ligne(db);
    Exiger(q.prepare(QStringLiteral("INSERT INTO InfoClientReservation (DateReservation, MontantTotal, NomClient, "
                                    "TelephoneClient, NbForfaits) VALUES (?, ?, ?, ?, ?)")), q);
    Exiger(ligne.prepare(QStringLiteral("INSERT INTO InfoReservation (NoClient, NoRepresentation, NbEnfant, NbAdulte, "
                                        "Cout, VentePorte, NoVendeur) VALUES (?, ?, ?, ?, ?, ?, ?)")), ligne);
    for (int c = 1; c <= t.commandes; ++c) {
        const int vendeur = entre(1, t.vendeurs);
        const int premiere = entre(1, nbRepresentations);
        double couts[3];
        double total = 0;
        for (double& cout : couts) total += (cout = entre(10, 90) / 2.0);
        q.addBindValue(Regles::DateEnTexte(QDate(2020, 1, 1).addDays(entre(0, 2500))));
        q.addBindValue(total);
        q.addBindValue(QStringLiteral("Client %1").arg(c));
        q.addBindValue(QStringLiteral("555-%1").arg(entre(0, 9999), 4, 10, QLatin1Char('0')));
        q.addBindValue(entre(0, 3));
        Exiger(q.exec(), q);
        const qlonglong noClient = q.lastInsertId().toLongLong();
        for (int l = 0; l < 3; ++l) {
            ligne.addBindValue(noClient);
            ligne.addBindValue((premiere - 1 + l) % nbRepresentations + 1);
            ligne.addBindValue(entre(0, 4));
            ligne.addBindValue(entre(1, 4));
            ligne.addBindValue(couts[l]);
            ligne.addBindValue(0);
            ligne.addBindValue(vendeur);
            Exiger(ligne.exec(), ligne);
        }
    }
    q.finish();
    ligne.finish();
}
}  // namespace

void Generer(const QString& chemin, const Taille& t) {
    modBD::CreerBaseVide(chemin);
    const QString nomConnexion = QStringLiteral("generation");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nomConnexion);
        db.setDatabaseName(chemin);
        if (!db.open()) throw modBD::ErreurBD(QStringLiteral("Génération : ") + db.lastError().text());
        std::mt19937 alea(20261207u);
        auto entre = [&alea](int a, int b) { return std::uniform_int_distribution<int>(a, b)(alea); };
        QSqlQuery q(db);
        Exiger(q.exec(QStringLiteral("BEGIN")), q);

        GenererCatalogue(q, t);

        const int nbRepresentations = t.pieces * t.representationsParPiece;
        GenererCommandes(db, t, nbRepresentations, entre);

        // The measured performance (first play, first date) is number 1 and holds exactly 250 movements.
        Exiger(q.prepare(QStringLiteral("INSERT INTO InventaireBillets (NoRepresentation, NoVendeur, Nombre, "
                                        "DateTransaction, Commentaire) VALUES (?, ?, ?, ?, ?)")), q);
        for (int m = 0; m < t.mouvements; ++m) {
            const bool mesure = m < kMouvementsMesures;
            q.addBindValue(mesure ? 1 : entre(2, std::max(2, nbRepresentations)));
            q.addBindValue(entre(1, t.vendeurs));
            q.addBindValue(entre(-20, 50));
            q.addBindValue(Regles::DateEnTexte(QDate(2020, 1, 1).addDays(entre(0, 2500))));
            q.addBindValue(QStringLiteral(""));
            Exiger(q.exec(), q);
        }
        Exiger(q.exec(QStringLiteral("COMMIT")), q);
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(nomConnexion);
}

}  // namespace Bench
