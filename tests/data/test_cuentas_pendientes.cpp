// The store of accounts to create in A3Con: what grabar_cuenta_pendiente
// leaves in ctas3 of a real link database.

#include "support/fixtures.h"

#include <QtTest>

using fixture::Enlace;

namespace {

RegistroCliente persona()
{
    return {"1001", "JUAN", "GARCIA LOPEZ", "CALLE MAYOR 1", "PALMA", "07001", "BALEARES", "12345678Z", "20130101",
            "430001001"};
}

void grabar(Enlace& e, RegistroCliente r)
{
    e.a().grabar_cuenta_pendiente(r);
}

const QString kFilaPersona =
    "430001001|GARCIA LOPEZ JUAN|12345678Z|CL|CALLE MAYOR 1|PALMA|07001|BALEARES|20130101|0";

} // namespace

class TestCuentasPendientes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cada_llamada_graba_una_fila()
    {
        Enlace e;
        grabar(e, persona());
        grabar(e, persona());   // two calls, two rows
        QCOMPARE(e.ctas3(), (QStringList{kFilaPersona, kFilaPersona}));
        QVERIFY(!e.a().rs_ctas3.isOpen());
    }

    void nombres_y_textos_cortados_a_su_columna()
    {
        Enlace e;
        // An agency has no surname: its name without a leading blank.
        grabar(e, {"201", "VIAJES SOL", "", "AV. DIAGONAL 3", "BARCELONA", "08001", "BARCELONA",
                                       "B12345678", "20130101", "430100201"});
        RegistroCliente r = persona();
        r.apellidos = "FERNANDEZ DE LA TORRE Y MONTESINOS";   // with the name, far over 30
        r.nombre = "MARIA";
        r.nif = "ES-123456789012345";                        // 18
        r.direccion = "AVENIDA DEL GENERALISIMO FRANCO 12";    // 34
        r.poblacion = "SANT LLORENC DES CAR";                 // exactly 20
        r.provincia = "ILLES BALEARS (MALLORCA)";             // 24
        grabar(e, r);
        // Postcode, account and date are stored uncut.
        r = persona();
        r.cp = "E-08001";
        r.cuenta = "4300000010012";
        r.fecha = "201301011";
        grabar(e, r);
        r = persona();
        r.apellidos = QStringLiteral("O'Connor Núñez");
        r.nombre = QStringLiteral("José María");
        r.direccion = QStringLiteral("Plaça d'Espanya 5");
        grabar(e, r);
        grabar(e, {"", "SIN DATOS", "", "", "", "", "", "", "20130101", "430009999"});
        QCOMPARE(e.ctas3(),
                 (QStringList{"430100201|VIAJES SOL|B12345678|CL|AV. DIAGONAL 3|BARCELONA|08001|BARCELONA|20130101|0",
                              "430001001|FERNANDEZ DE LA TORRE Y MONTES|ES-12345678901|CL|"
                              "AVENIDA DEL GENERALISIMO FRANC|SANT LLORENC DES CAR|07001|ILLES BALEARS (|20130101|0",
                              "4300000010012|GARCIA LOPEZ JUAN|12345678Z|CL|CALLE MAYOR 1|PALMA|E-08001|BALEARES|"
                              "201301011|0",
                              QStringLiteral("430001001|O'Connor Núñez José María|12345678Z|CL|Plaça d'Espanya 5|"
                                             "PALMA|07001|BALEARES|20130101|0"),
                              "430009999|SIN DATOS||CL|||||20130101|0"}));
    }
};

QTEST_GUILESS_MAIN(TestCuentasPendientes)
#include "test_cuentas_pendientes.moc"
