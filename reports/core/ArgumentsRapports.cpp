#include "ArgumentsRapports.h"

#include "Regles.h"
#include "modBD.h"
#include "modBD_Rapports.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace Rapports {

namespace {

QList<QCommandLineOption> Options() {
    return {
        QCommandLineOption({QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("aide")},
                           QStringLiteral("Affiche cette aide.")),
        QCommandLineOption(QStringLiteral("version"), QStringLiteral("Affiche la version.")),
        QCommandLineOption(QStringLiteral("exporter"),
                           QStringLiteral("Écrit le rapport RAPPORT dans un fichier au lieu d'ouvrir la fenêtre : "
                                          "ventes, porte, vendeurs, mouvements, reglement, journal, annulations, bilan, soiree ou caisse."),
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
        if (option(a, QStringLiteral("exporter"), nullptr)) exporter = true;
        QString valeur;
        if (option(a, QStringLiteral("format"), &valeur)) format = !valeur.isEmpty() ? valeur : arguments.value(i + 1);
    }
    if (!exporter) return Besoin::Fenetre;
    return format == QLatin1String("csv") || format == QLatin1String("xlsx") ? Besoin::Console : Besoin::Graphique;
}

bool AnalyserArguments(const QStringList& arguments, const QString& baseParDefaut, Demande& d, QString& erreur) {
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    p.addOptions(Options());
    p.addPositionalArgument(QStringLiteral("CHEMIN"), QStringLiteral("La base de données, ou un fichier de réglages corvandelle.ini qui désigne un serveur "
                                                "(par défaut : corvandelle.ini à côté du programme s'il existe, sinon BD.mdb)."));
    if (!p.parse(arguments)) {
        if (!p.unknownOptionNames().isEmpty())
            erreur = QStringLiteral("option inconnue : %1.").arg(p.unknownOptionNames().first());
        else
            erreur = QStringLiteral("argument incorrect (une option demande peut-être une valeur) : %1.").arg(p.errorText());
        return false;
    }
    if (p.isSet(QStringLiteral("help"))) {
        d.aide = true;
        return true;
    }
    if (p.isSet(QStringLiteral("version"))) {
        d.version = true;
        return true;
    }
    const QStringList positionnels = p.positionalArguments();
    if (positionnels.size() > 1) {
        erreur = QStringLiteral("un seul fichier de base de données est attendu, %1 ont été donnés.").arg(positionnels.size());
        return false;
    }
    d.base = positionnels.isEmpty() ? baseParDefaut : positionnels.first();
    d.exporter = p.isSet(QStringLiteral("exporter"));
    const QStringList optionsExport = {QStringLiteral("format"), QStringLiteral("sortie"), QStringLiteral("piece"),
                                       QStringLiteral("representation"), QStringLiteral("vendeur"), QStringLiteral("du"),
                                       QStringLiteral("au")};
    if (!d.exporter) {
        for (const QString& o : optionsExport)
            if (p.isSet(o)) {
                erreur = QStringLiteral("--%1 ne s'emploie qu'avec --exporter.").arg(o);
                return false;
            }
        return true;
    }
    if (!LireCodeRapport(p.value(QStringLiteral("exporter")), d.rapport)) {
        erreur = QStringLiteral("rapport inconnu : « %1 » (ventes, porte, vendeurs, mouvements, reglement, journal, "
                                "annulations, bilan, soiree ou caisse).")
                     .arg(p.value(QStringLiteral("exporter")));
        return false;
    }
    if (!p.isSet(QStringLiteral("format")) || !LireFormat(p.value(QStringLiteral("format")), d.format)) {
        erreur = p.isSet(QStringLiteral("format"))
                     ? QStringLiteral("format inconnu : « %1 » (csv, pdf ou xlsx).").arg(p.value(QStringLiteral("format")))
                     : QStringLiteral("--format est exigé (csv, pdf ou xlsx).");
        return false;
    }
    if (!AccepteFormat(d.rapport, d.format == Format::Pdf)) {
        erreur = QStringLiteral("le rapport %1 est une page : il ne s'exporte qu'en pdf.").arg(CodeRapport(d.rapport));
        return false;
    }
    d.sortie = p.value(QStringLiteral("sortie"));
    if (d.sortie.isEmpty()) {
        erreur = QStringLiteral("--sortie est exigé : le fichier à écrire.");
        return false;
    }
    d.filtres.piece = p.value(QStringLiteral("piece"));
    d.filtres.representation = p.value(QStringLiteral("representation"));
    d.filtres.vendeur = p.value(QStringLiteral("vendeur"));
    const QString code = CodeRapport(d.rapport);
    if (ExigeRepresentation(d.rapport)) {
        if (d.filtres.piece.isEmpty() || d.filtres.representation.isEmpty()) {
            erreur = QStringLiteral("le rapport %1 exige --piece et --representation.").arg(code);
            return false;
        }
    } else if (AccepteRepresentation(d.rapport)) {
        if (p.isSet(QStringLiteral("representation")) && d.filtres.piece.isEmpty()) {
            erreur = QStringLiteral("--representation demande aussi --piece.");
            return false;
        }
    } else if (p.isSet(QStringLiteral("representation"))) {
        erreur = QStringLiteral("le rapport %1 ne prend pas --representation.").arg(code);
        return false;
    }
    if (!FiltreParPiece(d.rapport) && p.isSet(QStringLiteral("piece"))) {
        erreur = QStringLiteral("le rapport %1 ne prend pas --piece.").arg(code);
        return false;
    }
    if (!FiltreParVendeur(d.rapport) && p.isSet(QStringLiteral("vendeur"))) {
        erreur = QStringLiteral("--vendeur ne s'emploie qu'avec les rapports vendeurs et reglement.");
        return false;
    }
    if (!FiltreParDate(d.rapport) && (p.isSet(QStringLiteral("du")) || p.isSet(QStringLiteral("au")))) {
        erreur = QStringLiteral("--du et --au ne s'emploient qu'avec les rapports ventes, journal et caisse.");
        return false;
    }
    if (!LireDate(p, QStringLiteral("du"), d.filtres.du, erreur) || !LireDate(p, QStringLiteral("au"), d.filtres.au, erreur))
        return false;
    if (d.filtres.du.isValid() && d.filtres.au.isValid() && d.filtres.du > d.filtres.au) {
        erreur = QStringLiteral("--du (%1) tombe après --au (%2).").arg(p.value(QStringLiteral("du")), p.value(QStringLiteral("au")));
        return false;
    }
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
        "                  [--piece NOM] [--representation DATE] [--vendeur NOM] [--du DATE] [--au DATE] CHEMIN\n\n"
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

int ExecuterExportation(const Demande& d, QTextStream& erreurs) {
    if (!modBD::OuvrirConnexionLecture(d.base)) {
        erreurs << modBD::DernierMessageOuverture() << Qt::endl;
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
            const Tableau t = Produire(d.rapport, filtres, QFileInfo(d.base).absoluteFilePath());
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

QString TexteVersion() {
    return QStringLiteral("corvandelle-rapports %1\nLicence : GNU GPL version 3 ou ultérieure.\n").arg(QStringLiteral(CORV_VERSION));
}

}  // namespace Rapports
