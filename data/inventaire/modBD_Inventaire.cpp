#include "modBD_Inventaire.h"

#include "modBD_Changements.h"
#include "modBD_Journal.h"

#include <QSqlQuery>

namespace modBD {

namespace {

// The row's numbers, once the three names are found.
struct Cibles {
    qlonglong noRepresentation = 0;
    qint16 noVendeur = 0;
};

// Looks the three names up. Returns the French reason when one is missing, empty text when all are found.
QString Resoudre(const QString& nomPiece, const QString& dateRepresentation, const QString& nomVendeur, Cibles& cibles) {
    if (nomPiece.isEmpty()) return QStringLiteral("Aucune pièce n'est choisie.");
    const QString noPiece = ObtenirNoPiece(nomPiece);
    if (noPiece.isEmpty())
        return QStringLiteral("La pièce « %1 » n'existe plus (elle a peut-être été effacée dans une autre fenêtre).")
            .arg(nomPiece);
    if (dateRepresentation.isEmpty())
        return QStringLiteral("Aucune représentation de la pièce « %1 » n'est choisie.").arg(nomPiece);
    const QString noRepresentation = ObtenirNoRepresentation(noPiece, dateRepresentation);
    if (noRepresentation.isEmpty())
        return QStringLiteral("La représentation du %1 de la pièce « %2 » n'existe plus "
                              "(elle a peut-être été effacée dans une autre fenêtre).")
            .arg(dateRepresentation, nomPiece);
    if (nomVendeur.isEmpty()) return QStringLiteral("Aucun vendeur n'est choisi.");
    const std::optional<qint16> noVendeur = ObtenirNoVendeur(nomVendeur);
    if (!noVendeur)
        return QStringLiteral("Le vendeur « %1 » n'existe plus (il a peut-être été effacé dans une autre fenêtre).")
            .arg(RetirerMarqueComedien(nomVendeur));
    cibles.noRepresentation = noRepresentation.toLongLong();
    cibles.noVendeur = *noVendeur;
    return QString();
}

// Returns the movement's number, as text.
QString Ecrire(const Cibles& cibles, qint16 nombre, const QString& dateTransaction, const QString& commentaire) {
    const qint64 no = InsererEtObtenirNumero(
        QStringLiteral("INSERT INTO InventaireBillets (NoRepresentation, Nombre, DateTransaction, Commentaire, NoVendeur) "
                       "VALUES (?, ?, ?, ?, ?)"),
        {cibles.noRepresentation, static_cast<int>(nombre), dateTransaction, commentaire,
         static_cast<int>(cibles.noVendeur)},
        QStringLiteral("NoMouvement"));
    SignalerChangement(Domaine::Stock);
    Journaliser(QStringLiteral("Mouvement de stock"), QStringLiteral("Mouvement %1").arg(no),
                QStringLiteral("Representation %1, vendeur %2, nombre %3")
                    .arg(cibles.noRepresentation)
                    .arg(cibles.noVendeur)
                    .arg(nombre));
    return QString::number(no);
}

// What the clerk reads when the answer to the commit was lost ("du mouvement", "de l'échange").
TextesPerte TextesPerteDe(const QString& deQuoi) {
    return {QStringLiteral("L'enregistrement %1 n'a pas été fait : la connexion au serveur a été perdue avant la fin. "
                           "Rien n'a été écrit. Ce que vous avez tapé reste à l'écran : enregistrez-le de nouveau.").arg(deQuoi),
            QStringLiteral("La connexion au serveur a été perdue pendant l'enregistrement %1. Ce que vous avez tapé reste à "
                           "l'écran ; au prochain enregistrement, le programme vérifiera d'abord s'il a déjà été fait : "
                           "il ne le sera jamais deux fois.").arg(deQuoi)};
}

}  // namespace

void AjouterMouvementInventaire(const QString& dateTransaction, const QString& nomPiece,
                                const QString& dateRepresentation, qint16 nombre, const QString& commentaire,
                                const QString& nomVendeur, const QString& jeton) {
    // Whatever stops it (a name gone, a locked or damaged file), the clerk reads that the
    // movement was not saved, not only why.
    try {
        // The lookups and the row in one transaction: nothing can vanish between them.
        FaireUneSeuleFois(jeton.isEmpty() ? NouveauJeton() : jeton, TextesPerteDe(QStringLiteral("du mouvement")), [&]() {
            ExigerRole(Role::Billetterie);
            Cibles cibles;
            const QString manque = Resoudre(nomPiece, dateRepresentation, nomVendeur, cibles);
            if (!manque.isEmpty()) throw ErreurBD(manque);
            return Ecrire(cibles, nombre, dateTransaction, commentaire);
        });
    } catch (const ErreurBD& e) {
        if (MessageComplet(e)) throw;
        throw ErreurBD(e.message() + QStringLiteral("\nLe mouvement n'a pas été enregistré."), e.nature());
    }
}

QString ObtenirNbBillets(const QString& nomPiece, const QString& dateRepresentation) {
    const QString noPiece = ObtenirNoPiece(nomPiece);
    if (noPiece.isEmpty()) return QStringLiteral("0");
    const QString noRepresentation = ObtenirNoRepresentation(noPiece, dateRepresentation);
    if (noRepresentation.isEmpty()) return QStringLiteral("0");
    // The sum is the database's, in 64 bits: only each single movement is limited to 16 bits.
    QSqlQuery q = Executer(QStringLiteral("SELECT COALESCE(SUM(Nombre), 0) FROM InventaireBillets WHERE NoRepresentation = ?"),
                           {noRepresentation.toLongLong()});
    return q.next() ? QString::number(q.value(0).toLongLong()) : QStringLiteral("0");
}

void AjouterEchangeInventaire(const QString& dateTransaction, const CoteEchange& donne, const CoteEchange& recu,
                              qint16 nombre, const QString& commentaire, const QString& jeton) {
    if (nombre < 0) throw ErreurBD(QStringLiteral("Le nombre de billets ne peut être négatif!"));
    const auto Refuser = [](const QString& cote, const QString& manque) {
        return ErreurBD(QStringLiteral("Côté « %1 » : %2").arg(cote, manque));
    };
    // Whatever stops it, the clerk reads that neither movement was written.
    try {
        FaireUneSeuleFois(jeton.isEmpty() ? NouveauJeton() : jeton, TextesPerteDe(QStringLiteral("de l'échange")), [&]() {
            ExigerRole(Role::Billetterie);
            Cibles cibleDonne;
            QString manque = Resoudre(donne.nomPiece, donne.dateRepresentation, donne.nomVendeur, cibleDonne);
            if (!manque.isEmpty()) throw Refuser(QStringLiteral("Donné"), manque);
            Cibles cibleRecu;
            manque = Resoudre(recu.nomPiece, recu.dateRepresentation, recu.nomVendeur, cibleRecu);
            if (!manque.isEmpty()) throw Refuser(QStringLiteral("Recu"), manque);
            const QString donneNo = Ecrire(cibleDonne, static_cast<qint16>(-nombre), dateTransaction, commentaire);
            return donneNo + QLatin1Char(' ') + Ecrire(cibleRecu, nombre, dateTransaction, commentaire);
        });
    } catch (const ErreurBD& e) {
        if (MessageComplet(e)) throw;
        throw ErreurBD(e.message() + QStringLiteral("\nL'échange n'a pas été enregistré : aucun mouvement n'a été écrit."),
                       e.nature());
    }
}

}  // namespace modBD
