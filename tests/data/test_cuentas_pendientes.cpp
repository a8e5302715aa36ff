// The store of accounts to create in A3Con: what grabar_cuenta_pendiente
// leaves in ctas3 of a real link database.

#include "support/cuentas_support.h"

#include <QtTest>

using pruebas_cuentas::Enlace;

namespace {

RegistroCliente persona()
{
    RegistroCliente r;
    r.codigo = "1001";
    r.nombre = "JUAN";
    r.apellidos = "GARCIA LOPEZ";
    r.direccion = "CALLE MAYOR 1";
    r.poblacion = "PALMA";
    r.cp = "07001";
    r.provincia = "BALEARES";
    r.nif = "12345678Z";
    r.fecha = "20130101";
    r.cuenta = "430001001";
    return r;
}

} // namespace

class TestCuentasPendientes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void persona_con_apellidos_y_nombre()
    {
        Enlace e;
        RegistroCliente r = persona();
        e.a().grabar_cuenta_pendiente(r);
        QCOMPARE(e.ctas3(), QStringList{"430001001|GARCIA LOPEZ JUAN|12345678Z|CL|CALLE MAYOR 1|PALMA|07001|"
                                        "BALEARES|20130101|0"});
        QVERIFY(!e.a().rs_ctas3.isOpen());
    }

    void agencia_sin_blanco_delante()
    {
        Enlace e;
        RegistroCliente r;
        r.codigo = "201";
        r.nombre = "VIAJES SOL";
        r.direccion = "AV. DIAGONAL 3";
        r.poblacion = "BARCELONA";
        r.cp = "08001";
        r.provincia = "BARCELONA";
        r.nif = "B12345678";
        r.fecha = "20130101";
        r.cuenta = "430100201";
        e.a().grabar_cuenta_pendiente(r);
        QCOMPARE(e.ctas3(), QStringList{"430100201|VIAJES SOL|B12345678|CL|AV. DIAGONAL 3|BARCELONA|08001|"
                                        "BARCELONA|20130101|0"});
    }

    void textos_cortados_a_su_columna()
    {
        Enlace e;
        RegistroCliente r = persona();
        r.apellidos = "FERNANDEZ DE LA TORRE Y MONTESINOS";   // with the name, far over 30
        r.nombre = "MARIA";
        r.nif = "ES-123456789012345";                        // 18
        r.direccion = "AVENIDA DEL GENERALISIMO FRANCO 12";    // 34
        r.poblacion = "SANT LLORENC DES CAR";                 // exactly 20
        r.provincia = "ILLES BALEARS (MALLORCA)";             // 24
        e.a().grabar_cuenta_pendiente(r);
        QCOMPARE(e.ctas3(), QStringList{"430001001|FERNANDEZ DE LA TORRE Y MONTES|ES-12345678901|CL|"
                                        "AVENIDA DEL GENERALISIMO FRANC|SANT LLORENC DES CAR|07001|"
                                        "ILLES BALEARS (|20130101|0"});
    }

    void cp_cuenta_y_fecha_sin_cortar()
    {
        Enlace e;
        RegistroCliente r = persona();
        r.cp = "E-08001";
        r.cuenta = "4300000010012";
        r.fecha = "201301011";
        e.a().grabar_cuenta_pendiente(r);
        QCOMPARE(e.ctas3(), QStringList{"4300000010012|GARCIA LOPEZ JUAN|12345678Z|CL|CALLE MAYOR 1|PALMA|"
                                        "E-08001|BALEARES|201301011|0"});
    }

    void acentos_y_apostrofos_llegan_intactos()
    {
        Enlace e;
        RegistroCliente r = persona();
        r.apellidos = QStringLiteral("O'Connor Núñez");
        r.nombre = QStringLiteral("José María");
        r.direccion = QStringLiteral("Plaça d'Espanya 5");
        e.a().grabar_cuenta_pendiente(r);
        QCOMPARE(e.ctas3(), QStringList{QStringLiteral("430001001|O'Connor Núñez José María|12345678Z|CL|"
                                                       "Plaça d'Espanya 5|PALMA|07001|BALEARES|20130101|0")});
    }

    void campos_vacios_se_guardan_vacios()
    {
        Enlace e;
        RegistroCliente r;
        r.nombre = "SIN DATOS";
        r.cuenta = "430009999";
        r.fecha = "20130101";
        e.a().grabar_cuenta_pendiente(r);
        QCOMPARE(e.ctas3(), QStringList{"430009999|SIN DATOS||CL|||||20130101|0"});
    }

    void dos_llamadas_dos_filas()
    {
        Enlace e;
        RegistroCliente r = persona();
        e.a().grabar_cuenta_pendiente(r);
        e.a().grabar_cuenta_pendiente(r);
        const QString fila = "430001001|GARCIA LOPEZ JUAN|12345678Z|CL|CALLE MAYOR 1|PALMA|07001|BALEARES|20130101|0";
        QCOMPARE(e.ctas3(), (QStringList{fila, fila}));
    }
};

QTEST_GUILESS_MAIN(TestCuentasPendientes)
#include "test_cuentas_pendientes.moc"
