#pragma once

// SHA-256 of the bytes of a file as they are written or read back. The
// processor's own instructions do it (through libcrypto) where it has them:
// a year's file is over a hundred megabytes and is hashed at every run.

#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>

namespace platform {

class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void add(QByteArrayView bytes);
    // Lower-case hexadecimal digest of everything added.
    QString hex();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The digest of a whole file (or of its first `hasta` bytes), or nothing when
// it cannot be read.
std::optional<QString> sha256_fichero(const QString& local, qint64 hasta = -1);

} // namespace platform
