#include "app_support.h"

#include "odbc_standin.h"

#include <QDir>

namespace appsupport {

Raiz::Raiz(demo::Opciones opciones)
{
    inst = std::make_unique<demo::Instalacion>(dir.path(), std::move(opciones));
    inst->construir();
}

RaizServidor::RaizServidor()
{
    demo::Opciones o = demo::Opciones::pruebas();
    o.servidor = true;
    o.dir_servidor = dir.path() + QStringLiteral("/servidor");
    inst = std::make_unique<demo::Instalacion>(dir.path(), o);
    inst->construir();
    QDir().mkpath(dir.path() + QStringLiteral("/odbc"));
    listo = testsupport::installOdbcStandin(dir.path() + QStringLiteral("/odbc"), &error);
    if (listo) QDir::setCurrent(inst->dir_servidor());
}

namespace {

QStringList lineas(const QByteArray& bytes)
{
    QString texto = QString::fromUtf8(bytes);
    if (texto.endsWith(QLatin1Char('\n'))) texto.chop(1);
    return texto.isEmpty() ? QStringList() : texto.split(QLatin1Char('\n'));
}

} // namespace

Salida ejecutar(const QStringList& args, const QString& raiz, QProcessEnvironment env, const QString& cwd)
{
    if (raiz.isEmpty()) env.remove(QStringLiteral("ENLACE3_DOSDEVICES"));
    else env.insert(QStringLiteral("ENLACE3_DOSDEVICES"), raiz);
    QProcess p;
    p.setProcessEnvironment(env);
    if (!cwd.isEmpty()) p.setWorkingDirectory(cwd);
    p.start(QStringLiteral(ENLACE3_BINARY), args);
    Salida s;
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit) return s;
    s.codigo = p.exitCode();
    s.out = lineas(p.readAllStandardOutput());
    s.err = lineas(p.readAllStandardError());
    // Qt's own notes about the session are not the program's output.
    s.err.removeIf([](const QString& l) { return l.startsWith(QLatin1String("QStandardPaths:")); });
    return s;
}

} // namespace appsupport
