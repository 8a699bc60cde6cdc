#include "ArgumentsProgramme.h"

#include "Toolkit.h"
#include "modBD.h"
#include "modBD_Demonstration.h"

#include <QDate>
#include <QFileInfo>
#include <QWidget>

namespace ArgumentsProgramme {

bool Analyser(const QStringList& arguments, Options& options, QString& erreur) {
    options = {};
    bool baseDonnee = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments.at(i);
        if (a == QLatin1String("--version")) {
            options.version = true;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h") || a == QLatin1String("--aide")) {
            options.aide = true;
        } else if (a == QLatin1String("--demonstration")) {
            options.demonstration = true;
        } else if (a == QLatin1String("--base") || a.startsWith(QLatin1String("--base="))) {
            QString valeur;
            if (a == QLatin1String("--base")) {
                if (i + 1 >= arguments.size()) {
                    erreur = QStringLiteral("l'option --base demande le chemin d'une base de données.");
                    return false;
                }
                valeur = arguments.at(++i);
            } else {
                valeur = a.mid(7);
            }
            if (baseDonnee) {
                erreur = QStringLiteral("l'option --base est donnée deux fois.");
                return false;
            }
            if (valeur.trimmed().isEmpty()) {
                erreur = QStringLiteral("l'option --base demande le chemin d'une base de données.");
                return false;
            }
            baseDonnee = true;
            options.base = valeur;
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
