#include "ChargePorte.h"

#include "modBD.h"
#include "modBD_Caisse.h"
#include "modBD_Catalogue.h"
#include "modBD_Commandes.h"
#include "modBD_Soiree.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QLocale>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>

namespace ChargePorte {

namespace {
const QString kDate = QStringLiteral("2026-12-24");
const QString kVendeur = QStringLiteral("Charge vendeur A");

QString Piece(const QString& etiquette) { return QStringLiteral("Porte %1").arg(etiquette); }
QString NomPoste(const QString& etiquette, int numero) { return QStringLiteral("%1-p%2").arg(etiquette).arg(numero); }

struct Partie {
    qint64 no = 0;
    qlonglong billets = 0;
};

// The parties of this run, by number; the station holds every postes-th one.
QList<Partie> Parties(const QString& etiquette, int numero, int postes) {
    QSqlQuery q = modBD::Executer(QStringLiteral("SELECT c.NoClient, SUM(l.NbEnfant + l.NbAdulte) FROM InfoClientReservation c "
                                                 "JOIN InfoReservation l ON l.NoClient = c.NoClient WHERE c.NomClient LIKE ? "
                                                 "GROUP BY c.NoClient ORDER BY c.NoClient"),
                                  {etiquette + QStringLiteral(" partie %")});
    QList<Partie> toutes;
    while (q.next()) toutes.append({q.value(0).toLongLong(), q.value(1).toLongLong()});
    QList<Partie> miennes;
    for (qsizetype i = numero; i < toutes.size(); i += postes) miennes.append(toutes.at(i));
    return miennes;
}

// One door sale, taken again with the same token until it is written (or 100 refusals).
void Vendre(QRandomGenerator& hasard, const QString& etiquette, int numero, bool sousPannes, Dire dire) {
    const qint64 centimes = hasard.bounded(100, 6000);
    const modBD::ModePaiement mode = static_cast<modBD::ModePaiement>(hasard.bounded(4));
    const QString cout = QLocale().toString(static_cast<double>(centimes) / 100.0, 'f', 2);
    const QString jeton = modBD::NouveauJeton();
    QElapsedTimer chrono;
    chrono.start();
    for (int essai = 0; essai < (sousPannes ? 100 : 20); ++essai) {
        try {
            const QString no = modBD::EnregistrerVentePortePayee(Piece(etiquette), kDate, QStringLiteral("0"),
                                                                 QString::number(hasard.bounded(1, 4)), cout, kVendeur, kDate,
                                                                 {mode, QString(), NomPoste(etiquette, numero)}, jeton);
            dire(QStringLiteral("vente %1 %2 %3 %4 %5")
                     .arg(NomPoste(etiquette, numero), no)
                     .arg(static_cast<int>(mode))
                     .arg(centimes)
                     .arg(chrono.nsecsElapsed() / 1000));
            return;
        } catch (const modBD::ErreurBD& e) {
            dire(QStringLiteral("erreur ") + e.message().replace(QLatin1Char('\n'), QLatin1Char(' ')));
            QThread::msleep(300);
        }
    }
}

// One change of a party's check-in; under faults a refused one is set again as "whole".
void Noter(const Partie& p, modBD::Arrivee changement, qint64 noRepresentation, const QString& poste, bool sousPannes,
           Dire dire) {
    QElapsedTimer chrono;
    chrono.start();
    for (int essai = 0; essai < (sousPannes ? 100 : 20); ++essai) {
        try {
            const std::optional<qlonglong> n = modBD::NoterArrivee(p.no, noRepresentation, changement);
            dire(QStringLiteral("arrivee %1 %2 %3 %4").arg(poste).arg(p.no).arg(n.value_or(-1)).arg(chrono.nsecsElapsed() / 1000));
            return;
        } catch (const modBD::ErreurBD& e) {
            dire(QStringLiteral("erreur ") + e.message().replace(QLatin1Char('\n'), QLatin1Char(' ')));
            changement = modBD::Arrivee::Toute;  // +1 or −1 may have been written: set a count that does not depend on it
            QThread::msleep(300);
        }
    }
}
}  // namespace

void Preparer(const QString& etiquette, int parties) {
    modBD::AjouterPiece(Piece(etiquette));
    modBD::AjouterRepresentation(modBD::ObtenirNoPiece(Piece(etiquette)), kDate);
    modBD::AjouterVendeur(kVendeur, false);
    QRandomGenerator hasard(27);
    for (int i = 0; i < parties; ++i) {
        modBD::Commande c;
        c.dateReservation = QStringLiteral("2026-12-07");
        c.nomClient = QStringLiteral("%1 partie %2").arg(etiquette).arg(i);
        c.nbForfaits = QStringLiteral("0");
        c.nomVendeur = kVendeur;
        const int adultes = hasard.bounded(1, 5);
        c.montantTotal = Montant::Centimes(1000LL * adultes);
        c.lignes.append({Piece(etiquette), kDate, QStringLiteral("0"), QString::number(adultes), c.montantTotal, QStringLiteral("Non")});
        modBD::EnregistrerCommande(c);
    }
}

int Poste(int numero, int postes, int actions, int ventes, const QString& etiquette, bool sousPannes, Dire dire) {
    const qint64 noRepresentation = modBD::TrouverRepresentation(Piece(etiquette), kDate);
    const QList<Partie> miennes = Parties(etiquette, numero, postes);
    QRandomGenerator hasard(static_cast<quint32>(numero * 7919 + 27));
    const int total = actions + ventes;
    int faitesVentes = 0;
    for (int i = 0; i < total; ++i) {
        const bool vente = faitesVentes < ventes && (miennes.isEmpty() || static_cast<qint64>(faitesVentes) * total <= static_cast<qint64>(i) * ventes);
        if (vente) {
            Vendre(hasard, etiquette, numero, sousPannes, dire);
            ++faitesVentes;
            continue;
        }
        if (miennes.isEmpty()) continue;
        const Partie& p = miennes.at(hasard.bounded(static_cast<int>(miennes.size())));
        const int tirage = hasard.bounded(10);  // mostly whole or one more, as at a door
        const modBD::Arrivee changement = tirage < 4   ? modBD::Arrivee::Toute
                                          : tirage < 7 ? modBD::Arrivee::UneDePlus
                                          : tirage < 9 ? modBD::Arrivee::UneDeMoins
                                                       : modBD::Arrivee::Aucune;
        Noter(p, changement, noRepresentation, NomPoste(etiquette, numero), sousPannes, dire);
    }
    dire(QStringLiteral("reprises %1").arg(modBD::NombreReprises()));
    return 0;
}

namespace {
struct Releve {
    QHash<qint64, qlonglong> arrives;            // party -> the last count reported
    QHash<qint64, std::pair<int, QString>> ventes;  // order -> mode, station
    QHash<QString, qint64> especes;              // station -> its cash, rounded sale by sale
    QStringList violations;
    int refus = 0;
};

Releve Lire(const QString& sorties) {
    Releve r;
    for (const QString& ligne : sorties.split(QLatin1Char('\n'))) {
        const QStringList m = ligne.trimmed().split(QLatin1Char(' '));
        if (m.first() == QLatin1String("arrivee") && m.size() == 5) {
            r.arrives.insert(m.at(2).toLongLong(), m.at(3).toLongLong());
        } else if (m.first() == QLatin1String("vente") && m.size() == 6) {
            const qint64 no = m.at(2).toLongLong();
            if (r.ventes.contains(no)) r.violations << QStringLiteral("la vente n° %1 est annoncée deux fois").arg(no);
            r.ventes.insert(no, {m.at(3).toInt(), m.at(1)});
            if (m.at(3).toInt() == static_cast<int>(modBD::ModePaiement::Especes))
                r.especes[m.at(1)] += modBD::ArrondiEspeces(m.at(4).toLongLong());
        } else if (m.first() == QLatin1String("erreur")) {
            ++r.refus;
        }
    }
    return r;
}

void VerifierArrivees(const Releve& r, qint64 noRepresentation, QStringList& violations) {
    QSqlQuery q = modBD::Executer(QStringLiteral("SELECT a.NoClient, a.NbArrives, (SELECT SUM(l.NbEnfant + l.NbAdulte) FROM "
                                                 "InfoReservation l WHERE l.NoClient = a.NoClient AND l.NoRepresentation = ?) "
                                                 "FROM ArriveeCommande a WHERE a.NoRepresentation = ?"),
                                  {noRepresentation, noRepresentation});
    QHash<qint64, qlonglong> base;
    while (q.next()) {
        base.insert(q.value(0).toLongLong(), q.value(1).toLongLong());
        if (q.value(1).toLongLong() > q.value(2).toLongLong() || q.value(1).toLongLong() < 0)
            violations << QStringLiteral("la commande %1 a %2 arrivés pour %3 billets")
                              .arg(q.value(0).toLongLong()).arg(q.value(1).toLongLong()).arg(q.value(2).toLongLong());
    }
    for (auto it = r.arrives.cbegin(); it != r.arrives.cend(); ++it)
        if (base.value(it.key(), 0) != it.value())
            violations << QStringLiteral("la commande %1 a %2 arrivés dans la base, %3 annoncés")
                              .arg(it.key()).arg(base.value(it.key(), 0)).arg(it.value());
}
}  // namespace

int Verifier(const QString& sortiesPostes, const QString& etiquette, Dire dire, Dire erreur) {
    const Releve r = Lire(sortiesPostes);
    QStringList violations = r.violations;
    const qint64 noRepresentation = modBD::TrouverRepresentation(Piece(etiquette), kDate);
    VerifierArrivees(r, noRepresentation, violations);
    // Every door sale of the performance once, with its payment as announced.
    QSqlQuery q = modBD::Executer(QStringLiteral("SELECT l.NoClient, p.Mode, p.Poste FROM InfoReservation l LEFT JOIN PaiementCommande p "
                                                 "ON p.NoClient = l.NoClient WHERE l.NoRepresentation = ? AND l.VentePorte <> 0"),
                                  {noRepresentation});
    int ventesBase = 0;
    while (q.next()) {
        ++ventesBase;
        const auto annoncee = r.ventes.constFind(q.value(0).toLongLong());
        if (annoncee == r.ventes.cend())
            violations << QStringLiteral("la vente n° %1 est dans la base sans avoir été annoncée").arg(q.value(0).toLongLong());
        else if (q.value(1).toString() != modBD::TexteMode(static_cast<modBD::ModePaiement>(annoncee->first)) ||
                 q.value(2).toString() != annoncee->second)
            violations << QStringLiteral("la vente n° %1 n'a pas son paiement (%2, %3)")
                              .arg(q.value(0).toLongLong()).arg(q.value(1).toString(), q.value(2).toString());
    }
    if (ventesBase != r.ventes.size())
        violations << QStringLiteral("%1 ventes à la porte dans la base, %2 annoncées").arg(ventesBase).arg(r.ventes.size());
    for (auto it = r.especes.cbegin(); it != r.especes.cend(); ++it) {
        const qint64 attendues = modBD::CalculerCaisse(noRepresentation, it.key(), 0).attendues();
        if (attendues != it.value())
            violations << QStringLiteral("le poste %1 attend %2 ¢ d'espèces, ses ventes en font %3").arg(it.key()).arg(attendues).arg(it.value());
    }
    dire(QStringLiteral("Porte : %1 parties suivies, %2 ventes à la porte, %3 refus repris.")
             .arg(r.arrives.size()).arg(r.ventes.size()).arg(r.refus));
    if (violations.isEmpty()) {
        dire(QStringLiteral("Vérification : chaque arrivée comme annoncée, jamais au-delà des billets, chaque vente écrite une fois "
                            "avec son paiement, les espèces attendues de chaque poste justes."));
        return 0;
    }
    erreur(QStringLiteral("Vérification ÉCHOUÉE (%1) :").arg(violations.size()));
    for (const QString& v : violations.mid(0, 20)) erreur(QStringLiteral("  - ") + v);
    return 1;
}

}  // namespace ChargePorte
