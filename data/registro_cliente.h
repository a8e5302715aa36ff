#pragma once

#include <QString>

// A holder (customer, travel agency or company) whose account may have to be
// created in A3Con: the ten text fields handed to the pending-accounts store.
struct RegistroCliente {
    QString codigo;
    QString nombre;
    QString apellidos;
    QString direccion;
    QString poblacion;
    QString cp;
    QString provincia;
    QString nif;
    QString fecha;   // yyyymmdd
    QString cuenta;
};
