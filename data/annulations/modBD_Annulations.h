// Cancelled orders. A sold order is never deleted: its cancellation is a row of its own in
// AnnulationCommande (NoClient, DateAnnulation, Motif), and taking it back removes that row.
// A file made before this table existed has none: it is created inside the first
// cancellation's transaction (opening a file never changes it), and every reader takes a
// missing table for "no order is cancelled".
#pragma once

#include <QHash>
#include <QList>
#include "modBD.h"

#include <QString>

#include <optional>

namespace modBD {

constexpr int kLongueurMaxMotif = 100;

struct Annulation {
    QString dateAnnulation;  // date text, as the program writes dates
    QString motif;           // may be empty
};

// The cancellations of these orders (absent key: not cancelled).
QHash<qint64, Annulation> LireAnnulations(const QList<qint64>& nosClient);
std::optional<Annulation> LireAnnulation(qint64 noClient);

enum class ResultatAnnulation {
    Fait,                // written
    CommandeIntrouvable, // the order no longer exists (deleted by the report tool): nothing written
    DejaAnnulee,         // cancelling an order that is already cancelled: nothing written
    PasAnnulee,          // taking back a cancellation that does not exist: nothing written
};

// Marks the order cancelled on that date with that reason (blanks trimmed, at most 100
// characters), in one transaction that also creates the table when the file has none.
// Failures of the database throw ErreurBD; nothing is then written.
ResultatAnnulation AnnulerCommande(qint64 noClient, const QString& dateAnnulation, const QString& motif);
// Takes the cancellation back: the order counts again, as it did before.
ResultatAnnulation RetablirCommande(qint64 noClient);

}  // namespace modBD
