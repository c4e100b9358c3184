#include "SessionKey.h"

#include <openssl/core_names.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <memory>

namespace moyuta::network {

namespace {

using KdfPtr = std::unique_ptr<EVP_KDF, decltype(&EVP_KDF_free)>;
using KdfCtxPtr = std::unique_ptr<EVP_KDF_CTX, decltype(&EVP_KDF_CTX_free)>;

// Keeps keys of other uses of the same password apart from this one.
constexpr char kSaltLabel[] = "moyuta secure session 1";

}  // namespace

QByteArray scrypt(const QByteArray &password, const QByteArray &salt, ScryptCost cost, int length)
{
    if (length <= 0)
        return {};
    KdfPtr kdf(EVP_KDF_fetch(nullptr, "SCRYPT", nullptr), &EVP_KDF_free);
    if (!kdf)
        return {};
    KdfCtxPtr ctx(EVP_KDF_CTX_new(kdf.get()), &EVP_KDF_CTX_free);
    if (!ctx)
        return {};
    QByteArray pass = password, saltCopy = salt;  // OSSL_PARAM wants non-const buffers
    std::uint64_t n = cost.n;
    std::uint32_t r = cost.r, p = cost.p;
    const OSSL_PARAM params[] = {
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_PASSWORD, pass.data(), size_t(pass.size())),
        OSSL_PARAM_construct_octet_string(OSSL_KDF_PARAM_SALT, saltCopy.data(), size_t(saltCopy.size())),
        OSSL_PARAM_construct_uint64(OSSL_KDF_PARAM_SCRYPT_N, &n),
        OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_R, &r),
        OSSL_PARAM_construct_uint32(OSSL_KDF_PARAM_SCRYPT_P, &p),
        OSSL_PARAM_construct_end(),
    };
    QByteArray out(length, '\0');
    if (EVP_KDF_derive(ctx.get(), reinterpret_cast<unsigned char *>(out.data()), size_t(length), params) != 1)
        return {};
    return out;
}

QByteArray deriveSessionKey(const QString &password, int cipherNumber, const QByteArray &salt)
{
    if (salt.size() != 2 * kNonceBytes)
        return {};
    // The number first and ended by ':', which no number contains: no two
    // (number, password) pairs give the same input.
    const QByteArray material = QByteArray::number(cipherNumber) + ':' + password.toUtf8();
    return scrypt(material, QByteArray(kSaltLabel) + salt, kSessionKeyCost, kSessionKeyBytes);
}

QByteArray makeNonce()
{
    QByteArray nonce(kNonceBytes, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char *>(nonce.data()), kNonceBytes) != 1)
        return {};
    return nonce;
}

QByteArray sessionSalt(const QByteArray &nonceA, const QByteArray &nonceB)
{
    if (nonceA.size() != kNonceBytes || nonceB.size() != kNonceBytes)
        return {};
    return nonceA < nonceB ? nonceA + nonceB : nonceB + nonceA;
}

}  // namespace moyuta::network
