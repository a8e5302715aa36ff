#include "app/dibujos.h"

#include <QGuiApplication>

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <initializer_list>

namespace dibujos {

namespace {

const QColor kAzul(0x1f, 0x4e, 0x8c);
const QColor kAzulClaro(0x4f, 0x8f, 0xd6);
const QColor kNaranja(0xf0, 0x8c, 0x2a);
const QColor kVerde(0x2e, 0x8b, 0x57);
const QColor kMadera(0x9c, 0x64, 0x33);

// Drawn at the screen's pixel ratio (at least twice the size), so the
// pictures stay sharp on scaled screens.
QPixmap lienzo(QSize tamano)
{
    const auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    const qreal razon = qMax<qreal>(2.0, gui ? gui->devicePixelRatio() : 1.0);
    QPixmap p(tamano * razon);
    p.setDevicePixelRatio(razon);
    p.fill(Qt::transparent);
    return p;
}

// Drawing happens on a 100 × 100 grid scaled to the control.
void escalar(QPainter& g, QSize tamano)
{
    g.setRenderHint(QPainter::Antialiasing);
    g.scale(tamano.width() / 100.0, tamano.height() / 100.0);
}

void flecha(QPainter& g, QPointF desde, QPointF hasta, qreal grosor, const QColor& color)
{
    const QLineF linea(desde, hasta);
    const QLineF unidad = linea.unitVector();
    const QPointF d(unidad.dx(), unidad.dy());
    const QPointF n(-d.y(), d.x());
    const qreal punta = grosor * 2.4;
    const QPointF base = hasta - d * punta;
    g.setPen(QPen(color, grosor, Qt::SolidLine, Qt::RoundCap));
    g.drawLine(desde, base);
    g.setPen(Qt::NoPen);
    g.setBrush(color);
    g.drawPolygon(QPolygonF({hasta, base + n * punta * 0.8, base - n * punta * 0.8}));
}

// A closed outline through `puntos`, drawn with the current pen and brush.
void camino(QPainter& g, std::initializer_list<QPointF> puntos)
{
    QPainterPath trazo;
    trazo.moveTo(*puntos.begin());
    for (auto p = puntos.begin() + 1; p != puntos.end(); ++p)
        trazo.lineTo(*p);
    trazo.closeSubpath();
    g.drawPath(trazo);
}

// The green arrow leaving a 32 x 32 button picture, from `cola` to its head
// at the right edge; the head starts at `cuello`.
void flecha_de_salida(QPainter& g, qreal cola, qreal cuello)
{
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(40, 150, 60));
    camino(g, {{cola, 17}, {cuello, 17}, {cuello, 12}, {31, 20}, {cuello, 28}, {cuello, 23}, {cola, 23}});
}

// The button pictures of the dialogs are drawn on a 32 x 32 grid.
constexpr int kLado = 32;

template <typename Dibujo>
QPixmap de_boton(Dibujo dibujar)
{
    QPixmap p = lienzo(QSize(kLado, kLado));
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    dibujar(g);
    return p;
}

} // namespace

QPixmap salida(QSize tamano)
{
    QPixmap p = lienzo(tamano);
    QPainter g(&p);
    escalar(g, tamano);
    // frame of the door
    g.setPen(QPen(QColor(0x55, 0x55, 0x55), 5));
    g.setBrush(QColor(0xee, 0xee, 0xee));
    g.drawRect(QRectF(14, 8, 46, 84));
    // the door, swung open
    g.setPen(QPen(kMadera.darker(140), 3));
    g.setBrush(kMadera);
    g.drawPolygon(QPolygonF({QPointF(14, 8), QPointF(42, 18), QPointF(42, 98), QPointF(14, 92)}));
    g.setBrush(QColor(0xff, 0xd7, 0x00));
    g.setPen(Qt::NoPen);
    g.drawEllipse(QPointF(36, 55), 3.5, 3.5);
    flecha(g, QPointF(50, 50), QPointF(96, 50), 9, QColor(0xc6, 0x28, 0x28));
    return p;
}

QPixmap exportar(QSize tamano)
{
    QPixmap p = lienzo(tamano);
    QPainter g(&p);
    escalar(g, tamano);
    // the sheet with a folded corner
    QPainterPath hoja;
    hoja.moveTo(10, 6);
    hoja.lineTo(54, 6);
    hoja.lineTo(70, 22);
    hoja.lineTo(70, 94);
    hoja.lineTo(10, 94);
    hoja.closeSubpath();
    g.setPen(QPen(kAzul, 4));
    g.setBrush(Qt::white);
    g.drawPath(hoja);
    g.setBrush(kAzulClaro.lighter(150));
    g.drawPolygon(QPolygonF({QPointF(54, 6), QPointF(54, 22), QPointF(70, 22)}));
    // ledger lines
    g.setPen(QPen(kAzulClaro, 4));
    for (int y = 36; y <= 80; y += 11) g.drawLine(QPointF(20, y), QPointF(52, y));
    flecha(g, QPointF(44, 62), QPointF(97, 62), 10, kVerde);
    return p;
}

QPixmap banner(QSize tamano)
{
    QPixmap p = lienzo(tamano);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setRenderHint(QPainter::TextAntialiasing);
    const QRectF caja(1, 1, tamano.width() - 2, tamano.height() - 2);
    QLinearGradient fondo(caja.topLeft(), caja.bottomRight());
    fondo.setColorAt(0, kAzul);
    fondo.setColorAt(1, kAzulClaro);
    g.setPen(QPen(kAzul.darker(130), 1.5));
    g.setBrush(fondo);
    g.drawRoundedRect(caja, 8, 8);

    QFont titulo(QStringLiteral("DejaVu Sans"));
    titulo.setPixelSize(qMax(10, int(tamano.height() * 0.36)));
    titulo.setBold(true);
    g.setFont(titulo);
    g.setPen(Qt::white);
    const QRectF zona_titulo(caja.left(), caja.top() + caja.height() * 0.08, caja.width(), caja.height() * 0.58);
    g.drawText(zona_titulo, Qt::AlignCenter, QString::fromUtf8("Noctaris → A3"));

    QFont lema(QStringLiteral("DejaVu Sans"));
    lema.setPixelSize(qMax(7, int(tamano.height() * 0.16)));
    g.setFont(lema);
    g.setPen(QColor(0xff, 0xe0, 0xb0));
    const QRectF zona_lema(caja.left(), caja.top() + caja.height() * 0.64, caja.width(), caja.height() * 0.3);
    g.drawText(zona_lema, Qt::AlignCenter, QStringLiteral("Enlace contable del hotel"));
    return p;
}

QPixmap decorativo(QSize tamano)
{
    QPixmap p = lienzo(tamano);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    const qreal w = tamano.width();
    const qreal h = tamano.height();
    // the hotel front
    const QRectF hotel(w * 0.04, h * 0.12, w * 0.36, h * 0.84);
    g.setPen(QPen(kAzul.darker(120), 1.2));
    g.setBrush(QColor(0xf3, 0xe9, 0xd2));
    g.drawRect(hotel);
    g.setBrush(kNaranja);
    g.drawPolygon(QPolygonF({QPointF(hotel.left() - w * 0.02, hotel.top()), QPointF(hotel.center().x(), h * 0.02),
                             QPointF(hotel.right() + w * 0.02, hotel.top())}));
    g.setPen(Qt::NoPen);
    g.setBrush(kAzulClaro);
    const int columnas = 3, filas = 3;
    const qreal vw = hotel.width() / (columnas * 2 + 1), vh = hotel.height() / (filas * 2 + 2);
    for (int f = 0; f < filas; ++f)
        for (int c = 0; c < columnas; ++c)
            g.drawRect(QRectF(hotel.left() + vw * (1 + 2 * c), hotel.top() + vh * (1 + 2 * f), vw, vh));
    g.setBrush(kMadera);
    g.drawRect(QRectF(hotel.center().x() - vw * 0.8, hotel.bottom() - vh * 1.4, vw * 1.6, vh * 1.4));

    // the arrow between them
    flecha(g, QPointF(w * 0.44, h * 0.55), QPointF(w * 0.58, h * 0.55), qMax(2.0, h * 0.07), kVerde);

    // the ledger
    const QRectF libro(w * 0.61, h * 0.14, w * 0.36, h * 0.8);
    g.setPen(QPen(kAzul, 1.4));
    g.setBrush(Qt::white);
    g.drawRect(libro);
    g.setPen(QPen(kAzulClaro, 1));
    const int renglones = 6;
    for (int i = 1; i <= renglones; ++i) {
        const qreal y = libro.top() + libro.height() * i / (renglones + 1);
        g.drawLine(QPointF(libro.left() + 4, y), QPointF(libro.right() - 4, y));
    }
    g.setPen(QPen(QColor(0xc6, 0x28, 0x28), 1));
    const qreal x = libro.left() + libro.width() * 0.62;
    g.drawLine(QPointF(x, libro.top() + 2), QPointF(x, libro.bottom() - 2));
    return p;
}

QPixmap icono_ventana(QSize tamano)
{
    QPixmap p = lienzo(tamano);
    QPainter g(&p);
    escalar(g, tamano);
    g.setPen(Qt::NoPen);
    g.setBrush(kAzul);
    g.drawRoundedRect(QRectF(4, 4, 92, 92), 16, 16);
    flecha(g, QPointF(20, 50), QPointF(82, 50), 14, kNaranja);
    return p;
}


// A diskette: the changes kept.
QPixmap guardar()
{
    return de_boton([](QPainter& g) {
        g.setPen(QPen(QColor(30, 40, 70), 1.2));
        g.setBrush(QColor(50, 80, 150));
        camino(g, {{3, 3}, {25, 3}, {29, 7}, {29, 29}, {3, 29}});
        g.setBrush(QColor(210, 215, 225));
        g.drawRect(QRectF(9, 3, 14, 9));
        g.setBrush(QColor(50, 80, 150));
        g.drawRect(QRectF(18, 5, 3, 5));
        g.setBrush(Qt::white);
        g.drawRect(QRectF(7, 17, 18, 12));
        g.setPen(QPen(QColor(150, 150, 160), 1));
        for (int y = 20; y <= 26; y += 3)
            g.drawLine(QPointF(9, y), QPointF(23, y));
    });
}

// A key: the administrator's lock.
QPixmap llave()
{
    return de_boton([](QPainter& g) {
        g.setPen(QPen(QColor(120, 90, 20), 1.5));
        g.setBrush(QColor(230, 190, 60));
        g.drawEllipse(QRectF(3, 9, 13, 13));
        g.setBrush(Qt::white);
        g.drawEllipse(QRectF(7, 13, 5, 5));
        g.setPen(QPen(QColor(120, 90, 20), 3, Qt::SolidLine, Qt::FlatCap));
        g.drawLine(QPointF(16, 15.5), QPointF(30, 15.5));
        g.drawLine(QPointF(25, 15.5), QPointF(25, 21));
        g.drawLine(QPointF(29, 15.5), QPointF(29, 20));
    });
}

// A ledger with a cog: the settings of the accounts.
QPixmap ajustes()
{
    return de_boton([](QPainter& g) {
        g.setPen(QPen(QColor(70, 70, 70), 1.2));
        g.setBrush(Qt::white);
        g.drawRect(QRectF(3, 2, 20, 27));
        g.setPen(QPen(QColor(60, 90, 160), 1.2));
        for (int y = 8; y <= 24; y += 4)
            g.drawLine(QPointF(6, y), QPointF(20, y));
        g.translate(22, 22);
        g.setPen(QPen(QColor(60, 60, 60), 1));
        g.setBrush(QColor(150, 150, 160));
        for (int i = 0; i < 8; ++i) {
            g.drawRect(QRectF(-1.5, -9, 3, 4));
            g.rotate(45);
        }
        g.drawEllipse(QRectF(-6.5, -6.5, 13, 13));
        g.setBrush(Qt::white);
        g.drawEllipse(QRectF(-2.5, -2.5, 5, 5));
    });
}

// A ledger with a green arrow leaving it: the chart of accounts on its way
// to A3Con.
QPixmap exportar_pgc()
{
    return de_boton([](QPainter& g) {
        g.setPen(QPen(QColor(60, 50, 40), 1.2));
        g.setBrush(QColor(150, 60, 50));
        g.drawRoundedRect(QRectF(3, 3, 20, 26), 2, 2);
        g.setBrush(QColor(250, 248, 235));
        g.drawRect(QRectF(7, 5, 14, 22));
        g.setPen(QPen(QColor(60, 90, 160), 1));
        for (int y = 9; y <= 23; y += 3)
            g.drawLine(QPointF(9, y), QPointF(19, y));
        flecha_de_salida(g, 15, 23);
    });
}

// A written sheet with a green arrow leaving it: the file for A3Con.
QPixmap generar()
{
    return de_boton([](QPainter& g) {
        g.setPen(QPen(QColor(70, 70, 70), 1.2));
        g.setBrush(Qt::white);
        camino(g, {{4, 2}, {18, 2}, {24, 8}, {24, 29}, {4, 29}});
        g.drawLine(QPointF(18, 2), QPointF(18, 8));
        g.drawLine(QPointF(18, 8), QPointF(24, 8));
        g.setPen(QPen(QColor(60, 90, 160), 1.5));
        for (int y = 12; y <= 24; y += 4)
            g.drawLine(QPointF(7, y), QPointF(18, y));
        flecha_de_salida(g, 16, 24);
    });
}

// A broom over a bin: the staged data of the range swept away.
QPixmap limpiar()
{
    return de_boton([](QPainter& g) {
        g.setPen(QPen(QColor(70, 70, 70), 1.2));
        g.setBrush(QColor(200, 200, 205));
        camino(g, {{6, 14}, {22, 14}, {20, 30}, {8, 30}});
        g.drawRect(QRectF(4, 11, 20, 3));
        for (int x = 10; x <= 18; x += 4)
            g.drawLine(QPointF(x, 17), QPointF(x, 27));
        g.setPen(QPen(QColor(140, 90, 40), 2.2, Qt::SolidLine, Qt::RoundCap));
        g.drawLine(QPointF(30, 2), QPointF(21, 17));
        g.setPen(QPen(QColor(110, 70, 30), 1));
        g.setBrush(QColor(230, 190, 60));
        camino(g, {{20, 15}, {25, 18}, {21, 26}, {13, 22}});
    });
}

} // namespace dibujos
