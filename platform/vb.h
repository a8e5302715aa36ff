#pragma once

// The Visual Basic text and number rules the link's data follow: Left$,
// LTrim$, Val, the two roundings and the reading of amounts as cents. The
// hotel's data, the settings row and the file all went through these rules,
// so every part of the link that takes a value apart uses this one copy.

#include <QByteArray>
#include <QString>

namespace vb {

// Left$: the first `n` characters, never splitting a character that takes
// two UTF-16 units.
QString primeros(const QString& texto, int n);
// LTrim$: only blanks are removed, and only on the left.
QString sin_blancos_iniciales(const QString& texto);
// RTrim$: only blanks, only on the right.
QString sin_blancos_finales(const QString& texto);
// Trim$: blanks on both sides (a tab or a line break is not a blank).
QString sin_blancos(const QString& texto);
// A fixed-width column's value without its padding: the blanks after it go,
// unless it is blanks only (then it stays as it is).
QString sin_relleno(const QString& texto);
// A text of one or more ASCII digits and nothing else.
bool es_numerico(const QString& texto);

// Result of reading the leading number of a text the way Val does.
struct ValNumber {
    bool negative = false;
    bool hasPoint = false;
    int digits = 0;
    QByteArray text; // digits and '.', ready for strtod
};

inline bool isValBlank(uint c) { return c == ' ' || c == '\t' || c == '\n'; }

// Leading blanks skipped, blanks between digits ignored, optional sign, at
// most one '.'. `at(i)` gives the i-th character code, so the same scan reads
// a QString and the UTF-8 bytes SQLite hands over.
template <typename CharAt>
ValNumber scanVal(qsizetype size, CharAt at)
{
    ValNumber n;
    qsizetype i = 0;
    while (i < size && isValBlank(at(i)))
        ++i;
    if (i < size && (at(i) == '-' || at(i) == '+')) {
        n.negative = at(i) == '-';
        ++i;
    }
    for (; i < size; ++i) {
        const uint c = at(i);
        if (isValBlank(c))
            continue;
        if (c >= '0' && c <= '9') {
            n.text.append(char(c));
            ++n.digits;
        } else if (c == '.' && !n.hasPoint) {
            n.text.append('.');
            n.hasPoint = true;
        } else {
            break;
        }
    }
    return n;
}

double valueOf(const ValNumber& n);  // 0 when no digit was read

// Val: the leading decimal number of the text; 0 when there is none. The SQL
// function `val` has this meaning.
double val(const QString& text);

// Rounding on the decimal representation of the value (15 significant
// digits), so 2.675 rounds to 2.68 and 1.005 to 1.01.
double redondear(double valor, int decimales);        // half away from zero
double redondear_par(double valor, int decimales);    // half to even
// The value as its 15 significant digits read back: what a driver returns as
// 38.52499999999999 for a stored 38.525 becomes 38.525 again.
double quince_cifras(double valor);
// Value in cents after redondear(valor, 2); NaN is 0, the infinities and the
// values beyond 18 digits the extremes of qint64.
qint64 centimos(double valor);

enum class Desempate { LejosDeCero, Par };

// |valor| * 10^decimales rounded on its 15 significant digits, as a whole
// number, for code that renders the digits itself.
struct Escalado {
    bool negativo = false;   // never true for zero
    bool grande = false;     // more than 18 digits: the magnitude is not kept
    quint64 magnitud = 0;
};
// Precondition: valor is finite.
Escalado escalar(double valor, int decimales, Desempate desempate);

} // namespace vb
