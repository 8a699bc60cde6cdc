#include "ArgumentsProgramme.h"

#include "ReglagesPoste.h"
#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Demonstration.h"

#include <QDate>
#include <QFileInfo>
#include <QWidget>

namespace ArgumentsProgramme {

namespace {
// An option that takes a value ("--nom VALEUR" or "--nom=VALEUR"): false when a is not that
// option; otherwise valeur is read (empty, with erreur set, when missing).
bool OptionAValeur(const QStringList& arguments, qsizetype& i, const QString& nom, const QString& attendu, QString& valeur,
                   QString& erreur) {
    const QString& a = arguments.at(i);
    if (a != nom && !a.startsWith(nom + QLatin1Char('='))) return false;
    valeur.clear();
    if (a == nom) {
        if (i + 1 < arguments.size()) valeur = arguments.at(++i);
    } else {
        valeur = a.mid(nom.size() + 1);
    }
    if (valeur.trimmed().isEmpty()) erreur = QStringLiteral("l'option %1 demande %2.").arg(nom, attendu);
    return true;
}
}  // namespace

bool Analyser(const QStringList& arguments, Options& options, QString& erreur) {
    options = {};
    bool baseDonnee = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        QString valeur;
        if (a == QLatin1String("--version")) {
            options.version = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h") || a == QLatin1String("--aide")) {
            options.aide = true;
        } else if (a == QLatin1String("--demonstration")) {
            options.demonstration = true;
        } else if (OptionAValeur(arguments, i, QStringLiteral("--base"), QStringLiteral("le chemin d'une base de données"), valeur,
                                 erreur)) {
            if (!erreur.isEmpty()) return false;
            if (baseDonnee) {
                erreur = QStringLiteral("l'option --base est donnée deux fois.");
                return false;
            }
            baseDonnee = true;
            options.base = valeur;
        } else if (OptionAValeur(arguments, i, QStringLiteral("--poste"), QStringLiteral("le nom du poste"), valeur, erreur)) {
            if (!erreur.isEmpty()) return false;
            options.poste = valeur.trimmed();
        } else if (a.startsWith(QLatin1Char('-'))) {
            erreur = QStringLiteral("l'option « %1 » est inconnue.").arg(a);
            return false;
        } else {
            erreur = QStringLiteral("l'argument « %1 » n'est pas attendu (pour ouvrir une autre base : --base %1).").arg(a);
            return false;
        }
    }
    if (options.demonstration && baseDonnee) {
        erreur = QStringLiteral("--demonstration et --base ne peuvent pas être donnés ensemble.");
        return false;
    }
    return true;
}

bool Appliquer(const Options& options, QWidget* principale) {
    if (!options.poste.isEmpty()) ReglagesPoste::DefinirNomLigneCommande(options.poste);
    if (!options.base.isEmpty()) {
        modBD::DefinirCheminBD(options.base);
        modBD::IgnorerFichierReglages(true);
        return true;
    }
    if (!options.demonstration) return true;
    const QString dossier = modBD::DossierDemonstration();
    modBD::DefinirDossierProgramme(dossier);
    modBD::IgnorerFichierReglages(true);
    principale->setWindowTitle(QStringLiteral("Corvandelle — démonstration"));
    if (QFileInfo::exists(modBD::CheminBD())) return true;
    try {
        modBD::CreerBaseDemonstration(modBD::CheminBD(), QDate::currentDate());
    } catch (const modBD::ErreurBD& e) {
        Toolkit::MsgBox(principale, e.message(), Toolkit::Boutons::OK, Toolkit::Icone::Critique, QStringLiteral("Démonstration"));
        return false;
    }
    return true;
}

QString TexteAide() {
    return QStringLiteral(
        "Utilisation : corvandelle [OPTION]\n"
        "Billetterie d'une petite troupe de théâtre : commandes, pièces et représentations,\n"
        "vendeurs, billets de chaque vendeur, échanges, rapports.\n"
        "\n"
        "Options :\n"
        "  --base CHEMIN     ouvre la base de données CHEMIN au lieu de la base habituelle\n"
        "                    (ses copies de sauvegarde vont dans le dossier « sauvegardes » à côté).\n"
        "  --poste NOM       le nom de ce poste à la caisse de la soirée (sinon le nom tapé dans\n"
        "                    la caisse, sinon le nom de l'ordinateur).\n"
        "  --demonstration   ouvre une base de démonstration (une saison d'exemple, créée la\n"
        "                    première fois), jamais la base réelle.\n"
        "  --version         affiche la version et se termine.\n"
        "  --help            affiche cette aide et se termine.\n"
        "\n"
        "Base habituelle : BD.mdb dans le dossier du programme ; pour le programme installé\n"
        "(sous /usr), dans $XDG_DATA_HOME/corvandelle (par défaut ~/.local/share/corvandelle).\n"
        "Réglages (base sur un serveur) : corvandelle.ini à côté du programme ; pour le programme\n"
        "installé, $XDG_CONFIG_HOME/corvandelle/corvandelle.ini, sinon /etc/corvandelle/corvandelle.ini.\n"
        "\n"
        "Voir aussi : man corvandelle, et le « Guide de la billetterie » (menu Aide, touche F1).\n");
}

QString TexteVersion() {
    return QStringLiteral("corvandelle %1\nLicence : GNU GPL version 3 ou ultérieure.\n").arg(QStringLiteral(CORV_VERSION));
}

}  // namespace ArgumentsProgramme
