// The ticket stock ledger: every change of a seller's stock for a performance is one
// signed row of InventaireBillets; a performance's count is always the sum of its rows.
#pragma once

#include "modBD.h"

#include <QString>

namespace modBD {

// Appends one movement. The play, performance and seller are given as the windows show
// them (play name, performance date text, seller display name, " (C)" allowed).
// Throws ErreurBD, writing nothing, when one of them is not chosen or no longer exists.
// jeton (NouveauJeton, kept by the window until the movement is written) makes it happen once
// even when the commit's answer is lost; empty: one is made.
void AjouterMouvementInventaire(const QString& dateTransaction, const QString& nomPiece,
                                const QString& dateRepresentation, qint16 nombre, const QString& commentaire,
                                const QString& nomVendeur, const QString& jeton = QString());

// The performance's count over all sellers, as decimal text ("0", "12", "-3", "60000").
// "0" when the play or the performance is not found.
QString ObtenirNbBillets(const QString& nomPiece, const QString& dateRepresentation);

// One side of an exchange, as the window shows it.
struct CoteEchange {
    QString nomPiece;
    QString dateRepresentation;
    QString nomVendeur;
};

// Writes an exchange of nombre (>= 0) tickets: -nombre for the given side, then +nombre
// for the received side, same date and comment. Both rows or neither: throws ErreurBD,
// writing nothing, when either side cannot be written.
void AjouterEchangeInventaire(const QString& dateTransaction, const CoteEchange& donne, const CoteEchange& recu,
                              qint16 nombre, const QString& commentaire, const QString& jeton = QString());

}  // namespace modBD
