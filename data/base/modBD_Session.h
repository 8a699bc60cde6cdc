// The one connection's state, shared by the files of the store's core (never by the wings
// above: they see modBD.h only). One struct, so that what is known of the connection is
// forgotten in one place when it is closed or replaced.
#pragma once

#include "modBD.h"
#include "modBD_Moteur.h"

#include <QSet>
#include <QSqlError>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include <sys/types.h>

namespace modBD::detail {

inline const QString kNomConnexion = QStringLiteral("Connexion");

// The file the connection was opened on. SQLite keeps writing to a file that was deleted or
// replaced behind its back, and those writes would vanish: every statement checks first.
struct IdentiteFichier {
    dev_t appareil = 0;
    ino_t noeud = 0;
    bool connue = false;
};

// Where the files live; tests point them elsewhere.
struct Lieux {
    QString dossier;  // empty: the executable's folder
    QString cheminBDImpose;
    QString dossierExecutable;
    QString dossierReglagesSysteme;
};

struct Session {
    Lieux lieux;
    Moteur moteur = Moteur::SQLite;
    ParametresServeur serveur;
    // Changes every time the connection is opened or closed (see NumeroConnexion).
    quint64 numeroConnexion = 0;
    // The server connection broke: the next statement outside a transaction reconnects first.
    bool perdue = false;
    // The program opened a server connection and has not closed it on purpose: whatever closed
    // or broke it since (a statement of Qt's own, a failed reconnection), the next unit of work
    // reopens it.
    bool voulue = false;
    // The server session was opened for reading only (the report tool); a reconnection keeps it so.
    bool lectureSeule = false;
    bool enTransaction = false;
    // A statement failed inside the open transaction: PostgreSQL would answer its COMMIT with a
    // silent rollback, which must never read as success.
    bool transactionEchouee = false;
    int reprises = 0;
    // The file the connection is on, how it was opened, and which file that was.
    QString cheminOuvert;
    const char* modeOuvert = "rw";
    IdentiteFichier identite;
    // A restore of this program works on the connection from another thread: nothing else may use it.
    bool restaurationEnCours = false;
    // What the clerk is told once after the file was replaced under the connection.
    QString avisRemplacement;
    // Bumped when another station or program is known to have committed (see VersionChangementsAilleurs).
    quint64 versionAilleurs = 0;
    qint64 marqueAilleurs = -1;  // the engine's own marker (see Pilote::ChangeAilleurs)
    quint64 marqueAilleursConnexion = 0;
    // Tokens whose commit answer was lost while the server stayed away.
    QSet<QString> jetonsEnSuspens;
    // The connection number on which JetonOperation was last seen (0: not seen).
    quint64 jetonsVusSur = 0;
    // What the wings above registered to run before the connection closes.
    std::vector<std::function<void()>> avantFermeture;
    std::function<bool()> pendantAttente;
};

// The program's one session.
Session& SessionActive();

// Shared by the core's files.
void AvantFermetureAppelee();
QString MessageConnexionPerdue();
QString RaisonConnexionServeur(const QSqlError& erreur, const ParametresServeur& serveur);
void ConfigurerServeur(QSqlDatabase& db, const ParametresServeur& s);
void Reconnecter();
// The server session is gone (closed under a reconnection): what the journal kept of it is dropped.
void SessionTerminee();
// SQLite keeps writing to a file that was deleted or replaced behind its back: every
// statement checks first (a no-op unless the base is a file).
void VerifierFichierInchange(bool lecture);
// A statement that failed because the file was being replaced (a restore renaming a copy over
// it) is told as such: the text of a replaced base, not of an unreadable file. Empty otherwise.
std::optional<ErreurBD> ErreurFichierRemplace();
QString UriFichier(const QString& chemin, const char* mode);
// The server answers lock waits and long statements with an error instead of a frozen window.
void ConfigurerSession(QSqlDatabase& db, bool lecture);
// Turns a failed statement into the clerk's message, noting a lost server connection.
ErreurBD ErreurDe(const QSqlDatabase& db, const QSqlError& erreur);
// The statements of a schema text, comments left out; the part that makes a new base.
QStringList InstructionsSchema(const QString& schema);
QString PartieCreation(const QString& schema);

}  // namespace modBD::detail
