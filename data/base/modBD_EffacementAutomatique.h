// The automatic erasure of old clients' details: a setting of the program (in ReglageBilletterie,
// off by default) names N months; at start and after a restore, every client whose last
// performance is older than N months loses name and phone, as a manual erasure does.
#pragma once

#include <QDate>

namespace modBD {

inline const QString kCleEffacementAutomatique = QStringLiteral("EffacementAutomatiqueMois");
inline constexpr int kMoisEffacementMax = 600;

// The months set, 0 when off (nothing set, or a base made before the setting).
int MoisEffacementAutomatique();
// 0 turns it off. Reserved to "Trésorerie" and "Administration"; journaled. Throws ErreurBD.
void EnregistrerMoisEffacementAutomatique(int mois);

// Erases, in one transaction, every order of a client whose last performance is before today
// minus the months set. A client is the orders sharing one phone (the rule the manual erasure
// ticks by itself); an order without phone stands alone. Door sales and orders already erased
// are left; an order whose performances have no readable date is kept. Nothing when off.
// Returns how many orders were erased. aujourdhui invalid: the program's date of the day.
int AppliquerEffacementAutomatique(QDate aujourdhui = QDate());

}  // namespace modBD
