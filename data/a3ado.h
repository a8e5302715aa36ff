#pragma once

// The process-wide state of the link: where the data lie, the open
// connections and shared recordsets, and the settings of the row 'KOVE3'.
// One A3ADO is made at start-up and passed by reference to whoever needs it.

#include "data/registro_cliente.h"
#include "data/version.h"
#include "platform/ado.h"
#include "platform/drive_map.h"
#include "platform/interaction.h"

#include <QString>
#include <QStringList>

class A3ADO {
public:
    A3ADO(platform::DriveMap drives, platform::Interaction& ui);
    A3ADO(const A3ADO&) = delete;
    A3ADO& operator=(const A3ADO&) = delete;

    platform::DriveMap unidades;
    platform::Interaction& ui;

    // --- where the data lie (set once at start-up) ---
    QString wunidad;          // drive letter of the hotel data, no colon
    bool wsql = false;        // hotel data in SQL Server
    QString wservidor;
    QString wcatalogo;

    // --- connections ---
    ado::Connection cn_unidades, cn_sistema, cn_sql;
    ado::Connection cn_emi, cn_hiscadia, cn_agen, cn_na, cn_caja, cn_cli, cn_formas;
    ado::Connection cn_enlace;

    // --- shared recordsets ---
    ado::Recordset rs_unidades, rs_con;
    ado::Recordset rs_emi, rs_hiscadia, rs_agen, rs_na, rs_cli, rs_caja, rs_formas, rs_ser;
    ado::Recordset rs_caj3, rs_ca3, rs_fac3, rs_fal3, rs_cre3, rs_edep3, rs_ctas3;

    // --- settings (row 'KOVE3' of ca3) ---
    QString wempresa;
    QString wruta;
    int wdigitos = 0;
    QString wcta_clientes;
    QString wcta_agencias;
    QString wcta_empresas;
    QString wcta_depositos;
    QString wcta_iva;
    QString wcta_cuadre;
    bool wdesglosar_ventas = false;
    bool wtraspasar_creditos = false;
    bool wiva_por_tipo = false;
    bool wcuenta_por_pasante = false;
    bool wcrear_cuentas = false;
    bool wcuenta_unica_pasantes = false;
    QString wcta_tasa;
    bool wexportar_pgc = false;

    // --- start-up (throw ado::Error on failure) ---
    QString leer_unidad_hotel();
    QString leer_unidad_conta();
    void leer_conexion_sql();
    void abrir_conexiones();
    void abrir_sql();
    void abrir_bases_hotel();
    // The hotel's Access files the link opens, in the order it opens them.
    static QStringList archivos_hotel();
    void abrir_enlace();
    // Creates, when missing, the indexes the transfer's lookups go by (fac3,
    // caj3, ctas3, fal3, cre3; only on tables that exist). Run by
    // abrir_enlace and when the upgrade creates Ctas3; never counted among
    // the upgrade's statements.
    void asegurar_indices();

    // --- settings ---
    // Upgrades the link database's schema, then loads the row 'KOVE3'.
    // A Null Ca3Niv loads nothing and tells the user to complete
    // "Configuración General"; returns false then.
    bool cargar_configuracion();
    void actualizar_estructura();
    // A run that writes accounts needs settings: none are loaded while the
    // link database has no row 'KOVE3' or its Ca3Niv is Null. Tells the user
    // and returns false then.
    bool exigir_configuracion();

    // --- pending accounts ---
    void grabar_cuenta_pendiente(RegistroCliente& registro);
    // Whether ctas3 holds the account, pending or sent (rs_ctas3 is opened
    // on it and closed). Blanks after an account are its column's padding
    // (a CHAR(12) column hands accounts back padded): "430" and "430   " are
    // one account, on either side.
    bool existe_en_ctas3(const QString& cuenta);

    // Hotel files read into a private copy (genuine Access files) are read
    // again when they changed since: a run works on the hotel's data of now.
    void refrescar_copias_hotel();
    // Why the hotel's files in \noctaris\ named cannot be changed here (some
    // are genuine Access files, which only the hotel product can write), or
    // "" when they can.
    QString motivo_solo_lectura(const QStringList& archivos) const;

    // A file in \noctaris\ of the data drive as the link names it
    // ("F:\noctaris\formas.MDB").
    QString ruta_hotel(const QString& archivo) const;
    // The Jet connection string of a file in \noctaris\ of the data drive.
    QString cadena_jet(const QString& windowsPath) const;
    // The hotel connection that serves a table: cn_sql in server mode,
    // otherwise the file's own connection (emi, hiscadia, agen, na, caja, cli, formas).
    ado::Connection& conexion_hotel(const QString& tabla);
};

inline constexpr const char* kJetPrefix = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source= ";
inline constexpr const char* kVersion = "Versión:" ENLACE3_VERSION;
