#include "modBD_Demonstration.h"

#include "Regles.h"
#include "modBD.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>

namespace modBD {

namespace {
struct PieceDemo {
    const char* nom;
    int decalage;  // first performance, in days from today
    int nombre;    // performances, one a week
    double prixEnfant, prixAdulte;
    int places;    // seats of each performance
};
// Past performances with their sales, one evening tonight, and performances still on sale.
constexpr PieceDemo kPieces[] = {
    {"Le Malade imaginaire", -42, 4, 12.0, 20.0, 60},
    {"Les Belles-sœurs", -24, 3, 12.0, 22.0, 60},
    {"Cyrano de Bergerac", 0, 4, 15.0, 25.0, 80},
    {"L'Avare", 10, 3, 12.0, 20.0, 60},
};
struct VendeurDemo {
    const char* nom;
    bool comedien;
};
constexpr VendeurDemo kVendeurs[] = {
    {"Guichet", false},        {"Hélène Tremblay", true}, {"Marc-André Gagnon", true},
    {"Sophie Bélanger", false}, {"Jean Côté", false},       {"Chloé O'Neil", true},
};
const char* const kPrenoms[] = {"Éric", "Nathalie", "François", "Julie", "Louis", "Geneviève", "Pierre", "Émilie",
                                "Benoît", "Isabelle", "Gaétan", "Marie-Ève", "Réjean", "Anne", "Luc", "Zoé"};
const char* const kNoms[] = {"Dubé", "Lavoie", "Bouchard", "Pelletier", "Morin", "Fortin", "Ouellet", "Lévesque",
                             "Girard", "Roy", "Caron", "Boucher", "D'Amours", "Paquette"};
constexpr int kCommandes = 90;
const char* const kCompagnie = "Les Tréteaux de Corvandelle";

struct Seance {
    qint64 numero;
    QDate date;
    double prixEnfant, prixAdulte;
};

void Executer(QSqlQuery& q, const QString& sql, const QVariantList& valeurs) {
    if (!q.prepare(sql)) throw ErreurBD(MessageErreur(q.lastError()));
    for (const QVariant& v : valeurs) q.addBindValue(v);
    if (!q.exec()) throw ErreurBD(MessageErreur(q.lastError()));
}

qint64 Inserer(QSqlQuery& q, const QString& sql, const QVariantList& valeurs) {
    Executer(q, sql, valeurs);
    return q.lastInsertId().toLongLong();
}

// A moment of the evening of `date`, as the program writes a check-in.
QString MomentSoiree(const QDate& date, int minutes) {
    return QDateTime(date, QTime(19, 0).addSecs(60 * minutes)).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QList<qint64> AjouterVendeurs(QSqlQuery& q) {
    QList<qint64> vendeurs;
    for (const VendeurDemo& v : kVendeurs) {
        const QString nom = QString::fromUtf8(v.nom);
        vendeurs << Inserer(q, QStringLiteral("INSERT INTO Vendeur (NomVendeur, Comedien, NomVendeurMaj) VALUES (?, ?, ?)"),
                            {nom, v.comedien ? 1 : 0, nom.toUpper()});
    }
    return vendeurs;
}

// The plays, their prices, their performances and the seats of each, and the company's name.
QList<Seance> AjouterPieces(QSqlQuery& q, const QDate& aujourdhui) {
    QList<Seance> seances;
    for (const PieceDemo& p : kPieces) {
        const QString nom = QString::fromUtf8(p.nom);
        const qint64 noPiece =
            Inserer(q, QStringLiteral("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES (?, ?)"), {nom, nom.toUpper()});
        Executer(q, QStringLiteral("INSERT INTO TarifPiece (NoPiece, PrixEnfant, PrixAdulte) VALUES (?, ?, ?)"),
                 {noPiece, p.prixEnfant, p.prixAdulte});
        for (int i = 0; i < p.nombre; ++i) {
            const QDate date = aujourdhui.addDays(p.decalage + 7 * i);
            const qint64 no = Inserer(q, QStringLiteral("INSERT INTO Representation (NoPiece, DateRepresentation) VALUES (?, ?)"),
                                      {noPiece, Regles::DateEnTexte(date)});
            Executer(q, QStringLiteral("INSERT INTO CapaciteRepresentation (NoRepresentation, Capacite) VALUES (?, ?)"),
                     {no, p.places});
            seances.append({no, date, p.prixEnfant, p.prixAdulte});
        }
    }
    Executer(q, QStringLiteral("INSERT INTO ReglageBilletterie (Cle, Valeur) VALUES ('NomCompagnie', ?)"),
             {QString::fromUtf8(kCompagnie)});
    return seances;
}

// Each seller receives tickets for each performance a month before it; then a few exchanges.
void AjouterStock(QSqlQuery& q, const QList<Seance>& seances, const QList<qint64>& vendeurs, const QDate& aujourdhui,
                  QRandomGenerator& hasard) {
    const QString mouvement = QStringLiteral(
        "INSERT INTO InventaireBillets (NoRepresentation, NoVendeur, Nombre, DateTransaction, Commentaire) VALUES (?, ?, ?, ?, ?)");
    for (const Seance& s : seances) {
        const QString remise = Regles::DateEnTexte(std::min(aujourdhui, s.date.addDays(-30)));
        for (int v = 0; v < vendeurs.size(); ++v)
            Executer(q, mouvement, {s.numero, vendeurs[v], v == 0 ? 60 : 20, remise, QStringLiteral("Billets remis")});
    }
    for (int e = 0; e < 6; ++e) {
        const Seance& de = seances[hasard.bounded(seances.size())];
        const Seance& vers = seances[hasard.bounded(seances.size())];
        const qint64 donneur = vendeurs[1 + hasard.bounded(vendeurs.size() - 1)];
        const qint64 receveur = vendeurs[0];
        const int nombre = 1 + hasard.bounded(4);
        const QString date = Regles::DateEnTexte(aujourdhui.addDays(-hasard.bounded(20)));
        Executer(q, mouvement, {de.numero, donneur, -nombre, date, QStringLiteral("Échange")});
        Executer(q, mouvement, {vers.numero, receveur, nombre, date, QStringLiteral("Échange")});
    }
}

// A phone in one of the forms the program accepts: 418-5550142 or 555-0142; sometimes none.
QString Telephone(QRandomGenerator& hasard) {
    const int tirage = hasard.bounded(10);
    const QString numero = QStringLiteral("%1").arg(hasard.bounded(10000), 4, 10, QLatin1Char('0'));
    if (tirage < 2) return QStringLiteral("");  // a null text would be written NULL
    return tirage < 4 ? QStringLiteral("555-") + numero : QStringLiteral("418-555") + numero;
}

// One order: most of one line, some of two, a few bought at the door on the evening itself
// (checked in at once, as the program does).
void AjouterCommande(QSqlQuery& q, const QList<Seance>& seances, const QList<qint64>& vendeurs, const QDate& aujourdhui,
                     QRandomGenerator& hasard) {
    const QString client = QStringLiteral("%1 %2").arg(QString::fromUtf8(kPrenoms[hasard.bounded(int(std::size(kPrenoms)))]),
                                                      QString::fromUtf8(kNoms[hasard.bounded(int(std::size(kNoms)))]));
    const QString telephone = Telephone(hasard);
    const qint64 vendeur = vendeurs[hasard.bounded(vendeurs.size())];
    const Seance& premiere = seances[hasard.bounded(seances.size())];
    // At the door on the evening itself: only for a performance already given (or tonight's).
    const bool porte = hasard.bounded(8) == 0 && premiere.date <= aujourdhui;
    QList<const Seance*> lignes{&premiere};
    if (!porte && hasard.bounded(4) == 0) {
        const Seance& autre = seances[hasard.bounded(seances.size())];
        if (autre.numero != premiere.numero) lignes << &autre;
    }
    QDate date = porte ? premiere.date : premiere.date.addDays(-1 - hasard.bounded(25));
    if (date > aujourdhui) date = aujourdhui;
    struct Ligne {
        qint64 seance;
        int enfants, adultes;
        double cout;
    };
    QList<Ligne> ecrites;
    double total = 0;
    for (const Seance* s : lignes) {
        const int enfants = hasard.bounded(3);
        const int adultes = 1 + hasard.bounded(4);
        const double cout = enfants * s->prixEnfant + adultes * s->prixAdulte;
        ecrites.append({s->numero, enfants, adultes, cout});
        total += cout;
    }
    const int forfaits = hasard.bounded(6) == 0 ? 1 : 0;
    const qint64 noClient = Inserer(
        q, QStringLiteral("INSERT INTO InfoClientReservation (DateReservation, MontantTotal, NomClient, TelephoneClient, NbForfaits) "
                          "VALUES (?, ?, ?, ?, ?)"),
        {Regles::DateEnTexte(date), total, client, telephone, forfaits});
    for (const Ligne& l : ecrites) {
        Executer(q, QStringLiteral("INSERT INTO InfoReservation (NoClient, NoRepresentation, NbEnfant, NbAdulte, Cout, VentePorte, NoVendeur) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?)"),
                 {noClient, l.seance, l.enfants, l.adultes, l.cout, porte ? 1 : 0, vendeur});
        if (porte)
            Executer(q, QStringLiteral("INSERT INTO ArriveeCommande (NoClient, NoRepresentation, NbArrives, DateArrivee) VALUES (?, ?, ?, ?)"),
                     {noClient, l.seance, l.enfants + l.adultes, MomentSoiree(premiere.date, 20 + hasard.bounded(30))});
    }
}

// Tonight's parties: most of those who booked have come in, one party only in part, the rest not yet;
// so the evening window shows every state.
void AjouterArriveesDuSoir(QSqlQuery& q, const QList<Seance>& seances, const QDate& aujourdhui) {
    qint64 ceSoir = -1;
    for (const Seance& s : seances)
        if (s.date == aujourdhui) ceSoir = s.numero;
    if (ceSoir < 0) return;
    Executer(q, QStringLiteral("SELECT NoClient, NbEnfant + NbAdulte FROM InfoReservation WHERE NoRepresentation = ? AND VentePorte = 0 "
                               "ORDER BY NoClient"),
             {ceSoir});
    QList<std::pair<qint64, int>> parties;
    while (q.next()) parties.append({q.value(0).toLongLong(), q.value(1).toInt()});
    q.finish();
    for (qsizetype i = 0; i < parties.size(); ++i) {
        const auto& [noClient, billets] = parties.at(i);
        if (i % 3 == 2) continue;  // not arrived yet
        // The first party of two or more: part of it is still outside.
        const int arrives = (i == 0 && billets > 1) ? billets - 1 : billets;
        Executer(q, QStringLiteral("INSERT INTO ArriveeCommande (NoClient, NoRepresentation, NbArrives, DateArrivee) VALUES (?, ?, ?, ?)"),
                 {noClient, ceSoir, arrives, MomentSoiree(aujourdhui, int(i))});
    }
}

void Remplir(QSqlDatabase& db, const QDate& aujourdhui) {
    QSqlQuery q(db);
    // The same season every time: the guide's walk-through can name its orders.
    QRandomGenerator hasard(2026);
    const QList<qint64> vendeurs = AjouterVendeurs(q);
    const QList<Seance> seances = AjouterPieces(q, aujourdhui);
    AjouterStock(q, seances, vendeurs, aujourdhui, hasard);
    for (int c = 0; c < kCommandes; ++c) AjouterCommande(q, seances, vendeurs, aujourdhui, hasard);
    AjouterArriveesDuSoir(q, seances, aujourdhui);
}
}  // namespace

QString DossierDemonstration() { return QDir(DossierProgramme()).filePath(QStringLiteral("demonstration")); }

void CreerBaseDemonstration(const QString& chemin, const QDate& aujourdhui) {
    if (QFileInfo::exists(chemin))
        throw ErreurBD(QStringLiteral("Le fichier « %1 » existe déjà : il n'a pas été remplacé.").arg(QDir::toNativeSeparators(chemin)));
    const QFileInfo cible(chemin);
    if (!QDir().mkpath(cible.absolutePath()))
        throw ErreurBD(QStringLiteral("Le dossier « %1 » n'a pas pu être créé.").arg(QDir::toNativeSeparators(cible.absolutePath())));
    // Filled under another name and renamed at the end: an interrupted run leaves no half season.
    const QString provisoire = cible.absoluteFilePath() + QStringLiteral(".creation");
    QFile::remove(provisoire);
    CreerBaseVide(provisoire);
    const QString nomConnexion = QStringLiteral("Demonstration");
    QString erreur;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nomConnexion);
        db.setDatabaseName(provisoire);
        if (!db.open()) {
            erreur = MessageErreur(db.lastError());
        } else {
            try {
                if (!db.transaction()) throw ErreurBD(MessageErreur(db.lastError()));
                Remplir(db, aujourdhui);
                if (!db.commit()) throw ErreurBD(MessageErreur(db.lastError()));
            } catch (const ErreurBD& e) {
                db.rollback();
                erreur = e.message();
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(nomConnexion);
    if (erreur.isEmpty() && !QFile::rename(provisoire, cible.absoluteFilePath()))
        erreur = QStringLiteral("le fichier n'a pas pu être renommé");
    if (!erreur.isEmpty()) {
        QFile::remove(provisoire);
        throw ErreurBD(QStringLiteral("La base de démonstration « %1 » n'a pas pu être créée : %2")
                           .arg(QDir::toNativeSeparators(chemin), erreur));
    }
}

}  // namespace modBD
