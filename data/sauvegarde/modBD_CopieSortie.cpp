#include "modBD_CopieSortie.h"

#include "modBD.h"
#include "modBD_Sauvegarde.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace modBD {

namespace {
const QString kMarqueSortie = QStringLiteral("\tsortie");
}

bool BaseChangeeDepuisDerniereCopie() {
    const QDir dossier(DossierSauvegardes());
    const QStringList copies = CopiesAutomatiques(dossier.path());
    if (copies.isEmpty()) return true;
    const QString note = NoteCopie(dossier.path(), copies.first());
    QDateTime moment = QDateTime::fromString(note.section(QLatin1Char('\t'), 0, 0), Qt::ISODateWithMs);
    if (!moment.isValid()) moment = QFileInfo(dossier.filePath(copies.first())).lastModified();
    const QFileInfo base(CheminBD());
    if (!base.exists()) return false;  // nothing to copy
    return base.lastModified() > moment.addMSecs(-kMargeMomentCopieMs);
}

QString CheminCopieSortie(const QDateTime& maintenant) {
    return QDir(DossierSauvegardes()).filePath(NomCopieAutomatique(maintenant));
}

QStringList CopiesSortie(const QString& dossier) {
    QStringList sorties;
    for (const QString& nom : CopiesAutomatiques(dossier))
        if (NoteCopie(dossier, nom).endsWith(kMarqueSortie)) sorties << nom;
    return sorties;
}

void NoterCopieSortie(const QString& cheminFinal, const QDateTime& momentDonnees) {
    const QString dossier = QFileInfo(cheminFinal).absolutePath();
    const QString nom = QFileInfo(cheminFinal).fileName();
    const std::optional<QDateTime> moment = MomentCopieAutomatique(nom);
    // Only now that the new copy is checked may that day's earlier exit copy go.
    for (const QString& autre : CopiesSortie(dossier)) {
        const std::optional<QDateTime> m = MomentCopieAutomatique(autre);
        if (autre != nom && moment && m && m->date() == moment->date()) QFile::remove(QDir(dossier).filePath(autre));
    }
    NoterCopie(dossier, nom, NoteMomentDonnees(momentDonnees, true));
    SupprimerAnciennesCopies(dossier, nom);
}

}  // namespace modBD
