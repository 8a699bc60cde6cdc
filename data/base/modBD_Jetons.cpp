// Operation tokens: a unit of work written under a token made by the station is written once,
// even when the answer to its commit was lost.
#include "modBD.h"
#include "modBD_Session.h"

#include <QDateTime>
#include <QUuid>

namespace modBD {

namespace {
detail::Session& S() { return detail::SessionActive(); }
}  // namespace

QString NouveauJeton() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

TextesPerte TextesPerteCommande() {
    return {QStringLiteral("La commande n'a pas été enregistrée : la connexion au serveur a été perdue avant la fin. "
                           "Rien n'a été écrit. La commande reste à l'écran : confirmez-la de nouveau."),
            QStringLiteral("La connexion au serveur a été perdue pendant l'enregistrement de la commande. Elle reste à "
                           "l'écran ; à la prochaine confirmation, le programme vérifiera d'abord si elle a déjà été "
                           "enregistrée : elle ne le sera jamais deux fois.")};
}

namespace {
bool TableJetonsPresente() {
    if (S().jetonsVusSur != 0 && S().jetonsVusSur == S().numeroConnexion) return true;
    const bool presente =
        Connexion().tables(QSql::Tables).contains(QStringLiteral("JetonOperation"), Qt::CaseInsensitive);
    // Remembered only once seen committed: a table made in a rolled-back unit is gone again.
    if (presente) S().jetonsVusSur = S().numeroConnexion;
    return presente;
}
}  // namespace

std::optional<QString> ResultatJeton(const QString& jeton) {
    if (!TableJetonsPresente()) {
        // The table list is one of the driver's own statements: a dead session shows there as "no table".
        Executer(QStringLiteral("SELECT 1"));
        if (!TableJetonsPresente()) return std::nullopt;
    }
    QSqlQuery q = Executer(QStringLiteral("SELECT Numeros FROM JetonOperation WHERE Jeton = ?"), {jeton});
    if (q.next()) return q.value(0).toString();
    return std::nullopt;
}

bool JetonEnSuspens(const QString& jeton) { return S().jetonsEnSuspens.contains(jeton); }

FaitUneFois FaireUneSeuleFois(const QString& jeton, const TextesPerte& textes, const std::function<QString()>& travail) {
    if (jeton.isEmpty()) throw ErreurBD(QStringLiteral("Opération sans jeton (erreur du programme) : rien n'a été enregistré."));
    // Asks the base whether the unit whose answer was lost is there; the server still away
    // keeps the token in suspense for the next attempt.
    const auto Regler = [&]() -> std::optional<QString> {
        try {
            const std::optional<QString> resultat = ResultatJeton(jeton);
            S().jetonsEnSuspens.remove(jeton);
            return resultat;
        } catch (const ErreurBD& e) {
            if (e.nature() == NatureErreur::ConnexionPerdue || e.nature() == NatureErreur::BaseIndisponible)
                throw ErreurBD(textes.enSuspens, NatureErreur::IssueInconnue);
            throw;
        }
    };
    if (S().jetonsEnSuspens.contains(jeton)) {
        if (const std::optional<QString> deja = Regler()) return {*deja, true};
    }
    struct JetonDejaEnregistre {};
    try {
        return EnTransaction([&](Transaction& transaction) {
            // A base made before the table existed gets it inside this first write that needs it.
            if (!TableJetonsPresente()) AssurerTable(QStringLiteral("JetonOperation"));
            const QString resultat = travail();
            try {
                Executer(QStringLiteral("INSERT INTO JetonOperation (Jeton, Numeros, DateJeton) VALUES (?, ?, ?)"),
                         {jeton, resultat, QDateTime::currentDateTime().toString(Qt::ISODate)});
            } catch (const ErreurBD& e) {
                // Refused for its value, it can only be there already: written by an attempt whose
                // answer was lost without the loss being seen. Rolled back, then settled below.
                if (e.nature() == NatureErreur::Ordinaire) throw JetonDejaEnregistre{};
                throw;
            }
            transaction.Valider();
            return FaitUneFois{resultat, false};
        });
    } catch (const JetonDejaEnregistre&) {
    } catch (const ErreurBD& e) {
        if (e.nature() != NatureErreur::IssueInconnue) throw;
    }
    S().jetonsEnSuspens.insert(jeton);
    if (const std::optional<QString> fait = Regler()) return {*fait, true};
    throw ErreurBD(textes.perdueAvantFin, NatureErreur::ReponsePerdue);
}

}  // namespace modBD
