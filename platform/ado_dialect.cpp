// The Jet SQL the link writes, as the local database runs it: the rewrites
// its parser needs, the SQL function `val`, and values written as literals.

#include "platform/ado_internal.h"
#include "platform/vb.h"

#include <QRegularExpression>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace ado {

QString q(const QString& value)
{
    QString out = value;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

QVariant yesNo(bool value) { return QVariant(value ? -1 : 0); }

bool isYes(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return false;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble() != 0.0;
    default:
        break;
    }
    const QString text = value.toString().trimmed();
    if (text.isEmpty())
        return false;
    bool number = false;
    const double n = text.toDouble(&number);
    if (number)
        return n != 0.0;
    const QString lower = text.toLower();
    return lower != QLatin1String("false") && lower != QLatin1String("no") && lower != QLatin1String("falso");
}

namespace {

void sqliteVal(sqlite3_context* ctx, int argc, sqlite3_value** argv)
{
    if (argc != 1) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_value* v = argv[0];
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL:
        sqlite3_result_null(ctx);
        return;
    case SQLITE_INTEGER:
        sqlite3_result_int64(ctx, sqlite3_value_int64(v));
        return;
    case SQLITE_FLOAT:
        sqlite3_result_double(ctx, sqlite3_value_double(v));
        return;
    default:
        break;
    }
    const unsigned char* text = sqlite3_value_text(v);
    const int size = sqlite3_value_bytes(v);
    const vb::ValNumber n = vb::scanVal(size, [text](qsizetype i) { return uint(text[i]); });
    if (n.digits == 0) {
        sqlite3_result_int64(ctx, 0);
    } else if (!n.hasPoint && n.digits <= 18) {
        const qint64 whole = n.text.toLongLong();
        sqlite3_result_int64(ctx, n.negative ? -whole : whole);
    } else {
        sqlite3_result_double(ctx, vb::valueOf(n));
    }
}

struct Rewrite {
    QRegularExpression pattern;
    QString replacement;
};

// Jet SQL the SQLite parser rejects, rewritten to what means the same.
const std::vector<Rewrite>& jetRewrites()
{
    static const std::vector<Rewrite> table = {
        {QRegularExpression(QStringLiteral("^\\s*DELETE\\s+\\*\\s+FROM\\b"), QRegularExpression::CaseInsensitiveOption),
         QStringLiteral("DELETE FROM")},
    };
    return table;
}

// A literal as Jet and SQLite both read it back as the same value.
void appendLiteral(QString& out, const detail::Literal& l)
{
    using Kind = detail::Literal::Kind;
    switch (l.kind) {
    case Kind::Null:
        out += QLatin1String("NULL");
        return;
    case Kind::Integer:
        out += QString::number(l.integer);
        return;
    case Kind::Real: {
        if (std::isnan(l.real)) {
            out += QLatin1String("NULL");   // what the database stores for it
            return;
        }
        if (std::isinf(l.real)) {
            out += QLatin1String(l.real < 0 ? "-9e999" : "9e999");
            return;
        }
        const QString digits = QString::number(l.real, 'g', QLocale::FloatingPointShortest);
        out += digits;
        // Without a point or an exponent the text would read as an integer.
        if (!digits.contains(QLatin1Char('.')) && !digits.contains(QLatin1Char('e')))
            out += QLatin1String(".0");
        return;
    }
    case Kind::Text:
        out += QLatin1Char('\'') + q(l.text) + QLatin1Char('\'');
        return;
    case Kind::Blob:
        out += QLatin1String("X'") + QString::fromLatin1(l.blob.toHex()) + QLatin1Char('\'');
        return;
    }
}

} // namespace

namespace detail {

void registerFunctions(sqlite3* handle)
{
    sqlite3_create_function_v2(handle, "val", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &sqliteVal, nullptr,
                               nullptr, nullptr);
}

Literal literal(const QVariant& value)
{
    Literal l;
    if (!value.isValid() || value.isNull())
        return l;
    switch (value.typeId()) {
    case QMetaType::QByteArray:
        l.kind = Literal::Kind::Blob;
        l.blob = value.toByteArray();
        break;
    case QMetaType::Int:
    case QMetaType::Bool:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        l.kind = Literal::Kind::Integer;
        l.integer = value.toLongLong();
        break;
    case QMetaType::Double:
        l.kind = Literal::Kind::Real;
        l.real = value.toDouble();
        break;
    case QMetaType::QDateTime:
        l.kind = Literal::Kind::Text;
        l.text = value.toDateTime().toString(Qt::ISODateWithMs);
        break;
    case QMetaType::QTime:
        l.kind = Literal::Kind::Text;
        l.text = value.toTime().toString(QStringLiteral("hh:mm:ss.zzz"));
        break;
    default:
        l.kind = Literal::Kind::Text;
        l.text = value.toString();
        break;
    }
    return l;
}

EditableShape editableShape(const QString& statement)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*SELECT\\s+(\\*)\\s+FROM\\s+(\\[[^\\]]+\\]|[A-Za-z_][A-Za-z0-9_]*)"
                       "\\s*(?:;\\s*)?(?:WHERE\\b|ORDER\\s+BY\\b|\\z)"),
        QRegularExpression::CaseInsensitiveOption);
    EditableShape out;
    const QRegularExpressionMatch m = pattern.match(statement);
    if (m.hasMatch()) {
        out.table = m.captured(2);
        out.starEnd = m.capturedEnd(1);
    }
    return out;
}

} // namespace detail

QString render(const QString& statement, const Values& values)
{
    if (values.isEmpty())
        return statement;
    QString out;
    out.reserve(statement.size() + 16 * values.size());
    const qsizetype n = statement.size();
    const QChar* s = statement.constData();
    qsizetype copied = 0;
    qsizetype next = 0;
    for (qsizetype i = 0; i < n && next < values.size(); ++i) {
        const char16_t u = s[i].unicode();
        qsizetype end = -1;   // where a quoted name, text or comment closes
        if (u == '\'' || u == '"' || u == '`')
            end = statement.indexOf(s[i], i + 1);
        else if (u == '[')
            end = statement.indexOf(QLatin1Char(']'), i + 1);
        else if (u == '-' && i + 1 < n && s[i + 1] == QLatin1Char('-'))
            end = statement.indexOf(QLatin1Char('\n'), i + 2);
        else if (u == '/' && i + 1 < n && s[i + 1] == QLatin1Char('*'))
            end = statement.indexOf(QLatin1String("*/"), i + 2) + 1;
        else if (u != '?')
            continue;
        if (u != '?') {
            // A doubled quote closes one text and opens the next: the same.
            if (end <= 0)
                break;
            i = end;
            continue;
        }
        out.append(s + copied, i - copied);
        appendLiteral(out, detail::literal(values.at(next++)));
        copied = i + 1;
    }
    out.append(s + copied, n - copied);
    return out;
}

QString Connection::translate(const QString& statement) const
{
    // Only a DELETE needs rewriting; most statements are not one.
    qsizetype i = 0;
    while (i < statement.size() && statement.at(i).isSpace())
        ++i;
    if (i >= statement.size() || (statement.at(i) != QLatin1Char('D') && statement.at(i) != QLatin1Char('d'))
        || !QStringView(statement).mid(i, 6).startsWith(QLatin1String("DELETE"), Qt::CaseInsensitive))
        return statement;
    QString out = statement;
    for (const Rewrite& rewrite : jetRewrites())
        out.replace(rewrite.pattern, rewrite.replacement);
    return out;
}

} // namespace ado
