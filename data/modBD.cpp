#include "modBD.h"

#include "schema_sql.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QSqlError>
#include <QUrl>

#include <algorithm>
#include <limits>
#include <vector>

#include <sys/stat.h>

namespace modBD {

namespace {
const QString kNomConnexion = QStringLiteral("Connexion");
QString g_dossier;  // empty: the executable's folder
EchecOuverture g_echec = EchecOuverture::Aucun;
// The file the connection was opened on. SQLite keeps writing to a file that was deleted or
// replaced behind its back, and those writes would vanish: every statement checks first.
struct IdentiteFichier {
    dev_t appareil = 0;
    ino_t noeud = 0;
    bool connue = false;
};
IdentiteFichier g_identite;
QString g_cheminOuvert;  // the file the connection is on

IdentiteFichier LireIdentite(const QString& chemin) {
    struct stat etat {};
    if (::stat(QFile::encodeName(chemin).constData(), &etat) != 0) return {};
    return {etat.st_dev, etat.st_ino, true};
}

void VerifierFichierInchange() {
    if (!g_identite.connue) return;
    const IdentiteFichier actuelle = LireIdentite(g_cheminOuvert);
    if (!actuelle.connue)
        throw ErreurBD(QStringLiteral("Le fichier de la base de données « %1 » est introuvable : il a été déplacé ou effacé "
                                      "pendant que le programme était ouvert. Rien n'a été lu ni enregistré.")
                           .arg(QDir::toNativeSeparators(g_cheminOuvert)));
    if (actuelle.appareil != g_identite.appareil || actuelle.noeud != g_identite.noeud)
        throw ErreurBD(QStringLiteral("Le fichier de la base de données « %1 » a été remplacé pendant que le programme "
                                      "était ouvert. Rien n'a été lu ni enregistré : redémarrez le programme.")
                           .arg(QDir::toNativeSeparators(g_cheminOuvert)));
}
QString g_messageOuverture;
quint64 g_numeroConnexion = 0;
bool OuvrirFichier(const QString& chemin, const char* mode);

// Waiting on a lock held by another program (the report tool) must stay short:
// the clerk gets a message instead of a frozen window.
constexpr int kAttenteVerrouMs = 2000;
// The most memory SQLite may keep of the file, in KiB.
constexpr int kCacheKio = 64 * 1024;

void RetirerConnexion() {
    ++g_numeroConnexion;
    if (QSqlDatabase::contains(kNomConnexion)) {
        detail::AvantFermetureConnexion();
        {
            QSqlDatabase db = QSqlDatabase::database(kNomConnexion, false);
            if (db.isOpen()) db.close();
        }
        QSqlDatabase::removeDatabase(kNomConnexion);
    }
}

QString UriFichier(const QString& chemin, const char* mode) {
    return QUrl::fromLocalFile(QFileInfo(chemin).absoluteFilePath()).toString(QUrl::FullyEncoded) +
           QStringLiteral("?mode=") + QLatin1String(mode);
}

QStringList InstructionsSchema() {
    QStringList lignes;
    for (const QString& ligne : QString::fromUtf8(detail::kSchemaSql).split(QLatin1Char('\n'))) {
        const qsizetype commentaire = ligne.indexOf(QStringLiteral("--"));
        lignes << (commentaire >= 0 ? ligne.left(commentaire) : ligne);
    }
    QStringList instructions;
    for (const QString& instr : lignes.join(QLatin1Char('\n')).split(QLatin1Char(';'))) {
        if (!instr.trimmed().isEmpty()) instructions << instr.trimmed();
    }
    return instructions;
}
}  // namespace

ErreurBD::ErreurBD(const QString& message)
    : std::runtime_error(message.toStdString()), m_message(message) {}

void DefinirDossierProgramme(const QString& dossier) { g_dossier = dossier; }

QString DossierProgramme() {
    return g_dossier.isEmpty() ? QCoreApplication::applicationDirPath() : g_dossier;
}

QString CheminBD() { return QDir(DossierProgramme()).filePath(QStringLiteral("BD.mdb")); }

EchecOuverture DernierEchecOuverture() { return g_echec; }
QString DernierMessageOuverture() { return g_messageOuverture; }

QSqlDatabase Connexion() {
    if (!QSqlDatabase::contains(kNomConnexion)) return QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kNomConnexion);
    return QSqlDatabase::database(kNomConnexion, false);
}

bool ConnexionOuverte() {
    return QSqlDatabase::contains(kNomConnexion) && QSqlDatabase::database(kNomConnexion, false).isOpen();
}

quint64 NumeroConnexion() { return g_numeroConnexion; }

bool OuvrirConnexion() { return OuvrirFichier(CheminBD(), "rw"); }

bool OuvrirConnexionLecture(const QString& chemin) { return OuvrirFichier(chemin, "ro"); }

namespace {
bool OuvrirFichier(const QString& chemin, const char* mode) {
    RetirerConnexion();
    g_identite = {};
    g_echec = EchecOuverture::Aucun;
    g_messageOuverture.clear();
    g_cheminOuvert = chemin;
    QSqlDatabase db = Connexion();

    // The driver would create a missing file: refuse before it gets the chance.
    if (!QFileInfo::exists(chemin)) {
        g_echec = EchecOuverture::FichierAbsent;
        g_messageOuverture = QStringLiteral("La base de données « %1 » est introuvable.").arg(QDir::toNativeSeparators(chemin));
        return false;
    }

    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(kAttenteVerrouMs));
    db.setDatabaseName(UriFichier(chemin, mode));
    QString raison;
    if (!db.open()) {
        raison = MessageErreur(db.lastError());
    } else {
        // SQLite opens lazily: only a read tells a database from any other file.
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
            raison = MessageErreur(q.lastError());
        } else {
            QSet<QString> presentes;
            while (q.next()) presentes.insert(q.value(0).toString());
            QStringList manquantes;
            for (const QString& t : TablesRequises())
                if (!presentes.contains(t)) manquantes << t;
            if (!manquantes.isEmpty())
                raison = QStringLiteral("il y manque les tables %1.").arg(manquantes.join(QStringLiteral(", ")));
            // SQLite keeps 2 MB of the file by default: a report over a large history then
            // reads the same pages from the system again and again (an order's row once per
            // line of it). The cache grows only as pages are read.
            if (raison.isEmpty()) q.exec(QStringLiteral("PRAGMA cache_size = -%1").arg(kCacheKio));
        }
    }
    if (!raison.isEmpty()) {
        db.close();
        g_echec = EchecOuverture::FichierInutilisable;
        g_messageOuverture = QStringLiteral("La base de données « %1 » ne peut pas être ouverte : %2")
                                 .arg(QDir::toNativeSeparators(chemin), raison);
        return false;
    }
    g_identite = LireIdentite(chemin);
    ++g_numeroConnexion;
    return true;
}
}  // namespace

void FermerConnexion() {
    ++g_numeroConnexion;
    if (!QSqlDatabase::contains(kNomConnexion)) return;
    detail::AvantFermetureConnexion();
    QSqlDatabase::database(kNomConnexion, false).close();
}

QStringList TablesRequises() {
    return {QStringLiteral("Vendeur"), QStringLiteral("Piece"), QStringLiteral("Representation"),
            QStringLiteral("InfoClientReservation"), QStringLiteral("InfoReservation"),
            QStringLiteral("InventaireBillets")};
}

QString SchemaSql() { return QString::fromUtf8(detail::kSchemaSql); }

void CreerBaseVide(const QString& chemin) {
    if (QFileInfo::exists(chemin))
        throw ErreurBD(QStringLiteral("Le fichier « %1 » existe déjà : il n'a pas été remplacé.").arg(QDir::toNativeSeparators(chemin)));
    const QString nom = QStringLiteral("Creation-%1").arg(reinterpret_cast<quintptr>(&chemin));
    QString erreur;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), nom);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI"));
        db.setDatabaseName(UriFichier(chemin, "rwc"));
        if (!db.open()) {
            erreur = MessageErreur(db.lastError());
        } else {
            QSqlQuery q(db);
            bool ok = q.exec(QStringLiteral("BEGIN"));
            for (const QString& instr : InstructionsSchema()) {
                if (!ok) break;
                ok = q.exec(instr);
            }
            if (ok) ok = q.exec(QStringLiteral("COMMIT"));
            if (!ok) erreur = MessageErreur(q.lastError());
            q.finish();
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

QString MessageErreur(const QSqlError& erreur) {
    bool ok = false;
    const int code = erreur.nativeErrorCode().toInt(&ok) & 0xff;
    const QString detailTexte = erreur.databaseText().isEmpty() ? erreur.text() : erreur.databaseText();
    if (!ok) return QStringLiteral("erreur de la base de données (%1).").arg(detailTexte);
    switch (code) {
    case 5:   // SQLITE_BUSY
    case 6:   // SQLITE_LOCKED
        return QStringLiteral("la base de données est occupée par un autre programme (l'outil de rapports, peut-être). "
                              "Fermez-le, puis réessayez.");
    case 8:   // SQLITE_READONLY
        return QStringLiteral("la base de données est en lecture seule : rien ne peut y être enregistré. "
                              "Vérifiez les droits sur le fichier BD.mdb.");
    case 11:  // SQLITE_CORRUPT
    case 26:  // SQLITE_NOTADB
        return QStringLiteral("le fichier n'est pas une base de données utilisable (fichier endommagé ou d'un autre programme).");
    case 13:  // SQLITE_FULL
        return QStringLiteral("le disque est plein : rien ne peut être enregistré.");
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

QSqlQuery Executer(const QString& sql, const QVariantList& valeurs) {
    QSqlDatabase db = Connexion();
    if (!db.isOpen())
        throw ErreurBD(QStringLiteral("La base de données n'est pas ouverte : rien ne peut être lu ni enregistré."));
    VerifierFichierInchange();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) throw ErreurBD(QStringLiteral("Opération impossible : ") + MessageErreur(q.lastError()));
    for (const QVariant& v : valeurs) {
        // Qt binds a null QString as SQL NULL; an empty field is empty text, never "no value".
        if (v.typeId() == QMetaType::QString && v.toString().isNull())
            q.addBindValue(QStringLiteral(""));
        else
            q.addBindValue(v);
    }
    if (!q.exec()) throw ErreurBD(QStringLiteral("Opération impossible : ") + MessageErreur(q.lastError()));
    return q;
}

Transaction::Transaction() {
    // IMMEDIATE takes the write lock at once, so a locked file fails before anything is written.
    Executer(QStringLiteral("BEGIN IMMEDIATE"));
    m_active = true;
}

Transaction::~Transaction() {
    if (m_active) {
        QSqlQuery q(Connexion());
        q.exec(QStringLiteral("ROLLBACK"));
    }
}

void Transaction::Valider() {
    Executer(QStringLiteral("COMMIT"));
    m_active = false;
}

QString NomAfficheVendeur(const QString& nom, bool comedien) { return comedien ? nom + kMarqueComedien : nom; }

QString RetirerMarqueComedien(const QString& nomAffiche) {
    return nomAffiche.endsWith(kMarqueComedien, Qt::CaseSensitive) ? nomAffiche.chopped(kMarqueComedien.size()) : nomAffiche;
}

QString ObtenirNoPiece(const QString& nomPiece) {
    QSqlQuery q = Executer(QStringLiteral("SELECT NoPiece FROM Piece WHERE NomPiece = ? ORDER BY NoPiece LIMIT 1"), {nomPiece});
    return q.next() ? q.value(0).toString() : QString();
}

QString ObtenirNoRepresentation(const QString& noPiece, const QString& dateRepresentation) {
    bool ok = false;
    const qlonglong no = noPiece.toLongLong(&ok);
    if (!ok) return QString();
    QSqlQuery q = Executer(QStringLiteral("SELECT NoRepresentation FROM Representation "
                                          "WHERE NoPiece = ? AND DateRepresentation = ? ORDER BY NoRepresentation LIMIT 1"),
                           {no, dateRepresentation});
    return q.next() ? q.value(0).toString() : QString();
}

std::optional<qint16> ObtenirNoVendeur(const QString& nomAffiche) {
    const QString nom = RetirerMarqueComedien(nomAffiche);
    QSqlQuery q = Executer(QStringLiteral("SELECT NoVendeur FROM Vendeur WHERE NomVendeur = ? ORDER BY NoVendeur LIMIT 1"), {nom});
    if (!q.next()) return std::nullopt;
    const qlonglong no = q.value(0).toLongLong();
    if (no < std::numeric_limits<qint16>::min() || no > std::numeric_limits<qint16>::max())
        throw ErreurBD(QStringLiteral("Le numéro du vendeur « %1 » (%2) dépasse la limite de 32767.").arg(nom, QString::number(no)));
    return static_cast<qint16>(no);
}

QStringList ListePieces() {
    QSqlQuery q = Executer(QStringLiteral("SELECT NomPiece FROM Piece ORDER BY NoPiece"));
    QStringList noms;
    while (q.next()) noms << q.value(0).toString();
    return noms;
}

QStringList ListeDatesRepresentations(const QString& noPiece) {
    bool ok = false;
    const qlonglong no = noPiece.toLongLong(&ok);
    if (!ok) return {};
    QSqlQuery q = Executer(QStringLiteral("SELECT DateRepresentation FROM Representation WHERE NoPiece = ? ORDER BY NoRepresentation"), {no});
    QStringList dates;
    while (q.next()) dates << q.value(0).toString();
    return dates;
}

QList<Vendeur> ListeVendeurs() {
    QSqlQuery q = Executer(QStringLiteral("SELECT NomVendeur, Comedien FROM Vendeur ORDER BY NoVendeur"));
    QList<Vendeur> vendeurs;
    while (q.next()) vendeurs.append({q.value(0).toString(), q.value(1).toLongLong() != 0});
    return vendeurs;
}

QStringList ListeVendeursAffiches() {
    const QList<Vendeur> vendeurs = ListeVendeurs();
    // Name order as a French reader expects it (accents and case do not push a name to the end).
    // One sort key per name: comparing keys is far cheaper than collating names pair by pair.
    const QCollator collateur{QLocale()};
    std::vector<std::pair<QCollatorSortKey, qsizetype>> cles;
    cles.reserve(static_cast<size_t>(vendeurs.size()));
    for (qsizetype i = 0; i < vendeurs.size(); ++i) cles.emplace_back(collateur.sortKey(vendeurs.at(i).nom), i);
    std::stable_sort(cles.begin(), cles.end(), [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    QStringList noms;
    noms.reserve(vendeurs.size());
    for (const auto& cle : cles) noms << NomAfficheVendeur(vendeurs.at(cle.second).nom, vendeurs.at(cle.second).comedien);
    return noms;
}

}  // namespace modBD
