#pragma once

// The chart-of-accounts export of a company kept in Zumeral ("Noctaris
// Conta"): its level-9 accounts are stored as pending accounts in ctas3
// (read phase), then every pending account goes to SUENLACE.DAT as an
// account record and is marked as sent (write phase). Nothing here touches a
// widget: messages and the question go through a.ui, and the progress line
// of the window goes through `mostrar`.

#include "data/a3ado.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

struct ResultadoExportacion {
    QString empresa;               // company code as formatted ("007")
    bool ocupada = false;          // another run held the installation (the user was told)
    bool carpeta_ocupada = false;  // ... or the export folder (ocupada is set too)
    bool sin_configuracion = false;  // no settings loaded (the user was told)
    bool empresa_abierta = false;  // false: "No existe la empresa: " was shown
    qint64 total_cuentas = 0;      // level-9 accounts counted (the count message)
    int almacenadas = 0;           // rows added to ctas3 by the read phase
    bool lectura_ok = false;       // read phase done and committed
    QString error_lectura;         // why the read phase stopped (nothing stored then)
    bool escritura = false;        // the write phase ran
    QString ruta;                  // wruta + "\Suenlace.dat"
    bool fichero_ok = false;       // written, closed and marks committed
    QString error;                 // why the file failed (path and reason)
    QString copia;                 // the copy of the file it replaced, as the user knows its path, or ""
    int exportadas = 0;            // account records written and marked
    QStringList omitidos;          // pending accounts left out, and why
    bool completo() const { return empresa_abierta && lectura_ok && fichero_ok && omitidos.isEmpty(); }
};

// The company code as typed: its numeric value zero-padded to at least three
// digits ("7" -> "007", "1234" -> "1234", "0012" -> "012"). Blanks around
// it are ignored; anything but digits is no company code (nothing returned).
std::optional<QString> formatear_empresa(const QString& texto);


// The Zumeral company file of a drive and a formatted company code:
// "G:\zumeral\007MAE.mdb".
QString archivo_empresa(const QString& unidad, const QString& empresa);

// The text of the end message of an export that went well.
QString mensaje_exito_exportacion(const QString& wruta);

class ExportacionPgc {
public:
    explicit ExportacionPgc(A3ADO& a);
    ~ExportacionPgc();
    ExportacionPgc(const ExportacionPgc&) = delete;
    ExportacionPgc& operator=(const ExportacionPgc&) = delete;

    A3ADO& a;

    // The company's data, made anew at each opening. The connection stays
    // open after a run; the next run replaces it.
    QString wunidad_conta;
    std::unique_ptr<ado::Connection> cn_conta;
    std::unique_ptr<ado::Recordset> rs_cta;
    std::unique_ptr<ado::Recordset> rs_ter;

    // The window's progress line (Label1); "" empties it.
    std::function<void(const QString&)> mostrar;

    // Opens the company database of the formatted code `empresa`; false when
    // the drive table, the file or its format fails (nothing is shown).
    bool abrir_empresa(const QString& empresa);
    // Read phase. All its rows are committed together at its end; a database
    // failure stores nothing, is shown, and gives false.
    bool leer_plan_contable();
    qint64 contar_cuentas();
    bool existe_en_ctas3(const QString& cuenta);
    void guardar_cuenta(const QString& cuenta, const QString& nombre, const QString& nif);
    // Write phase, with its end message. Marks are committed only once the
    // file is closed without error.
    void exportar_cuentas();

    ResultadoExportacion& resultado() { return r_; }

private:
    struct Escritura;
    void informar(const QString& texto);
    bool abrir_fichero(Escritura& e);
    void escribir_pendientes(Escritura& e);
    bool marcar_exportada(Escritura& e, const QString& quien);
    void cerrar_fichero(Escritura& e);
    void avisar_fin();

    ResultadoExportacion r_;
};

// The run of the window's button once the code is known to be numeric: takes
// the installation (or tells who holds it and stops), opens the company (or shows "No existe la empresa: " + code and stops),
// calls `al_abrir`, then the read phase and, when it went well, the write
// phase.
ResultadoExportacion exportar_pgc(ExportacionPgc& e, const QString& empresa,
                                  const std::function<void()>& al_abrir = {});
