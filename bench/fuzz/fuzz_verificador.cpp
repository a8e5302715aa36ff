// Arbitrary bytes into the SUENLACE.DAT checker. Besides the sanitizers, it
// stops on a report that contradicts itself: a problem outside the file, a
// column before the first, problems out of line order, or more records
// counted than lines read.

#include "transfer/records/verificador.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const verificador::Informe informe = verificador::verificar(bytes);
    const verificador::Resumen& r = informe.resumen;

    if (r.cuentas + r.facturas + r.lineas_iva + r.apuntes > r.lineas)
        __builtin_trap();
    if (r.asientos > r.apuntes)
        __builtin_trap();
    qint64 anterior = 0;
    for (const auto& p : informe.problemas) {
        if (p.linea == 0 && p.columna == 0 && r.lineas == 0)
            continue;  // the empty file
        if (p.linea < 1 || p.linea > r.lineas || p.columna < 1 || p.texto.isEmpty() || p.linea < anterior)
            __builtin_trap();
        anterior = p.linea;
    }
    if (bytes.isEmpty() != (r.lineas == 0) || (bytes.isEmpty() && informe.correcto()))
        __builtin_trap();

    // The rendering must hold on whatever the checker read.
    const QString texto = verificador::texto_informe(informe, QStringLiteral("fuzz"));
    if (texto.isEmpty())
        __builtin_trap();
    return 0;
}
