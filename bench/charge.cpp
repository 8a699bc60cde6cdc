// corvandelle-charge: N stations confirming orders and exchanges at once against one base,
// through the program's own data-store functions, then a check of what the base holds.
//
// The parent prepares the catalogue it needs, starts N copies of itself (one process per
// station, each with its own connection, as N programs on N computers), releases them
// together, gathers each confirmation's latency, and checks the base afterwards. With --porte the
// stations work the door of one performance instead (check-ins, door sales and their payments).
#include "modBD.h"
#include "modBD_Catalogue.h"
#include "modBD_Commandes.h"
#include "modBD_Inventaire.h"
#include "modBD_Journal.h"
#include "ChargePorte.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {
const QString kDateRepresentation = QStringLiteral("2026-12-24");
const QString kPiece = QStringLiteral("Charge P%1");  // P1 to P4
const QString kVendeurA = QStringLiteral("Charge vendeur A");
const QString kVendeurB = QStringLiteral("Charge vendeur B");

void Dire(const QString& texte) {
    std::fputs(qPrintable(texte + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}
void Erreur(const QString& texte) {
    std::fputs(qPrintable(texte + QLatin1Char('\n')), stderr);
    std::fflush(stderr);
}

// Opens the base chosen on the command line: a BD.mdb (made empty when missing) or the
// server of a settings file (its tables made when missing). Empty text on success.
QString OuvrirBase(const QString& cheminBD, const QString& ini, bool creer) {
    if (!ini.isEmpty()) {
        modBD::DefinirFichierReglages(ini);
        modBD::DefinirDossierProgramme(QFileInfo(ini).absolutePath());
    } else {
        QFileInfo f(cheminBD);
        const QString dossier = f.isDir() ? f.absoluteFilePath() : f.absolutePath();
        if (!f.isDir() && f.fileName() != QLatin1String("BD.mdb"))
            return QStringLiteral("La base doit s'appeler BD.mdb (ou donnez son dossier) : « %1 ».").arg(cheminBD);
        modBD::DefinirDossierProgramme(dossier);
        modBD::IgnorerFichierReglages(true);  // the path given is the base, whatever sits beside it
        if (creer && !QFileInfo::exists(modBD::CheminBD())) {
            modBD::CreerBaseVide(modBD::CheminBD());
            Dire(QStringLiteral("Base vide créée : %1").arg(QDir::toNativeSeparators(modBD::CheminBD())));
        }
    }
    try {
        modBD::OuvrirBase();
        return {};
    } catch (const modBD::ErreurOuverture& e) {
        if (!creer || e.echec() != modBD::EchecOuverture::TablesAbsentes) return e.message();
    }
    modBD::CreerTablesServeur();
    Dire(QStringLiteral("Tables créées dans la base %1").arg(modBD::DescriptionServeur(modBD::ServeurActif())));
    try {
        modBD::OuvrirBase();
        return {};
    } catch (const modBD::ErreurOuverture& e) {
        return e.message();
    }
}

void PreparerCatalogue() {
    for (int p = 1; p <= 4; ++p) {
        modBD::AjouterPiece(kPiece.arg(p));
        modBD::AjouterRepresentation(modBD::ObtenirNoPiece(kPiece.arg(p)), kDateRepresentation);
    }
    modBD::AjouterVendeur(kVendeurA, false);
    modBD::AjouterVendeur(kVendeurB, true);
}

// One order of 1 to 4 lines drawn from hasard, under the station's token.
modBD::Commande CommandeDuPoste(QRandomGenerator& hasard, const QString& client, const QString& jeton) {
    modBD::Commande c;
    c.dateReservation = QStringLiteral("2026-12-07");
    c.nomClient = client;
    c.telephoneClient = QStringLiteral("555-0100");
    c.nbForfaits = QStringLiteral("0");
    c.nomVendeur = hasard.bounded(2) ? kVendeurA : kVendeurB + QStringLiteral(" (C)");
    const int lignes = hasard.bounded(1, 5);
    for (int l = 1; l <= lignes; ++l) {
        const int adultes = hasard.bounded(1, 5);
        const Montant cout = Montant::Centimes(1250LL * adultes);
        c.montantTotal += cout;
        c.lignes.append({kPiece.arg(l), kDateRepresentation, QStringLiteral("0"), QString::number(adultes), cout,
                         QStringLiteral("Non")});
    }
    c.jeton = jeton;
    return c;
}

// One station: M orders of 1 to 4 lines and K exchanges, interleaved, each timed.
// Under faults (finPannes names the file that says they are over) a refused confirmation is
// confirmed again with the same token, as a clerk would, and the station goes on until it has
// done a few after the last fault.
int Poste(int numero, int commandes, int echanges, const QString& etiquette, const QString& depart,
          const QString& finPannes) {
    Dire(QStringLiteral("pret"));
    while (!QFileInfo::exists(depart)) QThread::usleep(500);
    const bool sousPannes = !finPannes.isEmpty();
    constexpr int kApresPannes = 5;
    bool apres = false;
    int faitesApres = 0;
    QString jeton;
    int refusDeSuite = 0;
    const int total = commandes + echanges;
    int faitesCommandes = 0, faitesEchanges = 0;
    QElapsedTimer chrono;
    for (int i = 0; i < total || (sousPannes && faitesApres < kApresPannes); ++i) {
        if (sousPannes && !apres && QFileInfo::exists(finPannes)) {
            apres = true;
            Dire(QStringLiteral("apres"));
        }
        if (i >= total && faitesCommandes >= commandes) ++commandes;  // one more order after the faults
        if (jeton.isEmpty()) jeton = modBD::NouveauJeton();
        // Drawn from the action's rank: an entry confirmed again is the same entry.
        QRandomGenerator hasard(static_cast<quint32>(numero * 7919 + i * 104729 + 17));
        // Spread the exchanges evenly among the orders.
        const bool echange = faitesEchanges < echanges &&
                             (faitesCommandes >= commandes ||
                              static_cast<qint64>(faitesEchanges) * total <= static_cast<qint64>(i) * echanges);
        chrono.start();
        try {
            if (echange) {
                const QString commentaire = QStringLiteral("%1 s%2 e%3").arg(etiquette).arg(numero).arg(faitesEchanges);
                const int p1 = hasard.bounded(1, 5), p2 = hasard.bounded(1, 5);
                const bool sens = hasard.bounded(2) == 0;
                modBD::AjouterEchangeInventaire(QStringLiteral("2026-12-07"),
                                                {kPiece.arg(p1), kDateRepresentation, sens ? kVendeurA : kVendeurB + QStringLiteral(" (C)")},
                                                {kPiece.arg(p2), kDateRepresentation, sens ? kVendeurB + QStringLiteral(" (C)") : kVendeurA},
                                                static_cast<qint16>(hasard.bounded(1, 10)), commentaire, jeton);
                ++faitesEchanges;
                jeton.clear();
                if (apres) ++faitesApres;
                Dire(QStringLiteral("echange %1").arg(chrono.nsecsElapsed() / 1000));
            } else {
                const modBD::Commande c = CommandeDuPoste(hasard, QStringLiteral("%1 s%2 c%3").arg(etiquette).arg(numero).arg(faitesCommandes), jeton);
                const qsizetype lignes = c.lignes.size();
                const QString no = modBD::EnregistrerCommande(c);
                ++faitesCommandes;
                jeton.clear();
                if (apres) ++faitesApres;
                Dire(QStringLiteral("commande %1 %2 %3").arg(no).arg(lignes).arg(chrono.nsecsElapsed() / 1000));
            }
        } catch (const modBD::ErreurBD& e) {
            Dire(QStringLiteral("erreur ") + e.message().replace(QLatin1Char('\n'), QLatin1Char(' ')));
            if (sousPannes && ++refusDeSuite < 100) {
                // The same entry again, same token: the random choices are drawn anew, but the
                // token makes whichever was written count once.
                --i;
                Dire(QStringLiteral("encore"));
                QThread::msleep(300);
                continue;
            }
            if (echange) ++faitesEchanges; else ++faitesCommandes;
            jeton.clear();
            refusDeSuite = 0;
            continue;
        }
        refusDeSuite = 0;
    }
    Dire(QStringLiteral("reprises %1").arg(modBD::NombreReprises()));
    return 0;
}

// The stations' sessions wait for a standby at commit only when asked: the test server runs
// without it. On (before the stations connect) or back to the server's own default.
void PreparerPannes(bool avant) {
    QSqlQuery q = modBD::Executer(avant ? QStringLiteral("SELECT format('ALTER DATABASE %I SET synchronous_commit = on', current_database())")
                                        : QStringLiteral("SELECT format('ALTER DATABASE %I RESET synchronous_commit', current_database())"));
    if (q.next()) modBD::Executer(q.value(0).toString());
    if (!avant) {
        modBD::Executer(QStringLiteral("ALTER SYSTEM RESET synchronous_standby_names"));
        modBD::Executer(QStringLiteral("SELECT pg_reload_conf()"));
    }
}

// The faults, while the stations work: sessions terminated one at a time, commits written but
// their answers lost (a synchronous standby that does not exist holds them, then their sessions
// are terminated), and a restart of the server. Returns how many faults were made.
int FairePannes(const QString& redemarrer, QStringList& violations) {
    int nombre = 0;
    const auto Dormir = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    try {
        Dormir(400);
        for (int k = 0; k < 4; ++k) {
            modBD::Executer(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = current_database() "
                                           "AND pid <> pg_backend_pid() AND application_name = 'corvandelle' "
                                           "ORDER BY random() LIMIT 1"));
            ++nombre;
            Dormir(250);
        }
        for (int k = 0; k < 2; ++k) {
            modBD::Executer(QStringLiteral("ALTER SYSTEM SET synchronous_standby_names = 'fantome'"));
            modBD::Executer(QStringLiteral("SELECT pg_reload_conf()"));
            int coupees = 0;
            for (int essai = 0; essai < 150 && coupees == 0; ++essai) {
                Dormir(20);
                QSqlQuery q = modBD::Executer(QStringLiteral("SELECT COUNT(pg_terminate_backend(pid)) FROM pg_stat_activity "
                                                             "WHERE datname = current_database() AND wait_event = 'SyncRep'"));
                if (q.next()) coupees = q.value(0).toInt();
            }
            modBD::Executer(QStringLiteral("ALTER SYSTEM RESET synchronous_standby_names"));
            modBD::Executer(QStringLiteral("SELECT pg_reload_conf()"));
            Dire(QStringLiteral("Panne : %1 sessions coupées après l'écriture de leur validation, avant la réponse.").arg(coupees));
            ++nombre;
            Dormir(300);
        }
        QProcess commande;
        commande.start(QStringLiteral("sh"), {QStringLiteral("-c"), redemarrer});
        if (!commande.waitForFinished(60000) || commande.exitCode() != 0)
            violations << QStringLiteral("le redémarrage du serveur a échoué (%1)").arg(redemarrer);
        ++nombre;
        Dire(QStringLiteral("Panne : serveur redémarré."));
        Dormir(300);
    } catch (const modBD::ErreurBD& e) {
        violations << QStringLiteral("les pannes n'ont pas pu être faites : ") + e.message();
    }
    return nombre;
}

double Centile(std::vector<qint64>& v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t rang = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(v.size())));
    return static_cast<double>(v[std::clamp<size_t>(rang, 1, v.size()) - 1]) / 1000.0;  // ms
}

struct Releve {
    QHash<qint64, int> commandes;  // number -> lines, as the stations reported them
    int nbCommandes = 0;
    int nbEchanges = 0;
    int erreurs = 0;
    int reprises = 0;
    std::vector<qint64> latences;  // microseconds, confirmations
    QStringList messages;  // violations found while reading the stations
    QStringList refus;     // confirmations refused with a French message (nothing written)
    QList<qint64> numerosEnDouble;
};

// The journal after the run: its chain unbroken although the stations wrote at once (and
// through the faults), and each order of the run journaled once, neither lost nor doubled.
QStringList VerifierJournalCharge(const QHash<qint64, int>& commandes) {
    QStringList violations;
    if (!modBD::TablePresente(modBD::kTableJournal)) return violations;
    const modBD::VerificationJournal v = modBD::VerifierJournal();
    if (!v.intact)
        violations << QStringLiteral("le journal des opérations est rompu à l'opération n° %1").arg(v.operationFautive);
    QHash<qint64, int> rangees;
    QSqlQuery q = modBD::Executer(QStringLiteral("SELECT Objet FROM JournalOperation WHERE Action = ?"),
                                  {QStringLiteral("Commande confirmée")});
    while (q.next()) {
        const qint64 no = q.value(0).toString().section(QLatin1Char(' '), -1).toLongLong();
        if (commandes.contains(no)) ++rangees[no];
    }
    for (auto it = commandes.cbegin(); it != commandes.cend(); ++it)
        if (rangees.value(it.key()) != 1)
            violations << QStringLiteral("la commande %1 a %2 lignes au journal au lieu d'une").arg(it.key()).arg(rangees.value(it.key()));
    return violations;
}

// The base after the run: every order whole, every exchange balanced, no number twice.
int Verifier(const Releve& r, const QString& etiquette, bool refusInterdits) {
    QStringList violations;
    violations << r.messages;
    if (refusInterdits) violations << r.refus;
    for (qint64 no : r.numerosEnDouble) violations << QStringLiteral("le numéro de commande %1 a été donné deux fois").arg(no);

    QHash<qint64, qint64> lignesParCommande;
    {
        QSqlQuery q = modBD::Executer(QStringLiteral("SELECT c.NoClient, COUNT(l.NoClient) FROM InfoClientReservation c "
                                                     "LEFT JOIN InfoReservation l ON l.NoClient = c.NoClient "
                                                     "WHERE c.NomClient LIKE ? GROUP BY c.NoClient"),
                                      {etiquette + QStringLiteral(" %")});
        while (q.next()) lignesParCommande.insert(q.value(0).toLongLong(), q.value(1).toLongLong());
    }
    if (lignesParCommande.size() != r.commandes.size())
        violations << QStringLiteral("%1 commandes de cette charge dans la base, %2 confirmées")
                          .arg(lignesParCommande.size()).arg(r.commandes.size());
    for (auto it = r.commandes.cbegin(); it != r.commandes.cend(); ++it) {
        if (!lignesParCommande.contains(it.key()))
            violations << QStringLiteral("la commande %1, confirmée, est absente").arg(it.key());
        else if (lignesParCommande.value(it.key()) != it.value())
            violations << QStringLiteral("la commande %1 a %2 lignes au lieu de %3")
                              .arg(it.key()).arg(lignesParCommande.value(it.key())).arg(it.value());
    }
    {
        QSqlQuery q = modBD::Executer(QStringLiteral("SELECT COUNT(*) FROM InfoReservation WHERE NoClient NOT IN "
                                                     "(SELECT NoClient FROM InfoClientReservation)"));
        if (q.next() && q.value(0).toLongLong() > 0)
            violations << QStringLiteral("%1 lignes de commande sans leur commande").arg(q.value(0).toLongLong());
    }
    {
        QSqlQuery q = modBD::Executer(QStringLiteral("SELECT NoClient FROM InfoClientReservation GROUP BY NoClient HAVING COUNT(*) > 1"));
        while (q.next()) violations << QStringLiteral("le numéro %1 est porté par plusieurs commandes").arg(q.value(0).toLongLong());
    }
    QHash<QString, std::pair<int, qint64>> echanges;  // comment -> rows, sum
    {
        QSqlQuery q = modBD::Executer(QStringLiteral("SELECT Commentaire, Nombre FROM InventaireBillets WHERE Commentaire LIKE ?"),
                                      {etiquette + QStringLiteral(" %")});
        while (q.next()) {
            auto& e = echanges[q.value(0).toString()];
            ++e.first;
            e.second += q.value(1).toLongLong();
        }
    }
    if (echanges.size() != r.nbEchanges)
        violations << QStringLiteral("%1 échanges de cette charge dans la base, %2 confirmés").arg(echanges.size()).arg(r.nbEchanges);
    for (auto it = echanges.cbegin(); it != echanges.cend(); ++it)
        if (it.value().first != 2 || it.value().second != 0)
            violations << QStringLiteral("l'échange « %1 » a %2 mouvements de somme %3")
                              .arg(it.key()).arg(it.value().first).arg(it.value().second);
    violations << VerifierJournalCharge(r.commandes);

    if (violations.isEmpty()) {
        Dire(QStringLiteral("Vérification : %1 commandes entières, %2 échanges équilibrés, aucun numéro donné deux fois.")
                 .arg(r.commandes.size()).arg(echanges.size()));
        return 0;
    }
    Erreur(QStringLiteral("Vérification ÉCHOUÉE (%1) :").arg(violations.size()));
    for (const QString& v : violations.mid(0, 20)) Erreur(QStringLiteral("  - ") + v);
    return 1;
}

// What the command line asks for.
struct Options {
    int postes = 1, commandes = 100, echanges = 0;
    bool porte = false;
    int parties = 60, actions = 100, ventes = 20;
    bool aucunRefus = false;
    QString ini, cheminBD, pannes;
    // A station's own (internal) options.
    bool estPoste = false;
    int poste = 0;
    QString depart, etiquette, finPannes;
};

QList<QCommandLineOption> DefinitionsOptions() {
    const auto Interne = [](const QString& nom, const QString& texte, const QString& valeur) {
        QCommandLineOption o(nom, texte, valeur);
        o.setFlags(QCommandLineOption::HiddenFromHelp);
        return o;
    };
    return {
        QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("aide")},
                           QStringLiteral("Affiche cette aide.")),
        QCommandLineOption(QStringLiteral("stations"), QStringLiteral("Nombre de postes (processus) simultanés."), QStringLiteral("N"),
                           QStringLiteral("1")),
        QCommandLineOption(QStringLiteral("commandes"), QStringLiteral("Commandes (1 à 4 lignes) par poste."), QStringLiteral("M"),
                           QStringLiteral("100")),
        QCommandLineOption(QStringLiteral("echanges"), QStringLiteral("Échanges de billets par poste."), QStringLiteral("K"),
                           QStringLiteral("0")),
        QCommandLineOption(QStringLiteral("porte"),
                           QStringLiteral("Mode porte : les postes notent les arrivées des parties d'une même représentation "
                                          "(toute la commande, une de plus, une de moins, aucune) et vendent à la porte avec un mode "
                                          "de paiement ; échoue si une arrivée diffère de ce que les postes ont annoncé ou dépasse "
                                          "ses billets, si une vente manque, est en double ou sans son paiement, ou si les espèces "
                                          "attendues d'un poste diffèrent de la somme de ses ventes en espèces.")),
        QCommandLineOption(QStringLiteral("parties"), QStringLiteral("Mode porte : parties (commandes d'avance) de la représentation."),
                           QStringLiteral("P"), QStringLiteral("60")),
        QCommandLineOption(QStringLiteral("arrivees"), QStringLiteral("Mode porte : arrivées notées par poste."), QStringLiteral("A"),
                           QStringLiteral("100")),
        QCommandLineOption(QStringLiteral("ventes"), QStringLiteral("Mode porte : ventes à la porte par poste."), QStringLiteral("V"),
                           QStringLiteral("20")),
        QCommandLineOption(QStringLiteral("aucun-refus"),
                           QStringLiteral("Compte aussi comme violation une confirmation refusée (base occupée, conflits épuisés) : "
                                          "sans cette option, un refus dit en français, sans rien écrire, est seulement compté.")),
        QCommandLineOption(QStringLiteral("ini"), QStringLiteral("Fichier de réglages qui désigne un serveur PostgreSQL."),
                           QStringLiteral("FICHIER")),
        QCommandLineOption(QStringLiteral("pannes"),
                           QStringLiteral("Serveur seulement : pendant la charge, coupe des sessions de postes, perd la réponse de "
                                          "validations déjà écrites (attente d'un serveur de secours inexistant), puis redémarre le "
                                          "serveur par COMMANDE. Échoue si un poste ne travaille plus après les pannes, si les "
                                          "confirmations refusées dépassent celles en cours à chaque panne, ou si la base garde une "
                                          "commande qu'aucun poste n'a annoncée."),
                           QStringLiteral("COMMANDE")),
        Interne(QStringLiteral("fin-pannes"), QStringLiteral("(interne) fichier de fin des pannes."), QStringLiteral("F")),
        Interne(QStringLiteral("poste"), QStringLiteral("(interne) numéro du poste."), QStringLiteral("I")),
        Interne(QStringLiteral("depart"), QStringLiteral("(interne) fichier de départ."), QStringLiteral("F")),
        Interne(QStringLiteral("etiquette"), QStringLiteral("(interne) étiquette de la charge."), QStringLiteral("E")),
    };
}

// Reads the command line into o: -1 when the run may go on, else the exit status.
int LireOptions(const QStringList& arguments, Options& o) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Fait confirmer des commandes et des échanges par plusieurs postes à la fois sur une même base "
                       "(BD.mdb ou serveur PostgreSQL), par les fonctions du programme, puis affiche le débit et la "
                       "latence des confirmations et vérifie la base : chaque commande entière, chaque échange "
                       "équilibré, aucun numéro donné deux fois. Code de sortie non nul à la moindre violation."));
    parser.addOptions(DefinitionsOptions());
    parser.addPositionalArgument(QStringLiteral("CHEMIN_BD"), QStringLiteral("Le fichier BD.mdb (ou son dossier), créé vide s'il manque."),
                                 QStringLiteral("[CHEMIN_BD | --ini FICHIER]"));
    if (!parser.parse(arguments)) {
        Erreur(parser.errorText());
        return 2;
    }
    if (parser.isSet(QStringLiteral("aide"))) {
        Dire(parser.helpText().replace(QStringLiteral("Usage:"), QStringLiteral("Utilisation :"))
                 .replace(QStringLiteral("Options:"), QStringLiteral("Options :"))
                 .replace(QStringLiteral("Arguments:"), QStringLiteral("Arguments :")));
        return 0;
    }
    bool ok = true;
    const auto Entier = [&](const QString& nom) {
        bool lu = false;
        const int n = parser.value(nom).toInt(&lu);
        ok = ok && lu && n >= 0;
        return n;
    };
    o.postes = Entier(QStringLiteral("stations"));
    o.commandes = Entier(QStringLiteral("commandes"));
    o.echanges = Entier(QStringLiteral("echanges"));
    o.parties = Entier(QStringLiteral("parties"));
    o.actions = Entier(QStringLiteral("arrivees"));
    o.ventes = Entier(QStringLiteral("ventes"));
    if (!ok || o.postes < 1 || o.postes > 64) {
        Erreur(QStringLiteral("--stations va de 1 à 64 ; --commandes, --echanges, --parties, --arrivees et --ventes sont des "
                              "nombres entiers positifs ou nuls."));
        return 2;
    }
    const QStringList positionnels = parser.positionalArguments();
    o.ini = parser.value(QStringLiteral("ini"));
    if (o.ini.isEmpty() == positionnels.isEmpty() || positionnels.size() > 1) {
        Erreur(QStringLiteral("Donnez soit le chemin de BD.mdb, soit --ini FICHIER (voir --aide)."));
        return 2;
    }
    o.cheminBD = positionnels.value(0);
    o.porte = parser.isSet(QStringLiteral("porte"));
    o.aucunRefus = parser.isSet(QStringLiteral("aucun-refus"));
    o.pannes = parser.value(QStringLiteral("pannes"));
    o.estPoste = parser.isSet(QStringLiteral("poste"));
    o.poste = parser.value(QStringLiteral("poste")).toInt();
    o.depart = parser.value(QStringLiteral("depart"));
    o.etiquette = parser.value(QStringLiteral("etiquette"));
    o.finPannes = parser.value(QStringLiteral("fin-pannes"));
    return -1;
}

// The stations, each a copy of this program, started and waiting for the start file.
std::vector<std::unique_ptr<QProcess>> DemarrerPostes(const Options& o) {
    std::vector<std::unique_ptr<QProcess>> enfants;
    for (int i = 0; i < o.postes; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList a{QStringLiteral("--poste"), QString::number(i), QStringLiteral("--stations"), QString::number(o.postes),
                      QStringLiteral("--depart"), o.depart, QStringLiteral("--etiquette"), o.etiquette,
                      QStringLiteral("--commandes"), QString::number(o.commandes), QStringLiteral("--echanges"),
                      QString::number(o.echanges), QStringLiteral("--arrivees"), QString::number(o.actions),
                      QStringLiteral("--ventes"), QString::number(o.ventes)};
        if (o.porte) a << QStringLiteral("--porte");
        if (!o.pannes.isEmpty()) a << QStringLiteral("--fin-pannes") << o.finPannes;
        if (!o.ini.isEmpty()) a << QStringLiteral("--ini") << o.ini;
        else a << o.cheminBD;
        p->start(QCoreApplication::applicationFilePath(), a);
        enfants.push_back(std::move(p));
    }
    for (auto& p : enfants) {
        while (!p->canReadLine() && p->state() != QProcess::NotRunning) p->waitForReadyRead(60000);
        if (QString::fromUtf8(p->readLine()).trimmed() != QLatin1String("pret")) {
            Erreur(QStringLiteral("Un poste n'a pas pu ouvrir la base."));
            return {};
        }
    }
    return enfants;
}

// What a station wrote until it ended; a station that stopped abnormally is a violation.
QByteArray SortiePoste(QProcess& p, QStringList& messages) {
    QByteArray sortie;
    while (p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(1000);
        sortie += p.readAllStandardOutput();
    }
    sortie += p.readAllStandardOutput();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        messages << QStringLiteral("un poste s'est arrêté anormalement (code %1)").arg(p.exitCode());
    return sortie;
}

// How the stations fared around the faults.
struct Suivi {
    QSet<qint64> vus;
    int actionsRefusees = 0, commandesApres = 0;
};

// Reads one station's lines of the order mode into r; false when it no longer works after the faults.
bool LirePosteCommandes(const QByteArray& sortie, Releve& r, Suivi& s, bool pannes) {
    bool apres = false, refusEnCours = false;
    int reussitesApres = 0, refusApres = 0;
    for (const QByteArray& brut : sortie.split('\n')) {
        const QString l = QString::fromUtf8(brut).trimmed();
        const QStringList m = l.split(QLatin1Char(' '));
        if (m.first() == QLatin1String("apres")) apres = true;
        if (m.first() == QLatin1String("erreur")) {
            if (!refusEnCours) ++s.actionsRefusees;
            refusEnCours = true;
            if (apres) ++refusApres;
        } else if (m.first() == QLatin1String("commande") || m.first() == QLatin1String("echange")) {
            refusEnCours = false;
            if (apres) ++reussitesApres;
            if (apres && m.first() == QLatin1String("commande")) ++s.commandesApres;
        }
        if (m.first() == QLatin1String("commande") && m.size() == 4) {
            const qint64 no = m.at(1).toLongLong();
            if (s.vus.contains(no)) r.numerosEnDouble << no;
            s.vus.insert(no);
            r.commandes.insert(no, m.at(2).toInt());
            r.latences.push_back(m.at(3).toLongLong());
            ++r.nbCommandes;
        } else if (m.first() == QLatin1String("echange")) {
            ++r.nbEchanges;
        } else if (m.first() == QLatin1String("erreur")) {
            ++r.erreurs;
            r.refus << QStringLiteral("confirmation refusée : ") + l.mid(7);
        } else if (m.first() == QLatin1String("reprises")) {
            r.reprises += m.value(1).toInt();
        }
    }
    return !pannes || (refusApres == 0 && reussitesApres >= 5);
}

// The order mode's figures, then its check of the base.
int ConclureCommandes(Releve& r, const Suivi& s, const Options& o, int nbPannes, double secondes) {
    std::vector<qint64> latences = r.latences;
    Dire(QStringLiteral("Durée : %1 s. Commandes : %2 (%3 par seconde). Échanges : %4. Transactions rejouées : %5. Refus : %6.")
             .arg(secondes, 0, 'f', 2).arg(r.nbCommandes).arg(r.nbCommandes / secondes, 0, 'f', 1)
             .arg(r.nbEchanges).arg(r.reprises).arg(r.erreurs));
    for (const QString& refus : r.refus.mid(0, 5)) Dire(QStringLiteral("  ") + refus);
    Dire(QStringLiteral("Latence d'une confirmation (ms) : p50 %1, p95 %2, p99 %3.")
             .arg(Centile(latences, 50), 0, 'f', 2).arg(Centile(latences, 95), 0, 'f', 2).arg(Centile(latences, 99), 0, 'f', 2));
    if (!o.pannes.isEmpty()) {
        Dire(QStringLiteral("Pannes : %1. Confirmations refusées (puis confirmées de nouveau, même jeton) : %2, au plus %3 "
                            "permises. Commandes après la dernière panne : %4.")
                 .arg(nbPannes).arg(s.actionsRefusees).arg(nbPannes * o.postes).arg(s.commandesApres));
        if (s.actionsRefusees > nbPannes * o.postes)
            r.messages << QStringLiteral("%1 confirmations refusées pour %2 pannes et %3 postes")
                              .arg(s.actionsRefusees).arg(nbPannes).arg(o.postes);
        r.refus.clear();  // counted above, each one confirmed again
    }
    return Verifier(r, o.etiquette, o.aucunRefus);
}

// The parent: starts the stations, makes the faults, gathers the reports, checks the base.
int Charger(Options o) {
    // Two loads started in the same millisecond on one base (the tests start them together)
    // must never count each other's orders: the process number sets them apart.
    o.etiquette = QStringLiteral("charge-%1-%2").arg(QDateTime::currentMSecsSinceEpoch()).arg(QCoreApplication::applicationPid());
    QTemporaryDir temp;
    o.depart = QDir(temp.path()).filePath(QStringLiteral("depart"));
    if (!o.pannes.isEmpty()) o.finPannes = QDir(temp.path()).filePath(QStringLiteral("fin-pannes"));
    if (o.porte) {
        ChargePorte::Preparer(o.etiquette, o.parties);
        Dire(QStringLiteral("Base : %1. Porte : %2 postes, %3 parties, chacun %4 arrivées et %5 ventes.")
                 .arg(modBD::DescriptionBase()).arg(o.postes).arg(o.parties).arg(o.actions).arg(o.ventes));
    } else {
        Dire(QStringLiteral("Base : %1. Postes : %2, chacun %3 commandes et %4 échanges.")
                 .arg(modBD::DescriptionBase()).arg(o.postes).arg(o.commandes).arg(o.echanges));
    }
    std::vector<std::unique_ptr<QProcess>> enfants = DemarrerPostes(o);
    if (enfants.empty()) return 2;
    QElapsedTimer chrono;
    QFile(o.depart).open(QIODevice::WriteOnly);
    chrono.start();
    Releve r;
    int nbPannes = 0;
    if (!o.pannes.isEmpty()) {
        nbPannes = FairePannes(o.pannes, r.messages);
        QFile(o.finPannes).open(QIODevice::WriteOnly);
    }
    Suivi s;
    QString sortiesPorte;
    for (size_t i = 0; i < enfants.size(); ++i) {
        const QByteArray sortie = SortiePoste(*enfants.at(i), r.messages);
        if (o.porte) sortiesPorte += QString::fromUtf8(sortie);
        else if (!LirePosteCommandes(sortie, r, s, !o.pannes.isEmpty()))
            r.messages << QStringLiteral("le poste %1 ne travaille plus après les pannes").arg(i);
    }
    const double secondes = static_cast<double>(chrono.nsecsElapsed()) / 1e9;
    try {
        if (!o.pannes.isEmpty()) PreparerPannes(false);
        if (!o.porte) return ConclureCommandes(r, s, o, nbPannes, secondes);
        Dire(QStringLiteral("Durée : %1 s. Pannes : %2.").arg(secondes, 0, 'f', 2).arg(nbPannes));
        r.messages << VerifierJournalCharge({});
        for (const QString& m : std::as_const(r.messages)) Erreur(m);
        return ChargePorte::Verifier(sortiesPorte, o.etiquette, &Dire, &Erreur) != 0 || !r.messages.isEmpty() ? 1 : 0;
    } catch (const modBD::ErreurBD& e) {
        Erreur(e.message());
        return 1;
    }
}

// Opens the base, then runs one station or the whole load.
int Lancer(const Options& o) {
    try {
        const QString echec = OuvrirBase(o.cheminBD, o.ini, !o.estPoste);
        if (!echec.isEmpty()) {
            Erreur(echec);
            return 2;
        }
        if (o.estPoste && o.porte) {
            Dire(QStringLiteral("pret"));
            while (!QFileInfo::exists(o.depart)) QThread::usleep(500);
            return ChargePorte::Poste(o.poste, o.postes, o.actions, o.ventes, o.etiquette, !o.finPannes.isEmpty(), &Dire);
        }
        if (o.estPoste) return Poste(o.poste, o.commandes, o.echanges, o.etiquette, o.depart, o.finPannes);
        if (!o.pannes.isEmpty()) {
            if (o.ini.isEmpty()) {
                Erreur(QStringLiteral("--pannes ne vaut que pour un serveur PostgreSQL (--ini)."));
                return 2;
            }
            PreparerPannes(true);
        }
        PreparerCatalogue();
    } catch (const modBD::ErreurBD& e) {
        Erreur(e.message());
        return 2;
    }
    return Charger(o);
}
}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("corvandelle-charge"));
    QLocale francais(QLocale::French, QLocale::Canada);
    francais.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(francais);
    Options o;
    const int sortie = LireOptions(QCoreApplication::arguments(), o);
    if (sortie >= 0) return sortie;
    return Lancer(o);
}
