// A transfer killed at each step of putting SUENLACE.DAT in place, then the
// start-up that finds it: the file and the marks agree again (finished or
// undone), and a rerun adding to the file sends each document exactly once.
// Also the copy of a replaced file and the history of generations.

#include "support/app_support.h"
#include "support/fixtures.h"
#include "platform/bloqueo.h"
#include "transfer/diario.h"

#include <QtTest>

using fixture::Hotel;

namespace {

const QStringList kTraspaso{"traspasar", "01012013", "31012013", "--sobrescribir"};

appsupport::Salida lote(const Hotel& h, const QStringList& args, const QString& punto = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!punto.isEmpty()) env.insert(QStringLiteral("ENLACE3_PUNTO_FALLO"), punto);
    return appsupport::ejecutar(args, h.raiz(), env);
}

QDir carpeta(const Hotel& h) { return QFileInfo(h.fichero()).absoluteDir(); }

QStringList temporales(const Hotel& h)
{
    QStringList r;
    for (const QString& n : carpeta(h).entryList(QDir::Files))
        if (diario::es_temporal(n)) r << n;
    return r;
}

// The first line of every entry (an invoice header or the "I" line of a
// journal entry) and every account record, sorted: one sent twice shows.
QStringList documentos(const QStringList& lineas)
{
    QStringList r;
    for (const QString& l : lineas)
        if (fixture::campo(l, "posicion") == QLatin1String("I") || fixture::campo(l, "tipo") == QLatin1String("C")) r << l.left(113);
    r.sort();
    return r;
}

} // namespace

class TestDiario : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void muerte_y_arranque(); void copia_del_fichero_sustituido(); void diario_que_no_se_puede_escribir(); void instalacion_ocupada();
    void carpeta_compartida();
};

void TestDiario::muerte_y_arranque()
{
    Hotel limpio;   // the documents of a run that was never interrupted
    fixture::poblar_enero(limpio);
    limpio.traspasar("20130101", "20130131");
    // Where the run dies, whether its temporary file is lost, what the start-up says ("" nothing), invoices marked then.
    struct Caso { const char* punto; bool perder_temporal; QString frase; int marcadas; };
    for (const Caso& c : {Caso{"linea:2", false, "", 0}, Caso{"fichero-cerrado", false, "", 0}, Caso{"marcas", false, "se ha completado, y F:\\NOCTARIS\\Suenlace.dat contiene", 3},
                          Caso{"marcas", true, "F:\\NOCTARIS\\Suenlace.dat se ha dejado como estaba", 0},
                          Caso{"renombrado", false, "el fichero F:\\NOCTARIS\\Suenlace.dat ya estaba completo", 3}}) {
        Hotel h;
        fixture::poblar_enero(h);
        const appsupport::Salida muerta = lote(h, kTraspaso, c.punto);
        QVERIFY2(muerta.codigo != 0, qPrintable(muerta.out.join('\n')));
        if (c.perder_temporal)
            for (const QString& n : temporales(h)) QVERIFY(QFile::remove(carpeta(h).filePath(n)));
        const appsupport::Salida arranque = lote(h, {"estado"});
        QCOMPARE(arranque.codigo, 0);
        const QString dicho = arranque.err.join('\n');
        QVERIFY2(c.frase.isEmpty() ? !dicho.contains("Suenlace") : dicho.contains(c.frase), qPrintable(c.punto + (": " + dicho)));
        QCOMPARE(temporales(h), QStringList());
        QCOMPARE(h.contar("fac3", "FacEst = '1'"), c.marcadas);
        QCOMPARE(QFileInfo::exists(h.fichero()), c.marcadas > 0);   // the file holds exactly what is marked
        QCOMPARE(lote(h, kTraspaso.mid(0, 3) << "--anadir").codigo, 0);
        QCOMPARE(h.contar("fac3", "FacEst = '0'"), 0);
        QCOMPARE(documentos(h.lineas()), documentos(limpio.lineas()));
        QCOMPARE(lote(h, {"verificar", h.fichero()}).codigo, 0);
    }
    // An export stopped the same way is named as the export it was.
    Hotel h;
    fixture::cuenta(h.inst(), "430100001", "Cliente", QVariant());
    QVERIFY(lote(h, {"exportar-pgc", "7", "--sobrescribir"}, "marcas").codigo != 0);
    const QString dicho = lote(h, {"estado"}).err.join('\n');
    QVERIFY2(dicho.contains("Se ha encontrado sin terminar la exportación del plan de cuentas del ") && dicho.contains(": se ha completado"), qPrintable(dicho));
    QCOMPARE(fixture::ctas3(h.inst()).size(), 1);
    QVERIFY(fixture::ctas3(h.inst()).constFirst().endsWith("|1"));
}

void TestDiario::copia_del_fichero_sustituido()
{
    Hotel h;
    fixture::poblar_enero(h);
    QVERIFY(carpeta(h).mkpath("."));
    fixture::escribir_lineas(h.fichero(), {"ANTERIOR"});
    // Twelve copies already there: the oldest go, ten stay.
    for (int i = 0; i < 12; ++i) QVERIFY(QFile(carpeta(h).filePath(QStringLiteral("Suenlace_20120101_0000%1.dat").arg(i, 2, 10, QLatin1Char('0')))).open(QIODevice::WriteOnly));
    const appsupport::Salida s = lote(h, kTraspaso);
    QCOMPARE(s.codigo, 0);
    // Named as the user knows the folder, beside the target.
    const QString copia = s.out.filter("Copia del fichero anterior: ").value(0).mid(QStringLiteral("Copia del fichero anterior: ").size());
    QVERIFY2(QRegularExpression(R"(^F:\\NOCTARIS\\Suenlace_\d{8}_\d{6}\.dat$)").match(copia).hasMatch(), qPrintable(copia));
    QFile f(carpeta(h).filePath(copia.mid(12)));
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(s.out.join('\n')));
    QCOMPARE(f.readAll(), QByteArray("ANTERIOR\r\n"));
    const QStringList copias = carpeta(h).entryList({"Suenlace_*.dat"}, QDir::Files, QDir::Name);
    QCOMPARE(copias.size(), 10);
    QVERIFY(!copias.contains("Suenlace_20120101_000002.dat") && copias.contains("Suenlace_20120101_000003.dat"));
    QVERIFY(!h.lineas().contains("ANTERIOR"));
    const appsupport::Salida historial = lote(h, {"historial"});
    QCOMPARE(historial.codigo, 0);
    const QString texto = historial.out.join('\n');
    QVERIFY2(texto.contains("Traspaso del 01-01-2013 al 31-01-2013") && texto.contains("(hecha)") && texto.contains("Facturas: 3") && texto.contains(copia), qPrintable(texto));
}

// The journal cannot take the run (here a view stands where its table
// goes): nothing is written, nothing marked, and the user is told why.
void TestDiario::diario_que_no_se_puede_escribir()
{
    Hotel h;
    fixture::poblar_enero(h);
    h.inst().ejecutar("fac3", "CREATE VIEW gen3 AS SELECT 1 AS GenId");
    const appsupport::Salida s = lote(h, kTraspaso);
    QCOMPARE(s.codigo, 1);
    QVERIFY2(s.err.join('\n').contains("No se puede marcar lo enviado en la base de datos del enlace"), qPrintable(s.err.join('\n')));
    QCOMPARE(h.contar("fac3", "FacEst = '1'") + h.contar("caj3", "CajEstado = '1'"), 0);
    QVERIFY(!QFileInfo::exists(h.fichero()));
    QCOMPARE(temporales(h), QStringList());
}

// A run in progress (here: its lock held) makes every other run give up at
// once, naming the holder, with nothing changed.
void TestDiario::instalacion_ocupada()
{
    for (const QStringList& orden : {kTraspaso, QStringList{"limpiar", "01012013", "31012013"}, QStringList{"exportar-pgc", "1", "--sobrescribir"}}) {
        Hotel h;
        fixture::poblar_enero(h);
        h.traspasar("20130101", "20130110");
        const QByteArray fichero = h.bytes();
        const auto estado = [&] { return fixture::estados_preparados(h) + h.volcar("ctas3") + h.volcar("caja"); };
        const QStringList antes = estado();
        const auto otro = platform::Bloqueo::tomar(carpeta(h).filePath("enlace3.lock"), "traspaso", nullptr);
        QVERIFY(otro);
        const appsupport::Salida s = lote(h, orden);
        QCOMPARE(s.codigo, 1);
        QVERIFY2(s.err.join('\n').contains(QStringLiteral("La instalación está ocupada por otro proceso de enlace3 (traspaso, pid %1").arg(QCoreApplication::applicationPid())),
                 qPrintable(s.err.join('\n')));
        QCOMPARE(estado(), antes);
        QCOMPARE(h.bytes(), fichero);
    }
}

// Two installations (companies 00001 and 00002) whose export folder is one
// folder, E:\EXPORT: the second's drive E is the first's, as two computers map
// one shared folder. The second's link is started before the first runs, as
// a window left open. While the folder is held its run is turned away before
// it stages anything; after the first's run, even one killed before or just
// after putting its file in place, the file holds every document of both
// once.
void TestDiario::carpeta_compartida()
{
    const QString desde = "01012013", hasta = "31012013";
    const auto hotel = [](int n) {
        auto h = std::make_unique<Hotel>(false, QVariantMap{{"Ca3ruta", "E:\\EXPORT"}, {"ca3Emp", QString("0000%1").arg(n)}});
        fixture::poblar_enero(*h);
        return h;
    };
    const auto documentos_de = [](const Hotel& h) { return documentos(fixture::lineas(h.inst().ruta("E:\\EXPORT\\Suenlace.dat"))); };
    QStringList solos[3];   // each installation's documents when it runs alone
    for (int n : {1, 2}) {
        const auto h = hotel(n);
        QVERIFY(QDir().mkpath(h->raiz() + "/e:/EXPORT"));
        QVERIFY(h->traspasar("20130101", "20130131").completo());
        solos[n] = documentos_de(*h);
    }
    QStringList ambos = solos[1] + solos[2];
    ambos.sort();
    struct Caso { const char* nombre; bool tomada; const char* punto; QStringList esperados; };
    for (const Caso& c : {Caso{"tomada", true, "", solos[1]}, Caso{"una tras otra", false, "", ambos},
                          Caso{"la primera muerta sin poner su fichero", false, "marcas", ambos},
                          Caso{"la primera muerta con su fichero ya puesto", false, "renombrado", ambos}}) {
        const auto h1 = hotel(1), h2 = hotel(2);
        QVERIFY(QDir().mkpath(h1->raiz() + "/e:/EXPORT"));
        QVERIFY(QFile::link(h1->raiz() + "/e:", h2->raiz() + "/e:"));
        const auto s2 = h2->arrancar({}, false);
        QCOMPARE(lote(*h1, kTraspaso, c.punto).codigo == 0, !*c.punto);
        const auto otro = c.tomada ? platform::Bloqueo::tomar(h1->raiz() + "/e:/EXPORT/enlace3-suenlace.lock", "traspaso", nullptr) : nullptr;
        QCOMPARE(bool(otro), c.tomada);
        s2->t->wdesde = "20130101", s2->t->whasta = "20130131";
        const ResultadoTraspaso r = iniciar(*s2->t);
        QCOMPARE(QString(c.nombre) + (r.completo() ? " completo" : " no"), QString(c.nombre) + (c.tomada ? " no" : " completo"));
        if (c.tomada) {
            const QString dicho = QStringLiteral("La carpeta E:\\EXPORT, donde se genera Suenlace.dat, la está usando otro proceso de enlace3 (traspaso, pid %1")
                                      .arg(QCoreApplication::applicationPid());
            QVERIFY2(r.ocupada && s2->ui.texts().join('\n').contains(dicho), qPrintable(s2->ui.texts().join('\n')));
            // The holder's temporary file is its own: the start-up leaves it alone.
            const QString suyo = h1->raiz() + "/e:/EXPORT/" + diario::nombre_temporal();
            QVERIFY(QFile(suyo).open(QIODevice::WriteOnly));
            const appsupport::Salida s = lote(*h2, {"traspasar", desde, hasta, "--anadir"});
            QVERIFY2(s.codigo == 1 && s.err.join('\n').contains(dicho), qPrintable(s.err.join('\n')));
            QVERIFY(QFile::remove(suyo));
            QCOMPARE(h2->contar("fac3") + h2->contar("caj3"), 0);   // nothing staged
        }
        if (*c.punto) QCOMPARE(lote(*h1, {"traspasar", desde, hasta, "--anadir"}).codigo, 0);
        QCOMPARE(documentos_de(*h1), c.esperados);
        QCOMPARE(h1->contar("fac3", "FacEst = '0'") + h2->contar("fac3", "FacEst = '0'"), 0);
    }
}

QTEST_GUILESS_MAIN(TestDiario)
#include "test_diario.moc"
