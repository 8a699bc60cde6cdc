#include "ArgumentsRapports.h"

#include "Regles.h"
#include "modBD.h"
#include "modBD_Comptes.h"
#include "modBD_Journal.h"
#include "modBD_Rapports.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace Rapports {

namespace {

QList<QCommandLineOption> Options() {
    return {
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("aide")},
                           QStringLiteral("Affiche cette aide.")),
        QCommandLineOption(QStringLiteral("version"), QStringLiteral("Affiche la version.")),
        QCommandLineOption(QStringLiteral("exporter"),
                           QStringLiteral("Écrit le rapport RAPPORT dans un fichier au lieu d'ouvrir la fenêtre : "
                                          "ventes, porte, vendeurs, mouvements, reglement, journal, annulations, bilan, soiree, "
                                          "caisse ou operations."),
                           QStringLiteral("RAPPORT")),
        QCommandLineOption(QStringLiteral("format"), QStringLiteral("Format du fichier : csv, pdf ou xlsx."),
                           QStringLiteral("FORMAT")),
        QCommandLineOption(QStringLiteral("sortie"), QStringLiteral("Fichier à écrire."), QStringLiteral("FICHIER")),
        QCommandLineOption(QStringLiteral("piece"),
                           QStringLiteral("Nom de la pièce (exigé pour porte, mouvements et soiree), sans égard aux majuscules "
                                          "ni aux accents."),
                           QStringLiteral("NOM")),
        QCommandLineOption(QStringLiteral("representation"),
                           QStringLiteral("Date de la représentation, telle que le programme l'affiche "
                                          "(exigée pour porte, mouvements et soiree, permise pour reglement et caisse)."),
                           QStringLiteral("DATE")),
        QCommandLineOption(QStringLiteral("vendeur"),
                           QStringLiteral("Vendeurs et reglement : ce vendeur seulement, sans égard aux majuscules "
                                          "ni aux accents."),
                           QStringLiteral("NOM")),
        QCommandLineOption(QStringLiteral("du"),
                           QStringLiteral("Ventes et journal : commandes passées ce jour-là ou après (AAAA-MM-JJ "
                                          "ou la forme du programme)."),
                           QStringLiteral("DATE")),
        QCommandLineOption(QStringLiteral("au"), QStringLiteral("Ventes et journal : commandes passées ce jour-là ou avant."),
                           QStringLiteral("DATE")),
        QCommandLineOption(QStringLiteral("verifier-journal"),
                           QStringLiteral("Recalcule la chaîne du journal des opérations : code 0 s'il est intact, "
                                          "1 si une opération a été modifiée, supprimée ou insérée.")),
        QCommandLineOption(QStringLiteral("jusqua"),
                           QStringLiteral("Avec --verifier-journal : l'ancre imprimée (« Journal : … ») qu'une opération "
                                          "doit porter ; sinon des opérations de la fin ont été supprimées."),
                           QStringLiteral("EMPREINTE")),
        QCommandLineOption(QStringLiteral("employe"),
                           QStringLiteral("L'employé qui se connecte quand la base a des comptes (mot de passe tapé sans écho, "
                                          "ou CORVANDELLE_MOT_DE_PASSE)."),
                           QStringLiteral("NOM")),
    };
}

bool LireDate(const QCommandLineParser& p, const QString& nom, QDate& date, QString& erreur) {
    if (!p.isSet(nom)) return true;
    const QString texte = p.value(nom);
    date = Regles::TexteEnDate(texte);
    // ISO dates are read whatever the locale: scripts write them.
    if (!date.isValid()) date = QDate::fromString(texte.trimmed(), Qt::ISODate);
    if (!date.isValid()) {
        erreur = QStringLiteral("--%1 : « %2 » n'est pas une date (exemple : %3 ou 2026-12-31).")
                     .arg(nom, texte, Regles::DateEnTexte(QDate(2026, 12, 31)));
        return false;
    }
    return true;
}

}  // namespace

Besoin BesoinDe(const QStringList& arguments) {
    // Options may come with one dash or two, their value after "=" or as the next argument.
    // When in doubt, a GUI application on no screen: it can do everything the console can.
    auto option = [](const QString& a, const QString& nom, QString* valeur) {
        QString sansTirets = a;
        if (sansTirets.startsWith(QLatin1String("--"))) sansTirets.remove(0, 2);
        else if (sansTirets.startsWith(QLatin1Char('-'))) sansTirets.remove(0, 1);
        else return false;
        if (sansTirets == nom) return true;
        if (sansTirets.startsWith(nom + QLatin1Char('='))) {
            if (valeur) *valeur = sansTirets.mid(nom.size() + 1);
            return true;
        }
        return false;
    };
    bool exporter = false;
    QString format;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--")) break;
        if (option(a, QStringLiteral("h"), nullptr) || option(a, QStringLiteral("help"), nullptr) ||
            option(a, QStringLiteral("aide"), nullptr) || option(a, QStringLiteral("version"), nullptr))
            return Besoin::Console;
        if (option(a, QStringLiteral("verifier-journal"), nullptr)) return Besoin::Console;
        if (option(a, QStringLiteral("exporter"), nullptr)) exporter = true;
        QString valeur;
        if (option(a, QStringLiteral("format"), &valeur)) format = !valeur.isEmpty() ? valeur : arguments.value(i + 1);
    }
    if (!exporter) return Besoin::Fenetre;
    return format == QLatin1String("csv") || format == QLatin1String("xlsx") ? Besoin::Console : Besoin::Graphique;
}

namespace {
bool Analyser(QCommandLineParser& p, const QStringList& arguments, QString& erreur) {
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    p.addOptions(Options());
    p.addPositionalArgument(QStringLiteral("CHEMIN"),
                            QStringLiteral("La base de données, ou un fichier de réglages corvandelle.ini qui désigne un serveur. "
                                           "Par défaut, pour le programme installé (sous /usr) : "
                                           "$XDG_CONFIG_HOME/corvandelle/corvandelle.ini (ou /etc/corvandelle/corvandelle.ini) "
                                           "s'il existe, sinon $XDG_DATA_HOME/corvandelle/BD.mdb (~/.local/share/corvandelle/BD.mdb) ; "
                                           "pour un programme compilé ou copié ailleurs : corvandelle.ini à côté du programme "
                                           "s'il existe, sinon BD.mdb à côté du programme."));
    if (p.parse(arguments)) return true;
    if (!p.unknownOptionNames().isEmpty())
        erreur = QStringLiteral("option inconnue : %1.").arg(p.unknownOptionNames().first());
    else
        erreur = QStringLiteral("argument incorrect (une option demande peut-être une valeur) : %1.").arg(p.errorText());
    return false;
}

// Options that only a report written to a file takes.
bool RefuserOptionsExport(const QCommandLineParser& p, QString& erreur) {
    const QStringList optionsExport = {QStringLiteral("format"), QStringLiteral("sortie"), QStringLiteral("piece"),
                                       QStringLiteral("representation"), QStringLiteral("vendeur"), QStringLiteral("du"),
                                       QStringLiteral("au")};
    for (const QString& o : optionsExport)
        if (p.isSet(o)) {
            erreur = QStringLiteral("--%1 ne s'emploie qu'avec --exporter.").arg(o);
            return false;
        }
    return true;
}

// The report, its format and the file to write.
bool LireRapportEtFormat(const QCommandLineParser& p, Demande& d, QString& erreur) {
    const QString code = p.value(QStringLiteral("exporter"));
    d.operations = code == QLatin1String("operations");
    if (!d.operations && !LireCodeRapport(code, d.rapport)) {
        erreur = QStringLiteral("rapport inconnu : « %1 » (ventes, porte, vendeurs, mouvements, reglement, journal, "
                                "annulations, bilan, soiree, caisse ou operations).")
                     .arg(code);
        return false;
    }
    if (!p.isSet(QStringLiteral("format")) || !LireFormat(p.value(QStringLiteral("format")), d.format)) {
        erreur = p.isSet(QStringLiteral("format"))
                     ? QStringLiteral("format inconnu : « %1 » (csv, pdf ou xlsx).").arg(p.value(QStringLiteral("format")))
                     : QStringLiteral("--format est exigé (csv, pdf ou xlsx).");
        return false;
    }
    if (!d.operations && !AccepteFormat(d.rapport, d.format == Format::Pdf)) {
        erreur = QStringLiteral("le rapport %1 est une page : il ne s'exporte qu'en pdf.").arg(CodeRapport(d.rapport));
        return false;
    }
    d.sortie = p.value(QStringLiteral("sortie"));
    if (d.sortie.isEmpty()) {
        erreur = QStringLiteral("--sortie est exigé : le fichier à écrire.");
        return false;
    }
    return true;
}

// Which filters the report takes, and which it requires.
bool LireFiltres(const QCommandLineParser& p, Demande& d, QString& erreur) {
    d.filtres.piece = p.value(QStringLiteral("piece"));
    d.filtres.representation = p.value(QStringLiteral("representation"));
    d.filtres.vendeur = p.value(QStringLiteral("vendeur"));
    const QString code = d.operations ? QStringLiteral("operations") : CodeRapport(d.rapport);
    if (!d.operations && ExigeRepresentation(d.rapport)) {
        if (d.filtres.piece.isEmpty() || d.filtres.representation.isEmpty()) {
            erreur = QStringLiteral("le rapport %1 exige --piece et --representation.").arg(code);
            return false;
        }
    } else if (!d.operations && AccepteRepresentation(d.rapport)) {
        if (p.isSet(QStringLiteral("representation")) && d.filtres.piece.isEmpty()) {
            erreur = QStringLiteral("--representation demande aussi --piece.");
            return false;
        }
    } else if (p.isSet(QStringLiteral("representation"))) {
        erreur = QStringLiteral("le rapport %1 ne prend pas --representation.").arg(code);
        return false;
    }
    if ((d.operations || !FiltreParPiece(d.rapport)) && p.isSet(QStringLiteral("piece"))) {
        erreur = QStringLiteral("le rapport %1 ne prend pas --piece.").arg(code);
        return false;
    }
    if ((d.operations || !FiltreParVendeur(d.rapport)) && p.isSet(QStringLiteral("vendeur"))) {
        erreur = QStringLiteral("--vendeur ne s'emploie qu'avec les rapports vendeurs et reglement.");
        return false;
    }
    if ((d.operations || !FiltreParDate(d.rapport)) && (p.isSet(QStringLiteral("du")) || p.isSet(QStringLiteral("au")))) {
        erreur = QStringLiteral("--du et --au ne s'emploient qu'avec les rapports ventes, journal et caisse.");
        return false;
    }
    return true;
}

bool LireIntervalle(const QCommandLineParser& p, Demande& d, QString& erreur) {
    if (!LireDate(p, QStringLiteral("du"), d.filtres.du, erreur) || !LireDate(p, QStringLiteral("au"), d.filtres.au, erreur))
        return false;
    if (d.filtres.du.isValid() && d.filtres.au.isValid() && d.filtres.du > d.filtres.au) {
        erreur = QStringLiteral("--du (%1) tombe après --au (%2).").arg(p.value(QStringLiteral("du")), p.value(QStringLiteral("au")));
        return false;
    }
    return true;
}
}  // namespace

bool AnalyserArguments(const QStringList& arguments, const QString& baseParDefaut, Demande& d, QString& erreur) {
    QCommandLineParser p;
    if (!Analyser(p, arguments, erreur)) return false;
    d.aide = p.isSet(QStringLiteral("help"));
    d.version = !d.aide && p.isSet(QStringLiteral("version"));
    if (d.aide || d.version) return true;
    const QStringList positionnels = p.positionalArguments();
    if (positionnels.size() > 1) {
        erreur = QStringLiteral("un seul fichier de base de données est attendu, %1 ont été donnés.").arg(positionnels.size());
        return false;
    }
    d.base = positionnels.isEmpty() ? baseParDefaut : positionnels.first();
    d.employe = p.value(QStringLiteral("employe"));
    d.exporter = p.isSet(QStringLiteral("exporter"));
    d.verifierJournal = p.isSet(QStringLiteral("verifier-journal"));
    d.jusqua = p.value(QStringLiteral("jusqua"));
    if (d.verifierJournal && d.exporter) {
        erreur = QStringLiteral("--verifier-journal et --exporter ne s'emploient pas ensemble.");
        return false;
    }
    if (!d.verifierJournal && p.isSet(QStringLiteral("jusqua"))) {
        erreur = QStringLiteral("--jusqua ne s'emploie qu'avec --verifier-journal.");
        return false;
    }
    if (!d.exporter) return RefuserOptionsExport(p, erreur);
    if (!LireRapportEtFormat(p, d, erreur) || !LireFiltres(p, d, erreur) || !LireIntervalle(p, d, erreur)) return false;
    // Writing the report over the database would destroy it.
    if (modBD::MemeFichier(d.sortie, d.base)) {
        erreur = QStringLiteral("le fichier de sortie est la base de données elle-même.");
        return false;
    }
    return true;
}

QString TexteAide() {
    QString t = QStringLiteral(
        "Utilisation : corvandelle-rapports [CHEMIN]\n"
        "              corvandelle-rapports --exporter RAPPORT --format csv|pdf|xlsx --sortie FICHIER\n"
        "                  [--piece NOM] [--representation DATE] [--vendeur NOM] [--du DATE] [--au DATE] CHEMIN\n"
        "              corvandelle-rapports --verifier-journal [--jusqua EMPREINTE] [CHEMIN]\n\n"
        "Les rapports de Corvandelle sur la base de données CHEMIN (par défaut : BD.mdb à côté du programme),\n"
        "ou sur la base d'un serveur PostgreSQL quand CHEMIN est un fichier de réglages .ini (par défaut,\n"
        "corvandelle.ini à côté du programme quand il existe, comme pour le programme lui-même),\n"
        "ouverte en lecture seule. Sans --exporter, la fenêtre des rapports s'ouvre.\n\n"
        "Rapports : ventes (ventes par représentation), porte (liste de la porte d'une représentation),\n"
        "vendeurs (billets des vendeurs), mouvements (mouvements d'une représentation),\n"
        "reglement (règlement des vendeurs), journal (journal des ventes), annulations (commandes annulées).\n\n"
        "bilan (bilan des représentations), soiree (clôture de la soirée d'une représentation, pdf seulement),\n"
        "caisse (fermetures de caisse : --piece, --representation, --du et --au sur la date de fermeture).\n\n"
        "Options :\n");
    for (const QCommandLineOption& o : Options()) {
        QStringList noms;
        for (const QString& n : o.names()) noms << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
        QString entete = noms.join(QStringLiteral(", "));
        if (!o.valueName().isEmpty()) entete += QLatin1Char(' ') + o.valueName();
        t += QStringLiteral("  %1\n      %2\n").arg(entete, o.description());
    }
    t += QStringLiteral("\nCodes de sortie : 0 fichier écrit, 1 base illisible ou fichier impossible à écrire, "
                        "2 argument incorrect.\n");
    return t;
}

namespace {
// Opens the base read-only, or writes why on the error output.
bool OuvrirOuDire(const QString& base, QTextStream& erreurs) {
    try {
        modBD::OuvrirBaseLecture(base);
        return true;
    } catch (const modBD::ErreurBD& e) {
        erreurs << e.message() << Qt::endl;
        return false;
    }
}
}  // namespace

int ExecuterExportation(const Demande& d, QTextStream& erreurs) {
    if (!OuvrirOuDire(d.base, erreurs)) return kEchec;
    QString refus;
    if (!ConnecterEmployeLigneCommande(d, refus)) {
        erreurs << QStringLiteral("corvandelle-rapports : ") << refus << Qt::endl;
        modBD::FermerConnexion();
        return kEchec;
    }
    int code = kReussite;
    Filtres filtres = d.filtres;
    // A name typed on the command line matches blind to case and accents: the stored name is
    // the one the report then uses. Several blind matches and no exact one: the user chooses.
    const auto nommer = [&](const QStringList& noms, QString& nom, const QString& quoi) {
        if (nom.isEmpty() || code != kReussite) return;
        QStringList candidats;
        const std::optional<QString> trouve = modBD::TrouverNom(noms, nom, candidats);
        if (trouve) {
            nom = *trouve;
            return;
        }
        if (candidats.isEmpty())
            erreurs << QStringLiteral("corvandelle-rapports : %1 « %2 » n'existe pas dans la base.").arg(quoi, nom) << Qt::endl;
        else
            erreurs << QStringLiteral("corvandelle-rapports : « %1 » peut désigner plusieurs noms : %2. Donnez le nom exact.")
                           .arg(nom, QStringLiteral("« ") + candidats.join(QStringLiteral(" », « ")) + QStringLiteral(" »"))
                    << Qt::endl;
        code = kMauvaisArgument;
    };
    try {
        // A play, performance or seller the base does not know is a mistake in the arguments.
        nommer(modBD::ListePieces(), filtres.piece, QStringLiteral("la pièce"));
        nommer(modBD::ListeNomsVendeurs(), filtres.vendeur, QStringLiteral("le vendeur"));
        if (code == kReussite && !filtres.piece.isEmpty() && !filtres.representation.isEmpty() &&
            modBD::ObtenirNoRepresentation(modBD::ObtenirNoPiece(filtres.piece), filtres.representation).isEmpty()) {
            erreurs << QStringLiteral("corvandelle-rapports : la pièce « %1 » n'a pas de représentation le %2.")
                           .arg(filtres.piece, filtres.representation)
                    << Qt::endl;
            code = kMauvaisArgument;
        }
        // A date filter that no order date falls in is worth a word: an empty report may
        // otherwise pass for a quiet season when the dates were mistyped.
        if (code == kReussite && FiltreParDate(d.rapport) && d.rapport != Rapport::Caisse && (filtres.du.isValid() || filtres.au.isValid()) &&
            !modBD::DatesCommandesDans(filtres.du, filtres.au))
            erreurs << QStringLiteral("corvandelle-rapports : attention, aucune date de commande de la base ne tombe "
                                      "dans l'intervalle demandé ; le rapport est vide.")
                    << Qt::endl;
        if (code == kReussite) {
            filtres.fiches = d.format == Format::Pdf;  // a file's table has no pages per seller
            const QString source = QFileInfo(d.base).absoluteFilePath();
            const Tableau t = d.operations ? TableauOperations(source) : Produire(d.rapport, filtres, source);
            modBD::FermerConnexion();  // the file is left alone while the output is written
            Exporter(t, d.format, d.sortie);
        }
    } catch (const modBD::ErreurBD& e) {
        erreurs << QStringLiteral("corvandelle-rapports : ") << e.message() << Qt::endl;
        code = kEchec;
    } catch (const ErreurSortie& e) {
        erreurs << QStringLiteral("corvandelle-rapports : ") << e.message() << Qt::endl;
        code = kEchec;
    }
    modBD::FermerConnexion();
    return code;
}

namespace {
// The password typed on the terminal, not shown; the environment's first when it is set.
QByteArray LireMotDePasse() {
    QByteArray mdp = qgetenv("CORVANDELLE_MOT_DE_PASSE");
    if (!mdp.isEmpty()) return mdp;
    std::fputs("Mot de passe : ", stderr);
    std::fflush(stderr);
    termios avant{};
    const bool terminal = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &avant) == 0;
    if (terminal) {
        termios sansEcho = avant;
        sansEcho.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &sansEcho);
    }
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) mdp.append(static_cast<char>(c));
    if (terminal) tcsetattr(STDIN_FILENO, TCSAFLUSH, &avant);
    std::fputs("\n", stderr);
    return mdp;
}
}  // namespace

bool ConnecterEmployeLigneCommande(const Demande& d, QString& erreur) {
    try {
        if (!modBD::ComptesDefinis()) return true;
        if (d.employe.isEmpty()) {
            erreur = QStringLiteral("cette base a des comptes d'employés : donnez --employe NOM.");
            return false;
        }
        QByteArray mdp = LireMotDePasse();
        // The base is read-only here: a failed sign-in is not journaled.
        const modBD::ResultatConnexion r = modBD::Connecter(d.employe, mdp, false);
        if (r.issue != modBD::IssueConnexion::Reussie) {
            erreur = r.message;
            return false;
        }
        if (!modBD::RolePermet(modBD::Role::Tresorerie)) {
            erreur = modBD::TexteReserve(modBD::Role::Tresorerie) + QLatin1Char('.');
            return false;
        }
        return true;
    } catch (const modBD::ErreurBD& e) {
        erreur = e.message();
        return false;
    }
}

Tableau TableauOperations(const QString& source) {
    Tableau t;
    t.rapport = Rapport::Journal;
    t.titre = QStringLiteral("Journal des opérations");
    t.source = source;
    t.produitLe = QDateTime::currentDateTime();
    t.entetes = {QStringLiteral("Opération"), QStringLiteral("Moment"), QStringLiteral("Poste"), QStringLiteral("Employé"),
                 QStringLiteral("Action"), QStringLiteral("Objet"), QStringLiteral("Détail")};
    t.genres = {Genre::Entier, Genre::Texte, Genre::Texte, Genre::Texte, Genre::Texte, Genre::Texte, Genre::Texte};
    for (const modBD::Operation& o : modBD::ListeOperations()) {
        Ligne l;
        l.cellules = {QVariant::fromValue<qlonglong>(o.no), o.moment, o.poste, o.employe, o.action, o.objet, o.detail};
        t.lignes << l;
    }
    return t;
}

int ExecuterVerificationJournal(const Demande& d, QTextStream& sortie, QTextStream& erreurs) {
    if (!OuvrirOuDire(d.base, erreurs)) return kEchec;
    int code = kReussite;
    QString refus;
    try {
        if (!ConnecterEmployeLigneCommande(d, refus)) throw modBD::ErreurBD(refus);
        const modBD::VerificationJournal v = modBD::VerifierJournal(d.jusqua);
        if (!v.intact) {
            sortie << QStringLiteral("Journal modifié à l'opération n° %1.").arg(v.operationFautive) << Qt::endl;
            code = kEchec;
        } else if (!d.jusqua.isEmpty() && !v.ancreTrouvee) {
            sortie << QStringLiteral("Journal modifié : aucune opération ne porte l'empreinte « %1 » (des opérations de la fin "
                                     "ont été supprimées).").arg(d.jusqua) << Qt::endl;
            code = kEchec;
        } else {
            sortie << QStringLiteral("Journal intact : %1 opérations.").arg(v.nombre) << Qt::endl;
        }
    } catch (const modBD::ErreurBD& e) {
        erreurs << QStringLiteral("corvandelle-rapports : ") << e.message() << Qt::endl;
        code = kEchec;
    }
    modBD::FermerConnexion();
    return code;
}

QString TexteVersion() {
    return QStringLiteral("corvandelle-rapports %1\nLicence : GNU GPL version 3 ou ultérieure.\n").arg(QStringLiteral(CORV_VERSION));
}

}  // namespace Rapports
