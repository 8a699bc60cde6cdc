// The company's own settings, kept in the program's table ReglageBilletterie (key, value).
// A file made before it has none: reading takes a missing table for "nothing set", and the
// table is created inside the first transaction that writes it.
#pragma once

#include <QString>

namespace modBD {

inline const QString kTableReglagesBilletterie = QStringLiteral("ReglageBilletterie");
inline const QString kCleNomCompagnie = QStringLiteral("NomCompagnie");

QString LireNomCompagnie();  // empty when not set
void EnregistrerNomCompagnie(const QString& nom);

}  // namespace modBD
