#pragma once

// Checker of SUENLACE.DAT files: what an accountant runs before A3Con imports
// a file, and what every test runs on the files the link writes.
//
// It reads raw bytes (Windows-1252, CR LF), never throws and never trusts the
// input: any byte sequence gives a report. Amounts are summed in cents. The
// file is read as a stream in pieces of 1 MiB; what it keeps is one line at
// most, a fingerprint per document and the problems, so a file of any size
// is checked in a few tens of MB.
//
// Rules, one problem per fault, at the 1-based line and the column where the
// fault starts:
//
// Line form
//  - Every line is exactly 254 bytes followed by CR LF, the last one included.
//    A line of another length is reported once, at the column after its last
//    byte (255 when too long), together with a wrong line end if it has one;
//    nothing else of that line is checked (its fields cannot be located) and
//    it takes no part in the entry rules: the entry it interrupts is not
//    reported again, and the lines that continue it are accepted until the
//    next "U" or "I".
//  - A line of more than 1017 bytes, its CR included, is not kept: only its
//    length in bytes is reported. One of more than 1 MiB is no record file
//    (/dev/zero): it is reported at column 255 and reading stops there.
//  - An empty file is a problem of the file (line 0, column 0).
//  - After 1000 problems reading stops, with one more problem saying so; the
//    summary then covers the lines read.
//  - A 254-byte line ended by LF alone, or the last line without CR LF, is
//    reported at column 255 and is otherwise checked normally.
//  - A line whose bytes form UTF-8 text with characters beyond ASCII is
//    reported once, at the column (in characters) of the first such
//    character. When it is not 254 bytes long it is then checked as the
//    Windows-1252 text it should have been (a line padded by characters), so
//    its accents do not shift the fields; otherwise (padded by bytes) its
//    bytes are checked as they are.
//  - A control character (below 0x20, or 0x7F) inside a free text field is
//    reported at its column (the first one of the line).
//
// Fields, on every line of 254 bytes
//  - Column 1 is the literal "4"; 2-6 the company code, five digits; 7-14 a
//    real calendar date yyyymmdd (year 0001-9999); 15 the record type, one of
//    "C", "0", "1", "9" (a line of another type is not checked further and is
//    treated like a line of wrong length by the entry rules).
//  - 16-27, the account of every record type, is not blank.
//  - Amounts are exactly "+dddddddddd.dd" or "-dddddddddd.dd"; rates "dd.dd".
//  - Literal fields equal the layout; a differing literal is reported at its
//    first differing column.
//  - "0": side (58) "D" or "H"; line position (69) "I", "M" or "U"; amount at
//    100; description (28-57) and document (59-68) may be blank.
//  - "1": class (58) "1"; line position (69) "I"; total at 100.
//  - "9": literal "C" at 58; line position (69) "M" or "U"; base at 102,
//    rate at 116, VAT amount at 121; the fixed tail 135-175.
//  - "C": the fixed fields "S", "+0000000000.00", "CL", "011", "EN" and the
//    blank gaps.
//
// Entries
//  - "C" records stand alone.
//  - Invoice entry: a "1" header ("I") followed by one or more "9" lines of
//    the same document and date, "M" on all but the last, "U" on the last.
//    A "9" that does not come inside an invoice entry, or whose document or
//    date differ from its header's, does not follow its header. An invoice
//    entry is not balanced: its header carries the invoice total while the
//    band-2 base includes the tourist tax; the difference header total minus
//    (bases + VAT amounts) is given in the summary as information.
//  - Journal entry: a run of "0" lines, the first "I", the last "U", any
//    others "M". Also valid: a single "I" line (a day's cash entry with one
//    written line), and a single "U" line with the document and date of the
//    invoice entry on the line before it (the sales-breakdown entry whose
//    only line is its closing line; also when that invoice entry itself is
//    faulty, so one fault gives one report).
//  - An entry that does not close is reported at its last line, column 69; a
//    "0" line "M" or "U" that opens no entry is reported at column 69.
//  - Every journal entry without other structural faults has equal debits and
//    credits in cents; if not, it is reported at its last line, column 100.
//
// Documents sent twice
//  - A document that A3Con would book again is reported at its repetition,
//    naming the line of its first occurrence; every further occurrence too.
//    Each is identified, within its company code (2-6), by:
//    - account record: its account (16-27);
//    - invoice: the header's date (7-14), class (58) and number (59-68); the
//      numbers start again every year, so another date is another invoice;
//    - journal entries, told by the concept (70-99) their first line carries:
//      a cash-desk day ("Cobros Dia ..." or "Cobros N/Factura N. ...") by its
//      date; a deposit ("Dep.Descontado Factura N") by its date and N; a
//      credit ("Cobro Credito FacturaN") by its date and document (59-68).
//      The sales breakdown of an invoice goes with its invoice.
//    A blank account, number or invoice leaves nothing to compare.
//
// Exit status of the command: 0 no problem, 1 some problem, 2 unreadable file.

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace verificador {

struct Problema {
    qint64 linea = 0;    // 1-based
    int columna = 0;     // 1-based byte column (character column for UTF-8)
    QString texto;       // Spanish, without the position

    bool operator==(const Problema&) const = default;
};

// Sums in cents. A sum that would not fit 64 bits stops growing and sets
// `desbordado` (only a file of millions of maximal amounts can do that).
struct Resumen {
    qint64 lineas = 0;          // every line of the file
    qint64 cuentas = 0;         // "C"
    qint64 facturas = 0;        // "1"
    qint64 lineas_iva = 0;      // "9"
    qint64 apuntes = 0;         // "0"
    qint64 asientos = 0;        // journal entries of "0" lines
    QString fecha_desde;        // yyyymmdd, empty when no valid date was read
    QString fecha_hasta;
    qint64 debe = 0;            // "0" lines with side "D"
    qint64 haber = 0;           // "0" lines with side "H"
    qint64 total_facturas = 0;  // "1" totals
    qint64 bases = 0;           // "9" taxable bases
    qint64 cuotas = 0;          // "9" VAT amounts
    qint64 facturas_descuadradas = 0;  // invoices whose total differs from bases + VAT
    bool desbordado = false;

    // Header totals minus (bases + VAT amounts): information only.
    qint64 diferencia_facturas() const;
};

struct Informe {
    Resumen resumen;
    QList<Problema> problemas;   // in line order
    bool correcto() const { return problemas.isEmpty(); }
};

// Checks the bytes of a whole file.
Informe verificar(const QByteArray& contenido);

// Reads and checks a file; no value (and `error` set, in Spanish) when the
// file cannot be read.
std::optional<Informe> verificar_fichero(const QString& ruta, QString* error = nullptr);

// "línea 12, columna 69: el asiento no termina con «U»"
QString texto_problema(const Problema& p);
// The summary and every problem, one per line, in Spanish.
QString texto_informe(const Informe& informe, const QString& ruta);
// "1234.56", "-0.05"
QString texto_centimos(qint64 centimos);

// 0 when correct, 1 otherwise.
int estado_salida(const Informe& informe);

} // namespace verificador
