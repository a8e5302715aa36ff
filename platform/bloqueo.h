#pragma once

// One run at a time per installation: a lock file that only one process (and
// one Bloqueo) can hold. The lock belongs to the open file, so the system
// drops it when its holder dies however it dies; a lock left by a crashed run
// is taken over by the next one without anybody deleting anything.

#include <QString>
#include <memory>

namespace platform {

class Bloqueo {
public:
    // Takes the lock file at `ruta` (created when missing) without waiting.
    // nullptr when another process (or another Bloqueo of this process) holds
    // it: *ocupante then describes the holder (task, pid, host, since when) or
    // the system's reason, and *por_sistema (when given) tells which of the two.
    static std::unique_ptr<Bloqueo> tomar(const QString& ruta, const QString& tarea, QString* ocupante,
                                          bool* por_sistema = nullptr);
    ~Bloqueo();   // releases
    Bloqueo(const Bloqueo&) = delete;
    Bloqueo& operator=(const Bloqueo&) = delete;

    const QString& ruta() const { return ruta_; }

private:
    Bloqueo(int fd, QString ruta) : fd_(fd), ruta_(std::move(ruta)) {}
    int fd_;
    QString ruta_;
};

} // namespace platform
