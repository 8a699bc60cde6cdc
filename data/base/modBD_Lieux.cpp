// Where the program's files live: its folder, BD.mdb, the settings files, the copies.
#include "modBD.h"
#include "modBD_Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace modBD {

namespace {
detail::Lieux& LieuxActifs() { return detail::SessionActive().lieux; }

QString DossierDonneesUtilisateur() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(QStringLiteral("corvandelle"));
}

QString DossierExecutable() {
    const QString& dossier = LieuxActifs().dossierExecutable;
    return dossier.isEmpty() ? QCoreApplication::applicationDirPath() : dossier;
}
}  // namespace

void DefinirDossierProgramme(const QString& dossier) { LieuxActifs().dossier = dossier; }

void DefinirCheminBD(const QString& chemin) {
    LieuxActifs().cheminBDImpose = chemin.isEmpty() ? QString() : QFileInfo(chemin).absoluteFilePath();
}

void DefinirDossierExecutable(const QString& dossier) { LieuxActifs().dossierExecutable = dossier; }
void DefinirDossierReglagesSysteme(const QString& dossier) { LieuxActifs().dossierReglagesSysteme = dossier; }

bool EstDossierInstalle(const QString& dossierExecutable) {
    const QString dossier = QDir::cleanPath(QFileInfo(dossierExecutable).absoluteFilePath());
    return dossier.startsWith(QLatin1String("/usr/"));
}

bool ProgrammeInstalle() { return EstDossierInstalle(DossierExecutable()); }

QString DossierProgramme() {
    const detail::Lieux& lieux = LieuxActifs();
    if (!lieux.dossier.isEmpty()) return lieux.dossier;
    if (!lieux.cheminBDImpose.isEmpty()) return QFileInfo(lieux.cheminBDImpose).absolutePath();
    if (ProgrammeInstalle()) return DossierDonneesUtilisateur();
    return DossierExecutable();
}

QString CheminBD() {
    const detail::Lieux& lieux = LieuxActifs();
    if (lieux.dossier.isEmpty() && !lieux.cheminBDImpose.isEmpty()) return lieux.cheminBDImpose;
    return QDir(DossierProgramme()).filePath(QStringLiteral("BD.mdb"));
}

QStringList CheminsReglages() {
    const QString nom = QStringLiteral("corvandelle.ini");
    const detail::Lieux& lieux = LieuxActifs();
    if (!lieux.dossier.isEmpty() || !ProgrammeInstalle()) return {QDir(DossierProgramme()).filePath(nom)};
    const QString utilisateur = QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
                                    .filePath(QStringLiteral("corvandelle/") + nom);
    const QString systeme =
        lieux.dossierReglagesSysteme.isEmpty() ? QStringLiteral("/etc/corvandelle") : lieux.dossierReglagesSysteme;
    return {utilisateur, QDir(systeme).filePath(nom)};
}

bool MemeFichier(const QString& a, const QString& b) {
    const QFileInfo premier(a), second(b);
    if (premier.absoluteFilePath() == second.absoluteFilePath()) return true;
    return premier.exists() && second.exists() && premier.canonicalFilePath() == second.canonicalFilePath();
}

QString DossierSauvegardes() { return QDir(DossierProgramme()).filePath(QStringLiteral("sauvegardes")); }

QString CheminMarqueRestauration(const QString& cheminBase) { return cheminBase + QStringLiteral(".restauration"); }

QString BasePourAutreProgramme() {
    // A server base is reached through the settings file; a file base is the file itself.
    return detail::PiloteActif().CopiesFichierPossibles() ? CheminBD() : CheminReglages();
}

QString BaseDuDossierProgramme() {
    // The settings where the program reads them (beside it, or for an installed program the
    // user's and then the site-wide ones), else its BD.mdb.
    const QString reglages = CheminReglages();
    return QFileInfo::exists(reglages) ? reglages : CheminBD();
}

}  // namespace modBD
