// Reading a report back as a person would: its rows as every output shows them, and a PDF's
// text as pdftotext gives it.
#pragma once

#include "Tableau.h"

#include <QList>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace LectureRapports {

// A row as every output shows it.
inline QStringList Textes(const Rapports::Tableau& t, const Rapports::Ligne& l) {
    QStringList r;
    for (qsizetype c = 0; c < t.entetes.size(); ++c) r << Rapports::TexteCellule(l.cellules.value(c), t.genres.at(c));
    return r;
}

// The data rows (no subtotal, no total).
inline QList<QStringList> Donnees(const Rapports::Tableau& t) {
    QList<QStringList> r;
    for (const Rapports::Ligne& l : t.lignes)
        if (l.type == Rapports::Ligne::Type::Donnee) r << Textes(t, l);
    return r;
}

// The font draws "fi", "fl", "ff"… as one glyph, which pdftotext gives back as a ligature
// character: a path, a name or a journal anchor holding them would no longer match.
inline QString SansLigatures(QString texte) {
    static const char* const kLigatures[] = {"ff", "fi", "fl", "ffi", "ffl", "ft", "st"};
    for (char16_t c = 0xFB00; c <= 0xFB06; ++c)
        texte.replace(QChar(c), QLatin1String(kLigatures[c - 0xFB00]));
    return texte;
}

inline QString Pdftotext(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return SansLigatures(QString::fromUtf8(p.readAllStandardOutput()));
}

// Without blanks of any kind: a line wrapped on the page, and the thousands separator (a no-break space).
inline QString SansBlancs(QString texte) {
    return texte.remove(QRegularExpression(QStringLiteral("[\\s\\x{00A0}\\x{202F}]+")));
}

}  // namespace LectureRapports
