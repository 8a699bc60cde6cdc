// The report on paper and in files. Every file is written under a temporary name in the
// target folder and renamed at the end: the requested name holds a whole file or nothing new.
#pragma once

#include "Tableau.h"

#include <stdexcept>

class QPagedPaintDevice;

namespace Rapports {

// A file that could not be written; the text is French and names the file.
class ErreurSortie : public std::runtime_error {
public:
    explicit ErreurSortie(const QString& message);
    QString message() const { return m_message; }
private:
    QString m_message;
};

enum class Format { Csv, Pdf, Classeur };
// "csv", "pdf", "xlsx".
bool LireFormat(const QString& code, Format& format);
QString ExtensionFormat(Format format);

// UTF-8 with a byte-order mark, ";" between fields, CRLF, quoted as RFC 4180 asks; the
// header row and the data rows, no total rows.
QByteArray TexteCsv(const Tableau& tableau);
void ExporterCsv(const Tableau& tableau, const QString& chemin);
// .xlsx: numbers as numeric cells, texts as stored, bold header row, columns sized to fit.
void ExporterClasseur(const Tableau& tableau, const QString& chemin);
// A4 pages: title, filters, source and time, the table with its totals and its header row
// on every page, "Page n / N"; the sales report adds its chart. Laid out with Qt's metrics and
// written by libharu (Qt's own writer when the DejaVu fonts are missing). Needs a QGuiApplication.
void ExporterPdf(const Tableau& tableau, const QString& chemin);
// The same pages on any paged device (a printer). Returns the number of pages.
int Peindre(const Tableau& tableau, QPagedPaintDevice& appareil);
void Exporter(const Tableau& tableau, Format format, const QString& chemin);

}  // namespace Rapports
