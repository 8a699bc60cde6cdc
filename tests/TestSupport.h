// Shared by the test programs: a fresh program folder with a fresh BD.mdb for each test,
// the message-box seam switched on, a pinned locale, and quick ways to fill the tables.
#pragma once

#include <QLocale>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>
#include <memory>

class QWidget;

namespace TestSupport {

// Call once from initTestCase: application settings as the program sets them, message boxes recorded.
void InitialiserProgrammeTest();

// A program folder with an empty BD.mdb made from the program's schema, opened as the program opens it.
class BaseTest {
public:
    explicit BaseTest(bool ouvrir = true);
    ~BaseTest();
    QString dossier() const;
    QString chemin() const;
    // Direct inserts for setting up a case; return the new number.
    qint64 AjouterPiece(const QString& nom);
    qint64 AjouterRepresentation(qint64 noPiece, const QString& date);
    qint64 AjouterVendeur(const QString& nom, bool comedien = false);
    // Count rows of a table (or with a WHERE clause without values).
    qint64 Compter(const QString& table, const QString& condition = QString());
    QVariant Valeur(const QString& sql, const QVariantList& valeurs = {});
private:
    std::unique_ptr<QTemporaryDir> m_dossier;
};

void DefinirLocale(const QLocale& locale);
QLocale LocaleFrancaise();  // fr_CA, as the program chooses on a non-French system
QLocale LocaleAnglaise();   // en_US

// Saves a picture of the window under the build tree; returns the file's path.
QString Rendre(QWidget* fenetre, const QString& nom);

}  // namespace TestSupport
