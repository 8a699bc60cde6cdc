// The schema: the six tables a base must hold, creating a new base (a file, or the tables on
// a server), and the one way the program's other tables are found and made on first use.
#include "modBD.h"
#include "modBD_Session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>

namespace modBD {

namespace detail {
QStringList InstructionsSchema(const QString& schema) {
    QStringList lignes;
    for (const QString& ligne : schema.split(QLatin1Char('\n'))) {
        const qsizetype commentaire = ligne.indexOf(QStringLiteral("--"));
        lignes << (commentaire >= 0 ? ligne.left(commentaire) : ligne);
    }
    QStringList instructions;
    for (const QString& instr : lignes.join(QLatin1Char('\n')).split(QLatin1Char(';'))) {
        if (!instr.trimmed().isEmpty()) instructions << instr.trimmed();
    }
    return instructions;
}

// The part of a schema text that makes a new base: the six tables, their indexes, and the
// tables written above the line that marks those made on first use.
QString PartieCreation(const QString& schema) {
    const qsizetype marque = schema.indexOf(QStringLiteral("-- ON DEMAND:"));
    return marque < 0 ? schema : schema.left(marque);
}
}  // namespace detail

QStringList TablesRequises() {
    return {QStringLiteral("Vendeur"), QStringLiteral("Piece"), QStringLiteral("Representation"),
            QStringLiteral("InfoClientReservation"), QStringLiteral("InfoReservation"),
            QStringLiteral("InventaireBillets")};
}

QString SchemaSql() { return detail::PiloteDe(Moteur::SQLite).Schema(); }

QStringList TablesPresentes() {
    // The server folds unquoted names to lower case: compare without case, answer in the program's spelling.
    QSqlQuery q = Executer(detail::PiloteActif().RequeteTables());
    QSet<QString> noms;
    while (q.next()) noms.insert(q.value(0).toString().toLower());
    QStringList presentes;
    for (const QString& t : TablesRequises())
        if (noms.contains(t.toLower())) presentes << t;
    return presentes;
}

namespace {
// Another station may have made it a moment ago.
QString SiAbsente(const QString& instruction) {
    static const QRegularExpression sansCondition(
        QStringLiteral("^(CREATE\\s+(?:UNIQUE\\s+)?(?:TABLE|INDEX))\\s+(?!IF\\s+NOT\\s+EXISTS\\b)"),
        QRegularExpression::CaseInsensitiveOption);
    return QString(instruction).replace(sansCondition, QStringLiteral("\\1 IF NOT EXISTS "));
}

// Whether the base on db holds every table of the program already.
bool TablesToutesPresentes(QSqlQuery& q, const detail::Pilote& pilote) {
    if (!q.exec(pilote.RequeteTables())) return false;
    QSet<QString> noms;
    while (q.next()) noms.insert(q.value(0).toString().toLower());
    for (const QString& t : TablesRequises())
        if (!noms.contains(t.toLower())) return false;
    return true;
}

// The schema's statements in one transaction on a connection of its own; empty when all
// went through (or another station had made every table meanwhile), else the failed
// statement's error.
std::optional<QSqlError> ExecuterSchema(QSqlDatabase& db, Moteur moteur) {
    QSqlQuery q(db);
    const detail::Pilote& pilote = detail::PiloteDe(moteur);
    bool ok = q.exec(QStringLiteral("BEGIN"));
    if (ok && !pilote.ReserverSchema().isEmpty()) ok = q.exec(pilote.ReserverSchema());
    // Another station may have made them all while this one waited. Only some of them is
    // another program's base: the statements below refuse it whole.
    const bool dejaFaites = ok && TablesToutesPresentes(q, pilote);
    if (!dejaFaites)
        for (const QString& instr : detail::InstructionsSchema(detail::PartieCreation(pilote.Schema()))) {
            if (!ok) break;
            ok = q.exec(instr);
        }
    if (ok) ok = q.exec(dejaFaites ? QStringLiteral("ROLLBACK") : QStringLiteral("COMMIT"));
    std::optional<QSqlError> erreur;
    if (!ok) {
        erreur = q.lastError();
        q.exec(QStringLiteral("ROLLBACK"));
    }
    q.finish();
    return erreur;
}

QString RaisonCreationServeur(const QSqlError& e, const ParametresServeur& serveur) {
    if (e.nativeErrorCode() == QLatin1String("42501"))
        return QStringLiteral("l'utilisateur « %1 » n'a pas le droit de créer des tables dans cette base. "
                              "Demandez à l'administrateur du serveur de les créer (voir le README).")
            .arg(serveur.utilisateur.isEmpty() ? QStringLiteral("par défaut") : serveur.utilisateur);
    return QStringLiteral("erreur du serveur (%1).").arg(e.databaseText().trimmed());
}
}  // namespace

void CreerTablesServeur() {
    const Reglages r = ReglagesActifs();
    if (r.moteur != Moteur::PostgreSQL)
        throw ErreurBD(QStringLiteral("Aucun serveur n'est choisi dans « %1 ».").arg(QDir::toNativeSeparators(CheminReglages())));
    const QString nom = QStringLiteral("Creation-serveur");
    QString erreur;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), nom);
        detail::ConfigurerServeur(db, r.serveur);
        if (!db.open()) {
            erreur = detail::RaisonConnexionServeur(db.lastError(), r.serveur);
        } else {
            // The server's DDL is transactional: all six tables, or none.
            if (const std::optional<QSqlError> e = ExecuterSchema(db, Moteur::PostgreSQL))
                erreur = RaisonCreationServeur(*e, r.serveur);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(nom);
    if (!erreur.isEmpty())
        throw ErreurBD(QStringLiteral("Les tables n'ont pas pu être créées dans la base de données %1 : %2 Rien n'a été créé.")
                           .arg(DescriptionServeur(r.serveur), erreur));
}

void CreerBaseVide(const QString& chemin) {
    if (QFileInfo::exists(chemin))
        throw ErreurBD(QStringLiteral("Le fichier « %1 » existe déjà : il n'a pas été remplacé.").arg(QDir::toNativeSeparators(chemin)));
    const QString nom = QStringLiteral("Creation-%1").arg(reinterpret_cast<quintptr>(&chemin));
    QString erreur;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        db.setDatabaseName(detail::UriFichier(chemin, "rwc"));
        const detail::Pilote& fichier = detail::PiloteDe(Moteur::SQLite);
        if (!db.open()) {
            erreur = fichier.MessageErreur(db.lastError());
        } else {
            if (const std::optional<QSqlError> e = ExecuterSchema(db, Moteur::SQLite)) erreur = fichier.MessageErreur(*e);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(nom);
    if (!erreur.isEmpty()) {
        QFile::remove(chemin);  // never leave a half-made database behind
        throw ErreurBD(QStringLiteral("La base de données « %1 » n'a pas pu être créée : %2")
                           .arg(QDir::toNativeSeparators(chemin), erreur));
    }
}

bool TablePresente(const QString& table) {
    if (!ConnexionOuverte()) return false;
    // Through Executer, not the driver's own catalogue call: a server connection lost or
    // restarted meanwhile is then noticed (and reopened) as for any other statement. The
    // server keeps unquoted names in lower case.
    QSqlQuery q = Executer(detail::PiloteActif().RequeteTables());
    while (q.next())
        if (q.value(0).toString().compare(table, Qt::CaseInsensitive) == 0) return true;
    return false;
}

namespace {
// The statements that make a table of the program and its indexes, in the schema text of
// the engine in use: the table first, then its indexes, whatever the order of the text.
QStringList InstructionsTable(const QString& table) {
    static const QRegularExpression cible(
        QStringLiteral("^CREATE\\s+(?:UNIQUE\\s+)?(TABLE|INDEX)\\s+(?:IF\\s+NOT\\s+EXISTS\\s+)?(\\w+)(?:\\s+ON\\s+(\\w+))?"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList instructions;
    bool tableTrouvee = false;
    for (const QString& instr : detail::InstructionsSchema(detail::PiloteActif().Schema())) {
        const QRegularExpressionMatch m = cible.match(instr);
        if (!m.hasMatch()) continue;
        const bool estTable = m.captured(1).compare(QLatin1String("TABLE"), Qt::CaseInsensitive) == 0;
        if ((estTable ? m.captured(2) : m.captured(3)).compare(table, Qt::CaseInsensitive) != 0) continue;
        if (estTable) {
            instructions.prepend(instr);
            tableTrouvee = true;
        } else {
            instructions << instr;
        }
    }
    if (!tableTrouvee || TablesRequises().contains(table, Qt::CaseInsensitive))
        throw ErreurBD(QStringLiteral("Opération impossible : la table « %1 » est inconnue du programme (erreur du "
                                      "programme). Rien n'a été enregistré.").arg(table));
    return instructions;
}

}  // namespace

void AssurerTable(const QString& table) {
    // Only when missing: a server refuses even CREATE TABLE IF NOT EXISTS to an account
    // without the right to create tables, which the clerks' account need not have.
    if (TablePresente(table)) return;
    // Outside a unit of work the server would keep a table without its indexes after a failure.
    if (!detail::SessionActive().enTransaction)
        throw ErreurBD(QStringLiteral("Opération impossible : la table « %1 » ne peut être créée qu'au cours d'un "
                                      "enregistrement (erreur du programme). Rien n'a été enregistré.").arg(table));
    const QStringList instructions = InstructionsTable(table);
    try {
        if (const QString reserve = detail::PiloteActif().ReserverSchema(); !reserve.isEmpty()) Executer(reserve);
        for (const QString& instr : instructions) Executer(SiAbsente(instr));
    } catch (const ErreurBD& e) {
        // A base that is no file lives on a server, where tables are the administrator's.
        if (detail::PiloteActif().CopiesFichierPossibles() || e.nature() == NatureErreur::ConnexionPerdue ||
            e.nature() == NatureErreur::Conflit)
            throw;
        throw ErreurBD(QStringLiteral("La table %1 n'existe pas sur le serveur et ce compte ne peut pas la créer : "
                                      "rien n'a été enregistré. Demandez à l'administrateur du serveur d'exécuter :\n\n%2;\n\n(%3)")
                           .arg(table, instructions.join(QStringLiteral(";\n")), e.message()));
    }
}

QString ConditionNonAnnulee(const QString& colonneNoClient) {
    static const QRegularExpression identifiant(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\.[A-Za-z_][A-Za-z0-9_]*)?$"));
    if (!identifiant.match(colonneNoClient).hasMatch())
        throw ErreurBD(QStringLiteral("Nom de colonne invalide dans une requête : « %1 ».").arg(colonneNoClient));
    if (!TablePresente(kTableAnnulations)) return QStringLiteral("1 = 1");
    return QStringLiteral("NOT EXISTS (SELECT 1 FROM AnnulationCommande WHERE AnnulationCommande.NoClient = %1)")
        .arg(colonneNoClient);
}

}  // namespace modBD
