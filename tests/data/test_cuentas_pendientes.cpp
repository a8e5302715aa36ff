// The store of accounts to create in A3Con: what grabar_cuenta_pendiente
// leaves in ctas3 of a real link database.

#include "support/fixtures.h"

#include <QtTest>

class TestCuentasPendientes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cada_llamada_graba_una_fila_cortada_a_su_columna()
    {
        fixture::Enlace e;
        const RegistroCliente persona{"1001", "JUAN", "GARCIA LOPEZ", "CALLE MAYOR 1", "PALMA", "07001", "BALEARES",
                                      "12345678Z", "20130101", "430001001"};
        const auto con = [&](auto cambio) { RegistroCliente r = persona; cambio(r); e.a().grabar_cuenta_pendiente(r); };
        con([](RegistroCliente&) {});
        con([](RegistroCliente&) {});   // two calls, two rows
        // An agency has no surname: its name without a leading blank.
        con([](RegistroCliente& r) { r = {"201", "VIAJES SOL", "", "AV. DIAGONAL 3", "BARCELONA", "08001", "BARCELONA",
                                          "B12345678", "20130101", "430100201"}; });
        con([](RegistroCliente& r) {   // each text cut to its column; "exactly 20" stays whole
            r.apellidos = "FERNANDEZ DE LA TORRE Y MONTESINOS";
            r.nombre = "MARIA";
            r.nif = "ES-123456789012345";
            r.direccion = "AVENIDA DEL GENERALISIMO FRANCO 12";
            r.poblacion = "SANT LLORENC DES CAR";
            r.provincia = "ILLES BALEARS (MALLORCA)";
        });
        // Postcode, account and date are stored uncut.
        con([](RegistroCliente& r) { r.cp = "E-08001"; r.cuenta = "4300000010012"; r.fecha = "201301011"; });
        con([](RegistroCliente& r) { r.apellidos = QStringLiteral("O'Connor Núñez"); r.nombre = QStringLiteral("José María"); });
        con([](RegistroCliente& r) { r = {"", "SIN DATOS", "", "", "", "", "", "", "20130101", "430009999"}; });
        const QString juan = "430001001|GARCIA LOPEZ JUAN|12345678Z|CL|CALLE MAYOR 1|PALMA|07001|BALEARES|20130101|0";
        QCOMPARE(e.ctas3(),
                 (QStringList{juan, juan, "430100201|VIAJES SOL|B12345678|CL|AV. DIAGONAL 3|BARCELONA|08001|BARCELONA|20130101|0",
                              "430001001|FERNANDEZ DE LA TORRE Y MONTES|ES-12345678901|CL|"
                              "AVENIDA DEL GENERALISIMO FRANC|SANT LLORENC DES CAR|07001|ILLES BALEARS (|20130101|0",
                              "4300000010012|GARCIA LOPEZ JUAN|12345678Z|CL|CALLE MAYOR 1|PALMA|E-08001|BALEARES|201301011|0",
                              QStringLiteral("430001001|O'Connor Núñez José María|12345678Z|CL|CALLE MAYOR 1|PALMA|07001|"
                                             "BALEARES|20130101|0"), "430009999|SIN DATOS||CL|||||20130101|0"}));
        QVERIFY(!e.a().rs_ctas3.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestCuentasPendientes)
#include "test_cuentas_pendientes.moc"
