#include "CopieSortie.h"

#include "Toolkit.h"
#include "modBD.h"
#include "modBD_CopieSortie.h"
#include "modBD_Sauvegarde.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>

namespace CopieSortie {

bool Faire(bool masquerFenetres) {
    if (!modBD::CopiesPossibles() || !modBD::ConnexionOuverte() || !modBD::BaseChangeeDepuisDerniereCopie()) return false;
    // The box shown and closed here must not end what is left of the run before the copy is done.
    QApplication::setQuitOnLastWindowClosed(false);
    if (masquerFenetres)
        for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    // A copy still running (the day's first) holds less than this one will: it gives way.
    modBD::InterrompreCopies();
    const QDateTime maintenant = QDateTime::currentDateTime();
    QDir().mkpath(modBD::DossierSauvegardes());
    modBD::NettoyerCopiesInterrompues(modBD::DossierSauvegardes());
    modBD::CopieBD copie(modBD::CheminCopieSortie(maintenant), false);
    bool reussie = false;
    QString message;
    QEventLoop boucle;
    QObject::connect(&copie, &modBD::CopieBD::Terminee, &boucle, [&](bool r, const QString& m) {
        reussie = r;
        message = m;
        boucle.quit();
    });
    QProgressDialog progression(QStringLiteral("Copie de sauvegarde des ventes avant de quitter…"), QString(), 0, 0);
    progression.setObjectName(QStringLiteral("dlgCopieSortie"));
    progression.setWindowTitle(Toolkit::kTitreApplication);
    progression.setCancelButton(nullptr);  // leaving it half-made would help no one
    progression.setMinimumDuration(0);
    progression.setAutoClose(false);
    progression.setAutoReset(false);
    progression.hide();
    QTimer::singleShot(kDelaiProgressionMs, &progression, [&progression] { progression.show(); });
    copie.Demarrer();
    boucle.exec();
    progression.hide();
    if (!reussie) {
        Toolkit::MsgBox(nullptr,
                        message + QStringLiteral("\n\nRien n'est perdu : les ventes sont dans la base de données. Faites une "
                                                 "copie à la prochaine ouverture (Fichier > Sauvegarder une copie…)."),
                        Toolkit::Boutons::OK, Toolkit::Icone::Exclamation, QStringLiteral("Copie de fin de séance"));
        return false;
    }
    modBD::NoterCopieSortie(copie.CheminFinal(), copie.MomentDonnees());
    return true;
}

}  // namespace CopieSortie
