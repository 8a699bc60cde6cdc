// One station of the concurrency tests: opens the base of a program folder (BD.mdb, or the
// server named by its corvandelle.ini), says "pret", waits for the start file so that every
// station acts at the same moment, does one thing through the data store and prints the outcome.
//   poste_test DOSSIER FICHIER_DEPART piece NOM | vendeur NOM | representation PIECE DATE | commandes N GRAINE
//            | arrivees NOCLIENT NOREPRESENTATION N (N check-ins of one more person)
//            | commandes-suivies N PAUSE_MS (goes on after a refusal, says each outcome) | restaurer COPIE
//            | annuler NOCLIENT | tables (makes the server's tables, the base opened only afterwards)
#include "modBD.h"
#include "modBD_Catalogue.h"
#include "modBD_Annulations.h"
#include "modBD_Commandes.h"
#include "modBD_Sauvegarde.h"
#include "modBD_Soiree.h"

#include <QDateTime>

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <QThread>

#include <cstdio>

namespace {
void Ecrire(const QString& ligne) {
    std::fputs(qPrintable(ligne + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

// Empty when the base opened; otherwise why not.
QString RaisonEchecOuverture() {
    try {
        modBD::OuvrirBase();
        return {};
    } catch (const modBD::ErreurBD& e) {
        return e.message();
    }
}

QString Resultat(modBD::ResultatAjout r) {
    switch (r) {
    case modBD::ResultatAjout::Ajoute: return QStringLiteral("Ajoute");
    case modBD::ResultatAjout::Doublon: return QStringLiteral("Doublon");
    case modBD::ResultatAjout::Vide: return QStringLiteral("Vide");
    }
    return {};
}
}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QLocale francais(QLocale::French, QLocale::Canada);
    francais.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(francais);
    const QStringList a = app.arguments();
    if (a.size() < 4 || (a.at(3) != QLatin1String("tables") && a.size() < 5)) {
        Ecrire(QStringLiteral("ERREUR arguments"));
        return 2;
    }
    modBD::DefinirDossierProgramme(a.at(1));
    if (a.at(3) == QLatin1String("tables")) {
        // Stations started together on an empty server, each making the tables it finds missing.
        Ecrire(QStringLiteral("pret"));
        while (!QFileInfo::exists(a.at(2))) QThread::usleep(500);
        try {
            modBD::CreerTablesServeur();
        } catch (const modBD::ErreurBD& e) {
            Ecrire(QStringLiteral("ERREUR ") + e.message());
            return 1;
        }
        const QString raison = RaisonEchecOuverture();
        Ecrire(raison.isEmpty() ? QStringLiteral("Ouverte") : QStringLiteral("ERREUR ") + raison);
        return 0;
    }
    if (const QString raison = RaisonEchecOuverture(); !raison.isEmpty()) {
        Ecrire(QStringLiteral("ERREUR ") + raison);
        return 1;
    }
    Ecrire(QStringLiteral("pret"));
    while (!QFileInfo::exists(a.at(2))) QThread::usleep(500);

    const QString action = a.at(3);
    try {
        if (action == QLatin1String("piece")) {
            Ecrire(Resultat(modBD::AjouterPiece(a.at(4))));
        } else if (action == QLatin1String("vendeur")) {
            Ecrire(Resultat(modBD::AjouterVendeur(a.at(4), false)));
        } else if (action == QLatin1String("representation") && a.size() >= 6) {
            Ecrire(Resultat(modBD::AjouterRepresentation(modBD::ObtenirNoPiece(a.at(4)), a.at(5))));
        } else if (action == QLatin1String("commandes") && a.size() >= 6) {
            // Orders of 1 to 4 lines over the performances "P1".."P4" on 2026-12-24, seller "Vendeur".
            QRandomGenerator hasard(a.at(5).toUInt());
            const int n = a.at(4).toInt();
            for (int i = 0; i < n; ++i) {
                modBD::Commande c;
                c.dateReservation = QStringLiteral("2026-12-07");
                c.nomClient = QStringLiteral("Client %1").arg(i);
                c.nbForfaits = QStringLiteral("0");
                c.nomVendeur = QStringLiteral("Vendeur");
                const int lignes = hasard.bounded(1, 5);
                for (int l = 1; l <= lignes; ++l)
                    c.lignes.append({QStringLiteral("P%1").arg(l), QStringLiteral("2026-12-24"), QStringLiteral("1"),
                                     QStringLiteral("2"), Montant::Centimes(1050), QStringLiteral("Non")});
                c.montantTotal = Montant::Centimes(1050LL * lignes);
                Ecrire(QStringLiteral("commande %1 %2").arg(modBD::EnregistrerCommande(c)).arg(lignes));
            }
        } else if (action == QLatin1String("arrivees") && a.size() >= 7) {
            std::optional<qlonglong> n;
            for (int i = 0; i < a.at(6).toInt(); ++i)
                n = modBD::NoterArrivee(a.at(4).toLongLong(), a.at(5).toLongLong(), modBD::Arrivee::UneDePlus);
            Ecrire(QStringLiteral("arrivees %1").arg(n ? *n : -1));
        } else if (action == QLatin1String("commandes-suivies") && a.size() >= 6) {
            // One-line orders, one after the other; each is said saved ("commande NO CLIENT") or refused.
            const int n = a.at(4).toInt();
            for (int i = 0; i < n; ++i) {
                modBD::Commande c;
                c.dateReservation = QStringLiteral("2026-12-07");
                c.nomClient = QStringLiteral("Suivi %1").arg(i);
                c.nbForfaits = QStringLiteral("0");
                c.nomVendeur = QStringLiteral("Vendeur");
                c.lignes.append({QStringLiteral("P1"), QStringLiteral("2026-12-24"), QStringLiteral("1"), QStringLiteral("2"),
                                 Montant::Centimes(1050), QStringLiteral("Non")});
                c.montantTotal = Montant::Centimes(1050);
                try {
                    Ecrire(QStringLiteral("commande %1 %2").arg(modBD::EnregistrerCommande(c), c.nomClient));
                } catch (const modBD::ErreurBD& e) {
                    Ecrire(QStringLiteral("refus %1 %2").arg(static_cast<int>(e.nature())).arg(QString(e.message()).replace(QLatin1Char('\n'), QLatin1Char(' '))));
                }
                QThread::msleep(a.at(5).toULong());
            }
        } else if (action == QLatin1String("annuler")) {
            const modBD::ResultatAnnulation r = modBD::AnnulerCommande(a.at(4).toLongLong(), QStringLiteral("2026-12-08"), QString());
            Ecrire(r == modBD::ResultatAnnulation::Fait ? QStringLiteral("annulee") : QStringLiteral("refus %1").arg(static_cast<int>(r)));
        } else if (action == QLatin1String("restaurer")) {
            Ecrire(QStringLiteral("restauree ") + modBD::RestaurerCopie(a.at(4), QDateTime::currentDateTime()));
        } else {
            Ecrire(QStringLiteral("ERREUR action inconnue ") + action);
            return 2;
        }
    } catch (const modBD::ErreurBD& e) {
        Ecrire(QStringLiteral("ERREUR ") + QString(e.message()).replace(QLatin1Char('\n'), QLatin1Char(' ')));
        return 1;
    }
    Ecrire(QStringLiteral("reprises %1").arg(modBD::NombreReprises()));
    return 0;
}
