// What differs between the two engines, in one place. The rest of modBD asks the active
// driver what to do (how to begin a unit of work, how a new row gets its number, what an
// error means, whether the link is gone, how to notice other stations' commits, which
// schema text to run) and never which engine runs. Internal to the data store.
#pragma once

#include "modBD.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariantList>
#include <functional>

namespace modBD::detail {

// What the order search keeps to learn later whether the orders may have changed.
struct MarqueChangements {
    qint64 a = -1;
    qint64 b = -1;
};
enum class Changement { Aucun, Ajouts, Inconnu };

class Pilote {
public:
    virtual ~Pilote() = default;
    // Qt's driver name.
    virtual QString NomPiloteQt() const = 0;
    // The statement that opens a unit of work.
    virtual QString DebutTransaction() const = 0;
    // The statement that, run first in a unit of work, keeps every other station from adding
    // to table until the unit ends (empty when DebutTransaction already does it).
    virtual QString ReserverAjouts(const QString& table) const = 0;
    // Runs an INSERT through Executer and returns the number the base gave the new row.
    virtual qint64 InsererEtObtenirNumero(const QString& sql, const QVariantList& valeurs, const QString& colonne) const = 0;
    // The French sentence the clerk reads for a driver error.
    virtual QString MessageErreur(const QSqlError& erreur) const = 0;
    // What kind of failure a statement met on db.
    virtual NatureErreur NatureDe(const QSqlDatabase& db, const QSqlError& erreur) const = 0;
    // A statement without values is sent as it is, not prepared.
    virtual bool SansPreparation() const = 0;
    // The schema text that creates the program's tables on this engine.
    virtual QString Schema() const = 0;
    // The statement that, run first in a unit of work that creates tables, makes every other
    // station creating tables wait until the unit ends (empty when the engine already does).
    virtual QString ReserverSchema() const = 0;
    // The statement listing the base's tables (one name per row).
    virtual QString RequeteTables() const = 0;
    // Whether the base is a file the program can copy and restore itself.
    virtual bool CopiesFichierPossibles() const = 0;
    // How the base is named to the clerk.
    virtual QString DescriptionBase(const QString& cheminFichier, const ParametresServeur& serveur) const = 0;
    // After a failed opening: what the clerk is told was left untouched.
    virtual QString RienModifie() const = 0;
    // Change markers for the order search.
    virtual MarqueChangements LireMarque() const = 0;
    virtual Changement Comparer(const MarqueChangements& avant, const MarqueChangements& apres) const = 0;
    // Tells the other stations, at commit, that a list the windows show changed.
    virtual void SignalerListes(const QSqlDatabase& db) const = 0;
    // True when another station or program committed since marque was read (-1: never); updates marque.
    virtual bool ChangeAilleurs(const QSqlDatabase& db, qint64& marque) const = 0;
    // Commits the unit: by commit() (Executer's COMMIT), or by the engine's own means, then
    // echec() with the error if it failed. annulee tells whether it had to be cancelled for
    // taking too long.
    virtual void Valider(const QSqlDatabase& db, const std::function<void()>& commit,
                         const std::function<void(const QSqlError&)>& echec, bool& annulee) const = 0;
    // A read the clerk may abandon while the server runs it: runs the heavy part without
    // blocking (the hook set by DefinirPendantAttente runs meanwhile and may abandon it), then
    // returns the statement that hands the rows over. Empty: not possible here, read as usual.
    // echec() gets the error; annulee tells whether the read was abandoned.
    virtual QString LireEnDeuxTemps(const QSqlDatabase& db, const QString& sql, const QVariantList& valeurs,
                                    const std::function<void(const QSqlError&)>& echec, bool& annulee) const = 0;
};

// The channel on which a station tells the others that a list changed.
inline const QString kCanalListes = QStringLiteral("corvandelle_listes");
// The longest a commit's answer is awaited before the commit is cancelled from the client.
inline constexpr int kAttenteValidationMs = 10000;
// How often, during that wait, the program's hook runs (see DefinirPendantAttente).
inline constexpr int kPasAttenteMs = 50;
// Runs the hook set by DefinirPendantAttente, if any: true when it asks to abandon a read.
bool PendantAttente();
// Whether a hook is set.
bool AttenteSuivie();

const Pilote& PiloteDe(Moteur moteur);
// The driver of the base the connection is (or was last) opened on.
const Pilote& PiloteActif();

// The French reason for an SQLite result code where a statement and a file copy fail alike
// (another program holds the file, the file is no usable database); empty for other codes.
QString RaisonCommuneSqlite(int code);

// libpq's own word on a server connection: true when the link is gone.
bool LiaisonRompue(const QSqlDatabase& db);

}  // namespace modBD::detail
