#pragma once

// A fresh installation with its link database open and its settings loaded,
// ready for a test to stage rows by hand and run the writing of SUENLACE.DAT.

#include "data/a3ado.h"
#include "demo/instalacion.h"
#include "platform/interaction.h"
#include "transfer/generacion.h"
#include "transfer/traspaso.h"
#include "support/verificador_support.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariantMap>
#include <memory>

namespace pruebas_generacion {

// n blanks.
QString sp(int n);
// Text followed by blanks up to `ancho` (for the expected lines written in
// the tests; the text must not be longer).
QString pad(const QString& texto, int ancho);

class Entorno {
public:
    // Builds the installation (empty hotel, current link database), applies
    // `ajustes` to the settings row, starts the link on it.
    explicit Entorno(const QVariantMap& ajustes = {});
    ~Entorno();

    demo::Instalacion& inst() { return *inst_; }
    A3ADO& a() { return *a_; }
    Traspaso& t() { return *t_; }
    platform::ScriptedInteraction ui;

    // Sets wdesde / whasta and runs the writing.
    ResultadoGeneracion generar(const QString& desde, const QString& hasta);

    // Staged rows: the table's template with `columnas` over it.
    void factura(const QVariantMap& columnas);
    void linea_venta(const QString& fra, const QString& cta, double imp, const QString& eje = "2013");
    void deposito(const QVariantMap& columnas);
    void cobro(const QVariantMap& columnas);
    void credito(const QVariantMap& columnas);
    void cuenta(const QVariantMap& columnas);

    // Local path of F:\NOCTARIS\Suenlace.dat.
    QString fichero() const;
    QByteArray bytes() const;
    // The file's lines without their CR LF (fails the test when a line end is
    // not CR LF or the last line lacks it).
    QStringList lineas() const;

    // "key=state" for each row of a staging table, ordered by `orden`.
    QStringList estados(const QString& tabla, const QString& clave, const QString& estado,
                        const QString& orden) const;

private:
    QTemporaryDir dir_;
    std::unique_ptr<demo::Instalacion> inst_;
    std::unique_ptr<A3ADO> a_;
    std::unique_ptr<Traspaso> t_;
};

// The statements of a trace without the run's own journal of generations,
// which holds times and file names of its own.
QStringList sin_diario(const QStringList& sentencias);

// Compares whole lines and reports the first differing one with both texts.
// Every expected line must be 254 characters long.
bool mismas_lineas(const QStringList& obtenidas, const QStringList& esperadas, QString* diferencia);

} // namespace pruebas_generacion

// Whole-file comparison inside a test function.
#define COMPARAR_LINEAS(obtenidas, esperadas)                                                              \
    do {                                                                                                   \
        QString diferencia_;                                                                               \
        if (!pruebas_generacion::mismas_lineas((obtenidas), (esperadas), &diferencia_))                    \
            QFAIL(qPrintable(diferencia_));                                                                \
    } while (false)

// The whole file of the environment `e` against the expected lines, then the
// checker over it (every entry well formed and balanced).
#define COMPARAR_FICHERO(e, esperadas)                                                                     \
    do {                                                                                                   \
        COMPARAR_LINEAS((e).lineas(), (esperadas));                                                        \
        exigirFicheroValido((e).fichero());                                                                \
        if (QTest::currentTestFailed())                                                                    \
            return;                                                                                        \
    } while (false)
