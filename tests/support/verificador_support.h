#pragma once

#include <QString>

// Checks a SUENLACE.DAT written by the project: the test fails (QFAIL, with
// the checker's whole report) when the file cannot be read or has any
// problem. Being a helper, it cannot stop the caller: follow it with
// `if (QTest::currentTestFailed()) return;` when later steps need the file.
void exigirFicheroValido(const QString& path);
