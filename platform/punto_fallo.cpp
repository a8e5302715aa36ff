#include "platform/punto_fallo.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

namespace {

struct PuntoElegido {
    bool activo = false;
    std::string nombre;
    long pasada = 1;   // the pass that kills
    long vistas = 0;   // passes seen so far
};

// Read once: the variable is set by the script that starts the process.
PuntoElegido leer_variable()
{
    PuntoElegido p;
    const char* valor = std::getenv("ENLACE3_PUNTO_FALLO");
    if (!valor || !*valor)
        return p;
    p.nombre = valor;
    const std::string::size_type dos_puntos = p.nombre.rfind(':');
    if (dos_puntos != std::string::npos) {
        char* fin = nullptr;
        const long n = std::strtol(p.nombre.c_str() + dos_puntos + 1, &fin, 10);
        if (fin && *fin == '\0' && dos_puntos + 1 < p.nombre.size() && n >= 1) {
            p.pasada = n;
            p.nombre.resize(dos_puntos);
        }
    }
    p.activo = !p.nombre.empty();
    return p;
}

} // namespace

void punto_de_fallo(const char* nombre)
{
    static PuntoElegido elegido = leer_variable();
    if (!elegido.activo || !nombre || elegido.nombre != nombre)
        return;
    if (++elegido.vistas == elegido.pasada)
        std::raise(SIGKILL);
}

} // namespace platform
