// The data store: the one connection to BD.mdb, its schema, the lookups by name,
// and the helpers every write goes through. Knows nothing of widgets.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QList>
#include <optional>
#include <stdexcept>

namespace modBD {

// Every failure that the clerk must hear about: the text is French and ready to show.
class ErreurBD : public std::runtime_error {
public:
    explicit ErreurBD(const QString& message);
    QString message() const { return m_message; }
private:
    QString m_message;
};

// Where the program folder is. Defaults to the executable's folder; tests point it elsewhere.
void DefinirDossierProgramme(const QString& dossier);
QString DossierProgramme();
QString CheminBD();  // full path of BD.mdb

// Why the last OuvrirConnexion failed.
enum class EchecOuverture { Aucun, FichierAbsent, FichierInutilisable };
EchecOuverture DernierEchecOuverture();
QString DernierMessageOuverture();  // French, names the file and the reason

// The one connection. Valid (but closed) before OuvrirConnexion.
QSqlDatabase Connexion();
bool OuvrirConnexion();   // never creates nor alters a file; shows nothing
// Opens the given file for reading only (the report tool): same checks and messages, and
// no statement can change the file. Never creates a file.
bool OuvrirConnexionLecture(const QString& chemin);
void FermerConnexion();
bool ConnexionOuverte();
// Changes every time the connection is opened or closed: what is kept in memory about the
// file's content (the order search's folded names) compares it to know it is still that file.
quint64 NumeroConnexion();

// Creates a new database holding the six empty tables. Refuses to touch an existing file.
void CreerBaseVide(const QString& chemin);
QString SchemaSql();
QStringList TablesRequises();

// Runs one statement with bound values; throws ErreurBD with a French message on failure.
QSqlQuery Executer(const QString& sql, const QVariantList& valeurs = {});
// Turns a driver error into the French sentence the clerk reads.
QString MessageErreur(const class QSqlError& erreur);

// All-or-nothing group of writes. Rolls back when destroyed uncommitted.
class Transaction {
public:
    Transaction();
    ~Transaction();
    void Valider();  // commit; throws ErreurBD
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
private:
    bool m_active = false;
};

// Seller display names: an actor's name carries " (C)".
inline const QString kMarqueComedien = QStringLiteral(" (C)");
QString NomAfficheVendeur(const QString& nom, bool comedien);
QString RetirerMarqueComedien(const QString& nomAffiche);

// Lookups by name. Empty text (or nullopt) when nothing matches.
QString ObtenirNoPiece(const QString& nomPiece);
QString ObtenirNoRepresentation(const QString& noPiece, const QString& dateRepresentation);
std::optional<qint16> ObtenirNoVendeur(const QString& nomAffiche);

// Lists as the windows show them.
QStringList ListePieces();                                   // table order
QStringList ListeDatesRepresentations(const QString& noPiece);  // table order
QStringList ListeVendeursAffiches();                         // by name, " (C)" for actors
struct Vendeur {
    QString nom;
    bool comedien = false;
};
QList<Vendeur> ListeVendeurs();                              // table order

namespace detail {
// Called before the connection closes: a copy still reading through it is abandoned first.
void AvantFermetureConnexion();
}  // namespace detail

}  // namespace modBD
