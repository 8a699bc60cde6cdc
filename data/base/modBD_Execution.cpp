// Statements and transactions: every statement goes through Executer, every group of writes
// through a Transaction, replayed whole when the server aborts it for a conflict.
#include "modBD.h"
#include "modBD_Journal.h"
#include "modBD_Changements.h"
#include "modBD_Session.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlError>
#include <QThread>

namespace modBD {

namespace {
detail::Session& S() { return detail::SessionActive(); }
}  // namespace

ErreurBD::ErreurBD(const QString& message, NatureErreur nature)
    : std::runtime_error(message.toStdString()), m_message(message), m_nature(nature) {}

QString MessageErreur(const QSqlError& erreur) { return detail::PiloteActif().MessageErreur(erreur); }

namespace detail {
// Turns a failed statement into the clerk's message, noting a lost server connection.
ErreurBD ErreurDe(const QSqlDatabase& db, const QSqlError& erreur) {
    if (S().enTransaction) S().transactionEchouee = true;
    const NatureErreur nature = detail::PiloteActif().NatureDe(db, erreur);
    if (nature == NatureErreur::ConnexionPerdue) {
        S().perdue = true;
        return ErreurBD(detail::MessageConnexionPerdue(), NatureErreur::ConnexionPerdue);
    }
    if (nature == NatureErreur::BaseIndisponible)
        if (std::optional<ErreurBD> remplace = detail::ErreurFichierRemplace()) return *remplace;
    return ErreurBD(QStringLiteral("Opération impossible : ") + MessageErreur(erreur), nature);
}
}  // namespace detail

namespace {
using detail::ErreurDe;

// Statements that change a list the windows show: the other stations are told at commit.
bool ChangeUneListe(const QString& sql) {
    static const QRegularExpression ecriture(
        QStringLiteral("^\\s*(INSERT\\s+INTO|UPDATE|DELETE\\s+FROM)\\s+(Vendeur|Piece|Representation)\\b"),
        QRegularExpression::CaseInsensitiveOption);
    return ecriture.match(sql).hasMatch();
}

bool EstLecture(const QString& sql) { return sql.trimmed().startsWith(QLatin1String("SELECT"), Qt::CaseInsensitive); }

QSqlQuery ExecuterUneFois(QSqlDatabase& db, const QString& sql, const QVariantList& valeurs) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (valeurs.isEmpty() && detail::PiloteActif().SansPreparation()) {
        if (!q.exec(sql)) throw ErreurDe(db, q.lastError());
        return q;
    }
    if (!q.prepare(sql)) throw ErreurDe(db, q.lastError());
    for (const QVariant& v : valeurs) {
        // Qt binds a null QString as SQL NULL; an empty field is empty text, never "no value".
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            q.addBindValue(QStringLiteral(""));
        else
            q.addBindValue(v);
    }
    if (!q.exec()) throw ErreurDe(db, q.lastError());
    return q;
}
}  // namespace

QSqlQuery Executer(const QString& sql, const QVariantList& valeurs) {
    QSqlDatabase db = Connexion();
    // However the loss was met (by this program's statement or one Qt ran by itself, which
    // leaves no trace but libpq's own state), a unit of work starts on a live session.
    // Only a server connection is ever marked lost or wanted back.
    if (S().voulue && !S().enTransaction && (S().perdue || !db.isOpen() || detail::LiaisonRompue(db))) detail::Reconnecter();
    if (!db.isOpen()) {
        if (S().voulue) {
            // Closed under a transaction: the session is gone, and with it the transaction.
            if (S().enTransaction) S().transactionEchouee = true;
            S().perdue = true;
            throw ErreurBD(detail::MessageConnexionPerdue(), NatureErreur::ConnexionPerdue);
        }
        throw ErreurBD(QStringLiteral("La base de données n'est pas ouverte : rien ne peut être lu ni enregistré."),
                       NatureErreur::BaseIndisponible);
    }
    try {
        detail::VerifierFichierInchange(EstLecture(sql));  // a no-op unless the base is a file
    } catch (const ErreurBD& e) {
        if (e.nature() != NatureErreur::Ordinaire) throw;  // a restored file keeps its own kind
        throw ErreurBD(e.message(), NatureErreur::BaseIndisponible);
    }
    const auto Signaler = [&](QSqlQuery q) {
        // Delivered at commit, and only if the write stays.
        if (ChangeUneListe(sql)) detail::PiloteActif().SignalerListes(db);
        return q;
    };
    const auto Lancer = [&]() {
        // The report tool's reads may run long on a server: they leave its window answering,
        // and its "Annuler" stops them on the server.
        if (S().lectureSeule && !S().enTransaction && EstLecture(sql) && detail::AttenteSuivie()) {
            bool abandonnee = false;
            const QString suite = detail::PiloteActif().LireEnDeuxTemps(
                db, sql, valeurs,
                [&](const QSqlError& erreur) {
                    if (abandonnee)
                        throw ErreurBD(QStringLiteral("Lecture annulée : rien n'a été modifié."), NatureErreur::Annulee);
                    throw ErreurDe(db, erreur);
                },
                abandonnee);
            if (!suite.isEmpty()) return ExecuterUneFois(db, suite, {});
        }
        return ExecuterUneFois(db, sql, valeurs);
    };
    try {
        return Signaler(Lancer());
    } catch (const ErreurBD& e) {
        // A read outside a transaction changes nothing: after a server restart it is simply
        // asked again on a new connection.
        if (e.nature() != NatureErreur::ConnexionPerdue || S().enTransaction || !EstLecture(sql)) throw;
    }
    detail::Reconnecter();
    return Signaler(Lancer());
}

qint64 InsererEtObtenirNumero(const QString& sql, const QVariantList& valeurs, const QString& colonne) {
    return detail::PiloteActif().InsererEtObtenirNumero(sql, valeurs, colonne);
}

void VerifierLectureComplete(const QSqlQuery& requete) {
    if (!requete.lastError().isValid()) return;
    QSqlDatabase db = Connexion();
    throw ErreurDe(db, requete.lastError());
}

Transaction::Transaction() {
    // The server would only warn about a second BEGIN, and the inner COMMIT would then commit
    // the outer unit's writes half-way: refused on both engines.
    if (S().enTransaction)
        throw ErreurBD(QStringLiteral("Opération impossible : une transaction est déjà ouverte (erreur du programme). "
                                      "Rien n'a été enregistré."));
    detail::AvantTransaction();
    try {
        Executer(detail::PiloteActif().DebutTransaction());
    } catch (const ErreurBD&) {
        detail::ApresTransaction();
        throw;
    }
    m_active = true;
    S().enTransaction = true;
    S().transactionEchouee = false;
}

Transaction::~Transaction() {
    if (m_active) {
        QSqlDatabase db = Connexion();
        if (db.isOpen() && !S().perdue) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("ROLLBACK"));
            detail::ApresTransaction();
        }
        detail::ChangementsAbandonnes();
        S().enTransaction = false;
        S().transactionEchouee = false;
    }
}

void Transaction::ReserverAjouts(const QString& table) {
    const QString verrou = detail::PiloteActif().ReserverAjouts(table);
    if (!verrou.isEmpty()) Executer(verrou);
}

void Transaction::Valider() {
    if (S().transactionEchouee)
        throw ErreurBD(QStringLiteral("Une instruction a échoué pendant l'enregistrement : rien n'a été enregistré."));
    detail::AvantValidation();
    bool annulee = false;
    try {
        const QSqlDatabase db = Connexion();
        detail::PiloteActif().Valider(
            db, [] { Executer(QStringLiteral("COMMIT")); }, [&db](const QSqlError& erreur) { throw ErreurDe(db, erreur); },
            annulee);
    } catch (const ErreurBD& e) {
        // Gone (or cancelled) while the server was committing: it may or may not have kept the
        // writes. Only the unit's token can tell, on a new session.
        if (e.nature() == NatureErreur::ConnexionPerdue || annulee) {
            S().perdue = true;
            throw ErreurBD(detail::MessageConnexionPerdue(), NatureErreur::IssueInconnue);
        }
        throw;
    }
    m_active = false;
    S().enTransaction = false;
    detail::ApresTransaction();
    detail::ChangementsValides();
}

void DefinirPendantAttente(std::function<bool()> pendantAttente) { S().pendantAttente = std::move(pendantAttente); }

namespace detail {
bool PendantAttente() {
    if (!S().pendantAttente) return false;
    try {
        return S().pendantAttente();
    } catch (...) {
        return false;  // the wait goes on whatever the windows did
    }
}

bool AttenteSuivie() { return static_cast<bool>(S().pendantAttente); }

bool Rejouer(const ErreurBD& erreur, int essai) {
    if (erreur.nature() == NatureErreur::Conflit) {
        if (essai >= kEssaisTransaction)
            throw ErreurBD(QStringLiteral("D'autres postes modifiaient les mêmes données au même moment et l'opération a dû "
                                          "être abandonnée %1 fois de suite : rien n'a été enregistré. Ce que vous avez "
                                          "tapé reste à l'écran : réessayez dans un instant.").arg(essai),
                           NatureErreur::BaseIndisponible);
        ++S().reprises;
        // A short random pause, longer each time, so that the stations stop colliding.
        QThread::msleep(static_cast<unsigned long>(QRandomGenerator::global()->bounded(2, 12) * essai));
        return true;
    }
    if (erreur.nature() == NatureErreur::ConnexionPerdue && essai == 1) {
        // Gone before the commit: the server kept nothing. Once it answers again, run the unit once more.
        detail::Reconnecter();
        ++S().reprises;
        return true;
    }
    return false;
}
}  // namespace detail

int NombreReprises() { return S().reprises; }

bool ContenuRefuse(const ErreurBD& erreur) { return erreur.nature() == NatureErreur::Ordinaire; }

bool MessageComplet(const ErreurBD& erreur) {
    return erreur.nature() == NatureErreur::IssueInconnue || erreur.nature() == NatureErreur::ReponsePerdue;
}

}  // namespace modBD
