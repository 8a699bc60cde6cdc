#include "TestSupport.h"

#include "Toolkit.h"
#include "modBD.h"

#include <QApplication>
#include <QDir>
#include <QSqlQuery>
#include <QTest>
#include <QWidget>

namespace TestSupport {

void InitialiserProgrammeTest() {
    Toolkit::InitialiserApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
    Toolkit::Test::Activer();
    DefinirLocale(LocaleFrancaise());
}

BaseTest::BaseTest(bool ouvrir) : m_dossier(std::make_unique<QTemporaryDir>()) {
    if (!m_dossier->isValid()) qFatal("no temporary folder");
    modBD::CreerBaseVide(chemin());
    modBD::DefinirDossierProgramme(dossier());
    Toolkit::Test::Reinitialiser();
    if (ouvrir && !modBD::OuvrirConnexion()) qFatal("cannot open the test database");
}

BaseTest::~BaseTest() {
    modBD::FermerConnexion();
    modBD::DefinirDossierProgramme(QString());
}

QString BaseTest::dossier() const { return m_dossier->path(); }
QString BaseTest::chemin() const { return QDir(dossier()).filePath(QStringLiteral("BD.mdb")); }

qint64 BaseTest::AjouterPiece(const QString& nom) {
    QSqlQuery q = modBD::Executer(QStringLiteral("INSERT INTO Piece (NomPiece, NomPieceMaj) VALUES (?, ?)"), {nom, nom.toUpper()});
    return q.lastInsertId().toLongLong();
}

qint64 BaseTest::AjouterRepresentation(qint64 noPiece, const QString& date) {
    QSqlQuery q = modBD::Executer(QStringLiteral("INSERT INTO Representation (NoPiece, DateRepresentation) VALUES (?, ?)"), {noPiece, date});
    return q.lastInsertId().toLongLong();
}

qint64 BaseTest::AjouterVendeur(const QString& nom, bool comedien) {
    QSqlQuery q = modBD::Executer(QStringLiteral("INSERT INTO Vendeur (NomVendeur, Comedien, NomVendeurMaj) VALUES (?, ?, ?)"),
                                  {nom, comedien ? 1 : 0, nom.toUpper()});
    return q.lastInsertId().toLongLong();
}

qint64 BaseTest::Compter(const QString& table, const QString& condition) {
    QString sql = QStringLiteral("SELECT COUNT(*) FROM ") + table;
    if (!condition.isEmpty()) sql += QStringLiteral(" WHERE ") + condition;
    return Valeur(sql).toLongLong();
}

QVariant BaseTest::Valeur(const QString& sql, const QVariantList& valeurs) {
    QSqlQuery q = modBD::Executer(sql, valeurs);
    return q.next() ? q.value(0) : QVariant();
}

void DefinirLocale(const QLocale& locale) {
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    QLocale::setDefault(l);
}

QLocale LocaleFrancaise() { return QLocale(QLocale::French, QLocale::Canada); }
QLocale LocaleAnglaise() { return QLocale(QLocale::English, QLocale::UnitedStates); }

QString Rendre(QWidget* fenetre, const QString& nom) {
    QDir().mkpath(QStringLiteral(CORV_RENDU_DIR));
    const QString chemin = QDir(QStringLiteral(CORV_RENDU_DIR)).filePath(nom + QStringLiteral(".png"));
    fenetre->show();
    QCoreApplication::processEvents();
    fenetre->grab().save(chemin);
    return chemin;
}

}  // namespace TestSupport
