// A client's details erased on request, from one of the client's orders.
#pragma once

#include "Montant.h"

#include <QList>
#include <QString>

namespace modBD {

struct CommandeClient {
    qint64 noClient = 0;
    QString dateReservation;
    QString nomClient;
    QString telephoneClient;
    Montant montant;
    bool cochee = false;  // same phone as the order chosen: erased unless the clerk unticks it
};

// The orders of the client of order noClient: those with the same phone (ticked), those with
// the same name and another or no phone (unticked); door sales never. The order itself first.
QList<CommandeClient> CommandesDuClient(qint64 noClient);

// Erases the name and phone of those orders ("Client effacé n° N", empty phone), keeping lines,
// amounts and dates, records the erasures and journals them, in one transaction. Reserved to
// "Trésorerie" and "Administration". The order search forgets the old names at once.
int EffacerCoordonnees(const QList<qint64>& nosClient, const QString& dateEffacement);

}  // namespace modBD
