#include "modBD_Reglages.h"

#include "modBD.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>

namespace modBD {

namespace {
// A ';' or '#' that starts a line or follows a blank begins a comment, as in the examples
// administrators copy; a value holding one right after a letter keeps it.
QString SansCommentaire(const QString& ligne) {
    for (qsizetype i = 0; i < ligne.size(); ++i) {
        const QChar c = ligne.at(i);
        if ((c == QLatin1Char(';') || c == QLatin1Char('#')) && (i == 0 || ligne.at(i - 1).isSpace()))
            return ligne.left(i);
    }
    return ligne;
}

const QStringList kSslPermis = {QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
                                QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
}  // namespace

namespace {
QString g_fichierImpose;
bool g_ignorer = false;
}  // namespace

void IgnorerFichierReglages(bool ignorer) { g_ignorer = ignorer; }

void DefinirFichierReglages(const QString& chemin) {
    g_fichierImpose = chemin.isEmpty() ? QString() : QFileInfo(chemin).absoluteFilePath();
}

QString CheminReglages() {
    if (!g_fichierImpose.isEmpty()) return g_fichierImpose;
    const QStringList chemins = CheminsReglages();
    for (const QString& chemin : chemins)
        if (QFileInfo::exists(chemin)) return chemin;
    return chemins.first();
}

QString DescriptionServeur(const ParametresServeur& s) {
    const QString hote = s.hote.isEmpty() ? QStringLiteral("localhost") : s.hote;
    return QStringLiteral("« %1 » sur le serveur « %2:%3 »").arg(s.nom, hote).arg(s.port);
}

namespace {
// One "key=value" of the [base] section read into r; the reason it is refused, else empty.
QString LireCle(Reglages& r, const QString& cle, const QString& valeur) {
    if (cle == QLatin1String("moteur")) {
        const QString m = valeur.toLower();
        if (m == QLatin1String("postgresql")) r.moteur = Moteur::PostgreSQL;
        else if (m == QLatin1String("sqlite")) r.moteur = Moteur::SQLite;
        else
            return QStringLiteral("le moteur « %1 » est inconnu : les moteurs possibles sont « sqlite » "
                                  "(le fichier BD.mdb) et « postgresql ».").arg(valeur);
    } else if (cle == QLatin1String("hote")) {
        r.serveur.hote = valeur;
    } else if (cle == QLatin1String("port")) {
        bool ok = false;
        const int port = valeur.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return QStringLiteral("le port « %1 » n'est pas un nombre entre 1 et 65535.").arg(valeur);
        r.serveur.port = port;
    } else if (cle == QLatin1String("nom")) {
        r.serveur.nom = valeur;
    } else if (cle == QLatin1String("utilisateur")) {
        r.serveur.utilisateur = valeur;
    } else if (cle == QLatin1String("ssl")) {
        if (!kSslPermis.contains(valeur))
            return QStringLiteral("« %1 » n'est pas une valeur de ssl : les valeurs possibles sont %2.")
                .arg(valeur, kSslPermis.join(QStringLiteral(", ")));
        r.serveur.ssl = valeur;
    } else if (cle == QLatin1String("motdepasse") || cle == QLatin1String("mot_de_passe") ||
               cle == QLatin1String("password")) {
        return QStringLiteral("aucun mot de passe ne doit être écrit dans ce fichier : retirez cette ligne "
                              "et donnez-le par ~/.pgpass (ou PGPASSFILE, un fichier de service, PGPASSWORD).");
    } else {
        return QStringLiteral("la clé « %1 » est inconnue (clés possibles : moteur, hote, port, nom, "
                              "utilisateur, ssl).").arg(cle);
    }
    return {};
}
}  // namespace

Reglages LireReglages(const QString& chemin) {
    const QString nomFichier = QDir::toNativeSeparators(chemin);
    const auto Refus = [&](int ligne, const QString& raison) {
        if (ligne > 0)
            return ErreurBD(QStringLiteral("Le fichier de réglages « %1 », ligne %2 : %3").arg(nomFichier).arg(ligne).arg(raison));
        return ErreurBD(QStringLiteral("Le fichier de réglages « %1 » : %2").arg(nomFichier, raison));
    };
    QFile f(chemin);
    if (!f.open(QIODevice::ReadOnly))
        throw Refus(0, QStringLiteral("il ne peut pas être lu (%1).").arg(f.errorString()));
    const QByteArray octets = f.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString texte = utf8.decode(octets);
    if (utf8.hasError()) throw Refus(0, QStringLiteral("il n'est pas écrit en UTF-8."));

    Reglages r;
    bool moteurLu = false;
    QString section;
    QSet<QString> vues;
    const QStringList lignes = texte.split(QLatin1Char('\n'));
    for (int i = 0; i < lignes.size(); ++i) {
        const int no = i + 1;
        const QString ligne = SansCommentaire(lignes.at(i)).trimmed();
        if (ligne.isEmpty()) continue;
        if (ligne.startsWith(QLatin1Char('['))) {
            if (!ligne.endsWith(QLatin1Char(']')))
                throw Refus(no, QStringLiteral("« %1 » n'est pas un nom de section valable (il manque « ] »).").arg(ligne));
            section = ligne.mid(1, ligne.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype egal = ligne.indexOf(QLatin1Char('='));
        if (egal <= 0)
            throw Refus(no, QStringLiteral("« %1 » n'est ni une section ni une ligne « clé=valeur ».").arg(ligne));
        if (section != QLatin1String("base")) {
            if (section.isEmpty())
                throw Refus(no, QStringLiteral("la clé « %1 » est hors de toute section : écrivez d'abord [base].")
                                    .arg(ligne.left(egal).trimmed()));
            continue;  // another tool's section
        }
        const QString cle = ligne.left(egal).trimmed().toLower();
        const QString valeur = ligne.mid(egal + 1).trimmed();
        if (vues.contains(cle)) throw Refus(no, QStringLiteral("la clé « %1 » est donnée une deuxième fois.").arg(cle));
        vues.insert(cle);
        if (cle == QLatin1String("moteur")) moteurLu = true;
        if (const QString refus = LireCle(r, cle, valeur); !refus.isEmpty()) throw Refus(no, refus);
    }
    if (!moteurLu) throw Refus(0, QStringLiteral("la section [base] doit donner le moteur (moteur=postgresql ou moteur=sqlite)."));
    if (r.moteur == Moteur::PostgreSQL && r.serveur.nom.isEmpty())
        throw Refus(0, QStringLiteral("le nom de la base (nom=...) manque dans la section [base]."));
    return r;
}

Reglages ReglagesActifs() {
    if (g_ignorer) return {};
    const QString chemin = CheminReglages();
    if (!QFileInfo::exists(chemin)) {
        if (!g_fichierImpose.isEmpty())
            throw ErreurBD(QStringLiteral("Le fichier de réglages « %1 » est introuvable.").arg(QDir::toNativeSeparators(chemin)));
        return {};
    }
    return LireReglages(chemin);
}

}  // namespace modBD
