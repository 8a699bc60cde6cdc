#include "ReglagesPoste.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>

namespace ReglagesPoste {

namespace {
QString g_fichier;
QString g_nomLigneCommande;

QSettings Reglages() { return QSettings(Fichier(), QSettings::IniFormat); }

QString CleFond(qint64 noRepresentation, const QString& poste) {
    // A station's name may hold any character: kept as the key's value, not as its path.
    return QStringLiteral("caisse/fonds_%1_%2")
        .arg(noRepresentation)
        .arg(QString::fromLatin1(poste.toUtf8().toHex()));
}
}  // namespace

void DefinirFichier(const QString& chemin) { g_fichier = chemin; }

QString Fichier() {
    if (!g_fichier.isEmpty()) return g_fichier;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath(QStringLiteral("poste.ini"));
}

void DefinirNomLigneCommande(const QString& nom) { g_nomLigneCommande = nom.trimmed(); }
bool NomDeLigneCommande() { return !g_nomLigneCommande.isEmpty(); }

QString NomPoste() {
    if (!g_nomLigneCommande.isEmpty()) return g_nomLigneCommande;
    const QString enregistre = Reglages().value(QStringLiteral("poste/nom")).toString().trimmed();
    if (!enregistre.isEmpty()) return enregistre;
    return QSysInfo::machineHostName();
}

void EnregistrerNomPoste(const QString& nom) { Reglages().setValue(QStringLiteral("poste/nom"), nom.trimmed()); }

QString DernierVendeurPorte() { return Reglages().value(QStringLiteral("porte/vendeur")).toString(); }
void EnregistrerVendeurPorte(const QString& vendeur) { Reglages().setValue(QStringLiteral("porte/vendeur"), vendeur); }

std::optional<qint64> FondCaisse(qint64 noRepresentation, const QString& poste) {
    const QVariant v = Reglages().value(CleFond(noRepresentation, poste));
    bool ok = false;
    const qint64 centimes = v.toLongLong(&ok);
    if (!v.isValid() || !ok) return std::nullopt;
    return centimes;
}

void EnregistrerFondCaisse(qint64 noRepresentation, const QString& poste, qint64 centimes) {
    Reglages().setValue(CleFond(noRepresentation, poste), centimes);
}

void OublierFondCaisse(qint64 noRepresentation, const QString& poste) { Reglages().remove(CleFond(noRepresentation, poste)); }

}  // namespace ReglagesPoste
