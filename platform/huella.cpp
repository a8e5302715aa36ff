#include "platform/huella.h"

#include <QFile>

#include <algorithm>

#include <openssl/evp.h>

namespace platform {

struct Sha256::Impl {
    EVP_MD_CTX* ctx = EVP_MD_CTX_new();
    ~Impl() { EVP_MD_CTX_free(ctx); }
};

Sha256::Sha256() : d(std::make_unique<Impl>())
{
    if (!d->ctx || EVP_DigestInit_ex(d->ctx, EVP_sha256(), nullptr) != 1)
        qFatal("libcrypto no ofrece SHA-256");
}

Sha256::~Sha256() = default;

void Sha256::add(QByteArrayView bytes)
{
    if (!bytes.isEmpty())
        EVP_DigestUpdate(d->ctx, bytes.data(), size_t(bytes.size()));
}

QString Sha256::hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_DigestFinal_ex(d->ctx, digest, &size);
    EVP_DigestInit_ex(d->ctx, EVP_sha256(), nullptr);
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(size)).toHex());
}

std::optional<QString> sha256_fichero(const QString& local, qint64 hasta)
{
    QFile f(local);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    Sha256 suma;
    QByteArray trozo(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 n = f.read(trozo.data(), hasta < 0 ? trozo.size() : std::min<qint64>(trozo.size(), hasta));
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        suma.add(QByteArrayView(trozo.constData(), n));
        if (hasta >= 0 && (hasta -= n) == 0)
            break;
    }
    return suma.hex();
}

} // namespace platform
