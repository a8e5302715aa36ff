#include "app/comando_verificar.h"

#include "transfer/records/verificador.h"

int comando_verificar(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.size() != 1 || args.first().isEmpty()) {
        err << "Uso: enlace3 verificar FICHERO\n";
        err.flush();
        return 2;
    }
    QString error;
    const auto informe = verificador::verificar_fichero(args.first(), &error);
    if (!informe) {
        err << error << '\n';
        err.flush();
        return 2;
    }
    out << verificador::texto_informe(*informe, args.first());
    out.flush();
    return verificador::estado_salida(*informe);
}
