#include "modBD_Moteur.h"

#include "schema_sql.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

#include <libpq-fe.h>

#include <poll.h>

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace modBD::detail {

namespace {
PGconn* PoigneeServeur(const QSqlDatabase& db) {
    if (!db.isValid() || !db.driver()) return nullptr;
    const QVariant v = db.driver()->handle();
    // Qt registers the handle under libpq's struct name.
    if (!v.isValid() || (qstrcmp(v.typeName(), "PGconn*") != 0 && qstrcmp(v.typeName(), "pg_conn*") != 0)) return nullptr;
    return *static_cast<PGconn* const*>(v.constData());
}

// A live connection ready for a statement sent by the program itself: results Qt's driver
// left unread are dropped first, as the driver does before each statement.
bool Libre(PGconn* conn) {
    if (!conn || PQstatus(conn) != CONNECTION_OK) return false;
    while (PGresult* reste = PQgetResult(conn)) PQclear(reste);
    return true;
}

// Waits for the answer to the statement sent on conn. Once it has waited kPasAttenteMs, the
// program's hook runs at each step; annuler(abandon demandé) says when to cancel the statement
// (once). Returns its error, if any.
std::optional<QSqlError> Attendre(PGconn* conn, const std::function<bool(bool)>& annuler, bool& annulee) {
    const auto debut = std::chrono::steady_clock::now();
    while (PQconsumeInput(conn) && PQisBusy(conn)) {
        pollfd attente{PQsocket(conn), POLLIN, 0};
        ::poll(&attente, 1, kPasAttenteMs);
        if (!PQconsumeInput(conn) || !PQisBusy(conn)) break;
        const bool abandon =
            std::chrono::steady_clock::now() - debut >= std::chrono::milliseconds(kPasAttenteMs) && PendantAttente();
        if (!annulee && annuler(abandon)) {
            if (PGcancel* annulation = PQgetCancel(conn)) {
                char tampon[256];
                PQcancel(annulation, tampon, sizeof tampon);
                PQfreeCancel(annulation);
            }
            annulee = true;
        }
    }
    // A lost session ends the loop too: its result says so.
    std::optional<QSqlError> erreur;
    while (PGresult* r = PQgetResult(conn)) {
        if (PQresultStatus(r) != PGRES_COMMAND_OK && !erreur) {
            const char* etat = PQresultErrorField(r, PG_DIAG_SQLSTATE);
            erreur = QSqlError(QStringLiteral("QPSQL"), QString::fromUtf8(PQresultErrorMessage(r)).trimmed(),
                               QSqlError::StatementError, etat ? QString::fromLatin1(etat) : QString());
        }
        PQclear(r);
    }
    if (!erreur && PQstatus(conn) != CONNECTION_OK)
        erreur = QSqlError(QStringLiteral("QPSQL"), QString::fromUtf8(PQerrorMessage(conn)).trimmed(),
                           QSqlError::ConnectionError);
    return erreur;
}

// Qt's "?" placeholders as the server's $1, $2, … (none inside quotes).
QString ParametresNumerotes(const QString& sql) {
    QString resultat;
    QChar guillemet;
    int n = 0;
    for (const QChar c : sql) {
        if (!guillemet.isNull()) {
            if (c == guillemet) guillemet = QChar();
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            guillemet = c;
        } else if (c == QLatin1Char('?')) {
            resultat += QLatin1Char('$') + QString::number(++n);
            continue;
        }
        resultat += c;
    }
    return resultat;
}

}  // namespace

bool LiaisonRompue(const QSqlDatabase& db) {
    if (!db.isValid() || !db.driver() || db.driverName() != QLatin1String("QPSQL")) return false;
    if (!db.isOpen()) return true;  // the driver closes it itself on some losses
    PGconn* conn = PoigneeServeur(db);
    return conn == nullptr || PQstatus(conn) == CONNECTION_BAD;
}

QString RaisonCommuneSqlite(int code) {
    switch (code & 0xff) {
    case 5:   // SQLITE_BUSY
    case 6:   // SQLITE_LOCKED
        return QStringLiteral("la base de données est occupée par un autre programme (un autre poste ou l'outil de "
                              "rapports). Réessayez dans un moment.");
    case 11:  // SQLITE_CORRUPT
    case 26:  // SQLITE_NOTADB
        return QStringLiteral("le fichier n'est pas une base de données utilisable (fichier endommagé ou d'un autre "
                              "programme).");
    default:
        return {};
    }
}

namespace {

QString DetailErreur(const QSqlError& erreur) {
    return erreur.databaseText().trimmed().isEmpty() ? erreur.text().trimmed() : erreur.databaseText().trimmed();
}

class PiloteFichier final : public Pilote {
public:
    QString NomPiloteQt() const override { return QStringLiteral("QSQLITE"); }
    // IMMEDIATE takes the write lock at once, so a locked file fails before anything is written.
    QString DebutTransaction() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    // BEGIN IMMEDIATE already holds the file's only write lock.
    QString ReserverAjouts(const QString&) const override { return {}; }

    qint64 InsererEtObtenirNumero(const QString& sql, const QVariantList& valeurs, const QString&) const override {
        QSqlQuery q = Executer(sql, valeurs);
        const QVariant no = q.lastInsertId();
        if (!no.isValid()) throw ErreurBD(QStringLiteral("La base de données n'a pas donné de numéro à la nouvelle ligne."));
        return no.toLongLong();
    }

    QString MessageErreur(const QSqlError& erreur) const override {
        bool ok = false;
        const int code = erreur.nativeErrorCode().toInt(&ok) & 0xff;
        const QString detailTexte = erreur.databaseText().isEmpty() ? erreur.text() : erreur.databaseText();
        if (!ok) return QStringLiteral("erreur de la base de données (%1).").arg(detailTexte);
        if (const QString commune = RaisonCommuneSqlite(code); !commune.isEmpty()) return commune;
        switch (code) {
        case 8:   // SQLITE_READONLY
            return QStringLiteral("la base de données est en lecture seule : rien ne peut y être enregistré. "
                                  "Vérifiez les droits sur le fichier BD.mdb.");
        case 13:  // SQLITE_FULL
            // The copies are what the clerk can delete to make room.
            return QStringLiteral("le disque est plein : rien ne peut être enregistré. De la place peut être libérée en "
                                  "supprimant d'anciennes copies du dossier « %1 ».")
                .arg(QDir::toNativeSeparators(DossierSauvegardes()));
        case 10:  // SQLITE_IOERR
        case 14:  // SQLITE_CANTOPEN
        case 23:  // SQLITE_AUTH
            return QStringLiteral("le fichier BD.mdb ne peut pas être lu ou écrit (déplacé, supprimé ou sans autorisation).");
        case 19:  // SQLITE_CONSTRAINT
            return QStringLiteral("la base de données a refusé une valeur hors des limites permises (%1).").arg(detailTexte);
        default:
            return QStringLiteral("erreur de la base de données (%1).").arg(detailTexte);
        }
    }

    NatureErreur NatureDe(const QSqlDatabase&, const QSqlError& erreur) const override {
        bool ok = false;
        const int code = erreur.nativeErrorCode().toInt(&ok) & 0xff;
        if (!ok) return NatureErreur::Ordinaire;
        switch (code) {
        case 13:  // SQLITE_FULL
            return NatureErreur::DisquePlein;
        case 5: case 6: case 8: case 10: case 11: case 14: case 23: case 26:
            return NatureErreur::BaseIndisponible;  // the file could not take the write
        default:
            return NatureErreur::Ordinaire;
        }
    }
    bool SansPreparation() const override { return false; }
    QString Schema() const override { return QString::fromUtf8(kSchemaSql); }
    // The file's first write already locks it for the others.
    QString ReserverSchema() const override { return {}; }
    QString RequeteTables() const override { return QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"); }
    bool CopiesFichierPossibles() const override { return true; }

    QString DescriptionBase(const QString& cheminFichier, const ParametresServeur&) const override {
        return QStringLiteral("« %1 »").arg(QDir::toNativeSeparators(cheminFichier));
    }
    QString RienModifie() const override { return QStringLiteral("Le fichier n'a pas été modifié."); }

    MarqueChangements LireMarque() const override {
        // data_version moves when another connection commits; total_changes() counts this
        // connection's own inserts, updates and deletes.
        MarqueChangements m;
        QSqlQuery v = Executer(QStringLiteral("PRAGMA data_version"));
        if (v.next()) m.a = v.value(0).toLongLong();
        QSqlQuery t = Executer(QStringLiteral("SELECT total_changes()"));
        if (t.next()) m.b = t.value(0).toLongLong();
        return m;
    }
    void SignalerListes(const QSqlDatabase&) const override {}  // the others read data_version
    bool ChangeAilleurs(const QSqlDatabase& db, qint64& marque) const override {
        // Changes only when another connection commits to the file.
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("PRAGMA data_version")) || !q.next()) return false;
        const qint64 v = q.value(0).toLongLong();
        const bool change = marque >= 0 && v != marque;
        marque = v;
        return change;
    }
    void Valider(const QSqlDatabase&, const std::function<void()>& commit, const std::function<void(const QSqlError&)>&,
                 bool&) const override {
        commit();
    }
    // A read of the file is local and short.
    QString LireEnDeuxTemps(const QSqlDatabase&, const QString&, const QVariantList&,
                            const std::function<void(const QSqlError&)>&, bool&) const override {
        return {};
    }

    Changement Comparer(const MarqueChangements& avant, const MarqueChangements& apres) const override {
        if (avant.a == apres.a && avant.b == apres.b) return Changement::Aucun;
        // Another connection committed: anything may have changed.
        if (avant.a != apres.a) return Changement::Inconnu;
        return Changement::Ajouts;  // checked by the count afterwards
    }
};

class PiloteServeur final : public Pilote {
public:
    QString NomPiloteQt() const override { return QStringLiteral("QPSQL"); }
    // SERIALIZABLE: a test and the write it guards cannot be raced by another station; the
    // server aborts one of two conflicting units instead, and EnTransaction replays it.
    QString DebutTransaction() const override { return QStringLiteral("BEGIN ISOLATION LEVEL SERIALIZABLE"); }
    // The server's serializable check misses two units that test an empty index and insert
    // the same name (PostgreSQL 15 stores both, seen in about one race in fifteen): a unit
    // that tests for a name before adding it takes this lock first. It blocks the table's
    // writers, not its readers, and comes before the unit's snapshot, so the test sees every
    // add committed before it.
    QString ReserverAjouts(const QString& table) const override {
        return QStringLiteral("LOCK TABLE %1 IN SHARE ROW EXCLUSIVE MODE").arg(table);
    }

    qint64 InsererEtObtenirNumero(const QString& sql, const QVariantList& valeurs, const QString& colonne) const override {
        QSqlQuery q = Executer(sql + QStringLiteral(" RETURNING ") + colonne, valeurs);
        if (!q.next()) throw ErreurBD(QStringLiteral("La base de données n'a pas donné de numéro à la nouvelle ligne."));
        return q.value(0).toLongLong();
    }

    QString MessageErreur(const QSqlError& erreur) const override {
        const QString etat = erreur.nativeErrorCode();
        const QString detailTexte = DetailErreur(erreur);
        const QString classe = etat.left(2);
        if (etat == QLatin1String("40001") || etat == QLatin1String("40P01"))
            return QStringLiteral("un autre poste modifiait les mêmes données au même moment.");
        if (etat == QLatin1String("55P03") || etat == QLatin1String("57014"))
            return QStringLiteral("la base de données est occupée par un autre programme (un autre poste ou l'outil de "
                                  "rapports). Réessayez dans un moment.");
        if (etat == QLatin1String("42501"))
            return QStringLiteral("l'utilisateur « %1 » n'a pas le droit de faire cette opération sur la base de données "
                                  "(demandez à l'administrateur du serveur).").arg(ServeurActif().utilisateur);
        if (etat == QLatin1String("25006"))
            return QStringLiteral("la base de données est en lecture seule : rien ne peut y être enregistré.");
        if (etat == QLatin1String("53100"))
            return QStringLiteral("le disque du serveur est plein : rien ne peut être enregistré.");
        if (classe == QLatin1String("53")) return QStringLiteral("le serveur manque de ressources (%1).").arg(detailTexte);
        if (etat == QLatin1String("23505"))
            return QStringLiteral("cette valeur existe déjà dans la base de données (%1).").arg(detailTexte);
        if (classe == QLatin1String("23") || classe == QLatin1String("22"))
            return QStringLiteral("la base de données a refusé une valeur hors des limites permises (%1).").arg(detailTexte);
        if (classe == QLatin1String("08") || etat.startsWith(QLatin1String("57P")))
            return QStringLiteral("la connexion au serveur a été perdue (%1).").arg(detailTexte);
        return QStringLiteral("erreur du serveur de base de données (%1).").arg(detailTexte);
    }

    NatureErreur NatureDe(const QSqlDatabase& db, const QSqlError& erreur) const override {
        const QString etat = erreur.nativeErrorCode();
        if (etat.startsWith(QLatin1String("08")) || etat == QLatin1String("57P01") || etat == QLatin1String("57P02") ||
            etat == QLatin1String("57P03") || LiaisonRompue(db))
            return NatureErreur::ConnexionPerdue;
        // libpq's own words when the socket is gone, with no SQLSTATE at all.
        const QString texte = erreur.text();
        if (etat.isEmpty() && (texte.contains(QLatin1String("server closed the connection")) ||
                               texte.contains(QLatin1String("no connection to the server")) ||
                               texte.contains(QLatin1String("terminating connection"))))
            return NatureErreur::ConnexionPerdue;
        if (etat == QLatin1String("40001") || etat == QLatin1String("40P01")) return NatureErreur::Conflit;
        // Two stations creating the same table of the program at once: the server refuses the
        // later one on its own catalogue (IF NOT EXISTS does not cover the race). Run again,
        // the table is there then.
        if (etat == QLatin1String("42P07") || etat == QLatin1String("42710") ||
            (etat == QLatin1String("23505") && erreur.databaseText().contains(QLatin1String("\"pg_"))))
            return NatureErreur::Conflit;
        // The base could not take the write (busy, timed out, rights, read-only, resources).
        if (etat == QLatin1String("55P03") || etat == QLatin1String("57014") || etat == QLatin1String("42501") ||
            etat == QLatin1String("25006") || etat.startsWith(QLatin1String("53")))
            return NatureErreur::BaseIndisponible;
        return NatureErreur::Ordinaire;
    }

    void SignalerListes(const QSqlDatabase& db) const override {
        QSqlQuery n(db);
        n.exec(QStringLiteral("NOTIFY ") + kCanalListes);
    }
    bool ChangeAilleurs(const QSqlDatabase& db, qint64&) const override {
        PGconn* conn = PoigneeServeur(db);
        if (!conn || PQstatus(conn) != CONNECTION_OK) return false;
        PQconsumeInput(conn);
        const int moi = PQbackendPID(conn);
        bool change = false;
        while (PGnotify* avis = PQnotifies(conn)) {
            // The session's own writes are the windows' own business.
            if (avis->be_pid != moi) change = true;
            PQfreemem(avis);
        }
        return change;
    }
    // The COMMIT is sent without blocking: while its answer is awaited, the program's hook lets
    // the windows repaint, and a commit the server holds (a lost network, a standby that never
    // answers: statement_timeout does not cover it) is cancelled after kAttenteValidationMs.
    void Valider(const QSqlDatabase& db, const std::function<void()>& commit,
                 const std::function<void(const QSqlError&)>& echec, bool& annulee) const override {
        PGconn* conn = PoigneeServeur(db);
        if (!Libre(conn) || !PQsendQuery(conn, "COMMIT")) {
            commit();  // Qt's own path says what is wrong
            return;
        }
        const auto echeance = std::chrono::steady_clock::now() + std::chrono::milliseconds(kAttenteValidationMs);
        const std::optional<QSqlError> erreur =
            Attendre(conn, [&](bool) { return std::chrono::steady_clock::now() >= echeance; }, annulee);
        if (erreur) echec(*erreur);
    }

    // The rows are made on the server by a cursor kept past the statement (WITH HOLD), while
    // the program waits without blocking; FETCH then hands them to Qt at once.
    QString LireEnDeuxTemps(const QSqlDatabase& db, const QString& sql, const QVariantList& valeurs,
                            const std::function<void(const QSqlError&)>& echec, bool& annulee) const override {
        PGconn* conn = PoigneeServeur(db);
        if (!Libre(conn)) return {};
        PQclear(PQexec(conn, "CLOSE ALL"));  // the previous read's cursor
        const QByteArray texte =
            (QStringLiteral("DECLARE corv_lecture NO SCROLL CURSOR WITH HOLD FOR ") + ParametresNumerotes(sql)).toUtf8();
        std::vector<QByteArray> textes;
        textes.reserve(static_cast<size_t>(valeurs.size()));
        std::vector<const char*> parametres;
        for (const QVariant& v : valeurs) {
            // As Executer binds them: a null text is empty text, any other null is NULL.
            if (v.isNull() && v.typeId() != QMetaType::QString) {
                parametres.push_back(nullptr);
                continue;
            }
            switch (v.typeId()) {
            case QMetaType::Double: textes.push_back(QByteArray::number(v.toDouble(), 'g', 17)); break;
            case QMetaType::QDate: textes.push_back(v.toDate().toString(Qt::ISODate).toUtf8()); break;
            case QMetaType::QDateTime: textes.push_back(v.toDateTime().toString(Qt::ISODate).toUtf8()); break;
            default: textes.push_back(v.toString().toUtf8()); break;
            }
            parametres.push_back(textes.back().constData());
        }
        if (!PQsendQueryParams(conn, texte.constData(), static_cast<int>(parametres.size()), nullptr, parametres.data(),
                               nullptr, nullptr, 0))
            return {};
        const std::optional<QSqlError> erreur = Attendre(conn, [](bool abandon) { return abandon; }, annulee);
        if (erreur) echec(*erreur);
        return QStringLiteral("FETCH ALL FROM corv_lecture");
    }

    // Qt's driver prepares statements as PREPARE ... AS, which takes no BEGIN or COMMIT.
    bool SansPreparation() const override { return true; }
    QString Schema() const override { return QString::fromUtf8(kSchemaPostgreSql); }
    // Two stations creating the same table at once collide in the server's catalogue even with
    // IF NOT EXISTS; a lock held until the unit ends makes the second one wait, then find it made.
    QString ReserverSchema() const override { return QStringLiteral("SELECT pg_advisory_xact_lock(7271840)"); }
    // The catalogue itself rather than information_schema (three times slower, and asked inside
    // writes): the same tables, those of the current schema the role has some right on.
    QString RequeteTables() const override {
        return QStringLiteral(
            "SELECT c.relname FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
            "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v', 'f', 'p') AND "
            "(pg_has_role(c.relowner, 'USAGE') OR "
            "has_table_privilege(c.oid, 'SELECT, INSERT, UPDATE, DELETE, TRUNCATE, REFERENCES, TRIGGER'))");
    }
    bool CopiesFichierPossibles() const override { return false; }

    QString DescriptionBase(const QString&, const ParametresServeur& serveur) const override {
        return DescriptionServeur(serveur);
    }
    QString RienModifie() const override { return QStringLiteral("Rien n'a été modifié sur le serveur."); }

    MarqueChangements LireMarque() const override {
        // The number of orders and the highest number.
        QSqlQuery q = Executer(QStringLiteral("SELECT COUNT(*), MAX(NoClient) FROM InfoClientReservation"));
        MarqueChangements m;
        if (q.next()) {
            m.a = q.value(0).toLongLong();
            m.b = q.value(1).isNull() ? 0 : q.value(1).toLongLong();
        }
        return m;
    }
    Changement Comparer(const MarqueChangements& avant, const MarqueChangements& apres) const override {
        if (avant.a == apres.a && avant.b == apres.b) return Changement::Aucun;
        return Changement::Ajouts;  // checked by the count afterwards
    }
};

const PiloteFichier kFichier;
const PiloteServeur kServeur;

}  // namespace

const Pilote& PiloteDe(Moteur moteur) {
    if (moteur == Moteur::PostgreSQL) return kServeur;
    return kFichier;
}

}  // namespace modBD::detail
