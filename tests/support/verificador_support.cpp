#include "verificador_support.h"

#include "transfer/records/verificador.h"

#include <QTest>

void exigirFicheroValido(const QString& path)
{
    QString error;
    const auto informe = verificador::verificar_fichero(path, &error);
    if (!informe) {
        QFAIL(qPrintable(error));
        return;
    }
    if (!informe->correcto())
        QFAIL(qPrintable(QStringLiteral("SUENLACE.DAT con problemas:\n") + verificador::texto_informe(*informe, path)));
}
