// Where the windows put their controls, from one table: position and size
// in pixels (a twip is 1/15), caption, tooltip, font, background and picture.

#include "app/ventana_principal.h"
#include "support/fixtures.h"
#include "transfer/ventana_traspaso.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

namespace {

struct Control {
    const char *ventana, *nombre, *padre;
    QRect caja;   // -1: not fixed
    const char *texto, *consejo, *letra, *fondo;
    bool dibujo;
};

const Control kControles[] = {
    {"enlace3", "enlace3", "", {-1, -1, 503, 195}, "Enlace de Noctaris a A3 Software.", "", "", "", false},
    {"enlace3", "barra", "enlace3", {0, 172, 503, 23}, "", "", "", "", false},
    {"enlace3", "panel1", "", {-1, -1, 96, -1}, "", "", "", "", false},   // 2540 and 8819 hundredths of a mm
    {"enlace3", "panel2", "", {-1, -1, 333, -1}, "", "", "", "", false},
    {"enlace3", "Label1", "enlace3", {280, 23, 220, 21}, "Configuración General",
     "Configuración Parámetros Generales del Enlace", "Calibri 11.25", "blanco", false},
    {"enlace3", "Label4", "enlace3", {280, 54, 220, 21}, "Configuración Cuentas Ventas",
     "Configuración Cuentas Contables de los Conceptos Facturables en el Hotel", "Calibri 11.25", "blanco", false},
    {"enlace3", "Label5", "enlace3", {280, 84, 220, 21}, "Configuración Cuentas Cobro",
     "Configuración Cuentas Contables de Formas de Cobro en el Hotel", "Calibri 11.25", "blanco", false},
    {"enlace3", "Label2", "enlace3", {280, 114, 220, 21}, "Generación SUENLACE.DAT",
     "Inicia el proceso de generación del fichero a importar desde A3 Con.", "Calibri 11.25", "ventana", false},
    {"enlace3", "Label3", "enlace3", {858, 659, 125, 21}, "Ficheros", "", "Verdana 9.75", "", false},
    {"enlace3", "Image1", "enlace3", {51, 93, 166, 67}, "", "", "", "", true},
    {"enlace3", "Image2", "enlace3", {225, 96, 32, 32}, "", "", "", "", true},
    {"enlace3", "Image3", "enlace3", {10, 98, 32, 32}, "", "Exportar PGC desde Zumeral", "", "", true},
    {"enlace3", "Image4", "enlace3", {13, 11, 236, 66}, "", "", "", "", true},
    {"traspa3", "traspa3", "", {-1, -1, 359, 190}, "Traspaso a Suenlace.dat", "", "", "", false},
    {"traspa3", "GroupBox1", "traspa3", {14, 13, 328, 83}, " Selección de Fechas ", "", "", "", false},
    {"traspa3", "Label2", "GroupBox1", {12, 37, 45, 19}, "Desde :", "", "", "", false},
    {"traspa3", "Label1", "GroupBox1", {178, 36, 45, 19}, "Hasta :", "", "", "", false},
    {"traspa3", "de", "GroupBox1", {60, 33, 81, 22}, "", "", "", "", false},
    {"traspa3", "hasta", "GroupBox1", {225, 33, 81, 22}, "", "", "", "", false},
    {"traspa3", "btnGenerar", "traspa3", {16, 118, 150, 48}, "Generar Suenlace.DAT",
     "Generar el Fichero Suenlace.DAT para importar desde A3 Con", "", "", true},
    {"traspa3", "btnLimpiar", "traspa3", {193, 118, 150, 48}, "Limpiar Temporales",
     "Limpia los ficheros temporales para realizar de nuevo la exportación.", "", "", true},
};

QString texto(QWidget* w)
{
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    return w->isWindow() ? w->windowTitle() : QString();
}

bool dibujo(QWidget* w)
{
    if (auto* l = qobject_cast<QLabel*>(w)) return !l->pixmap().isNull();
    auto* b = qobject_cast<QAbstractButton*>(w);
    return b && !b->icon().isNull();
}

} // namespace

class TestDisposicionVentanas : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controles_de_cada_ventana()
    {
        fixture::Entorno e;
        e.arrancar();
        VentanaPrincipal principal(e.a());
        VentanaTraspaso traspaso(e.a());
        QCOMPARE(principal.minimumSize(), principal.maximumSize());
        QVERIFY(traspaso.isModal());
        const QColor fondo_ventana = principal.palette().color(QPalette::Window);
        for (const Control& c : kControles) {
            QWidget* ventana = QString(c.ventana) == "enlace3" ? static_cast<QWidget*>(&principal) : &traspaso;
            QWidget* w = c.nombre == QString(c.ventana) ? ventana : ventana->findChild<QWidget*>(c.nombre);
            QVERIFY2(w, c.nombre);
            const QRect r = w->geometry();
            const QList<int> visto = {r.x(), r.y(), r.width(), r.height()};
            QList<int> esperado = {c.caja.x(), c.caja.y(), c.caja.width(), c.caja.height()};
            for (int i = 0; i < 4; ++i)
                if (esperado[i] < 0) esperado[i] = visto[i];
            const QString letra = *c.letra ? w->font().family() + " " + QString::number(w->font().pointSizeF()) : "";
            const QColor color = w->palette().color(QPalette::Window);
            const QString fondo = !*c.fondo ? "" : color == Qt::white && !w->font().bold() ? "blanco"
                                                 : color == fondo_ventana ? "ventana" : color.name();
            QCOMPARE(QStringList({c.nombre, texto(w), w->toolTip(), letra, fondo, dibujo(w) ? "dibujo" : ""}),
                     QStringList({c.nombre, c.texto, c.consejo, c.letra, c.fondo, c.dibujo ? "dibujo" : ""}));
            QCOMPARE(visto, esperado);
            if (*c.padre) QCOMPARE(w->parentWidget()->objectName(), QString(c.padre));
        }
    }
};

QTEST_MAIN(TestDisposicionVentanas)
#include "test_disposicion_ventanas.moc"
