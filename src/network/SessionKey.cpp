#include "SessionKey.h"

#include <QLibrary>

#include <openssl/core_names.h>
#include <openssl/kdf.h>
#include <openssl/params.h>
#include <openssl/rand.h>

#include <memory>
#include <type_traits>

namespace moyuta::network {

namespace {

using KdfPtr = std::unique_ptr<EVP_KDF, decltype(&EVP_KDF_free)>;
using KdfCtxPtr = std::unique_ptr<EVP_KDF_CTX, decltype(&EVP_KDF_CTX_free)>;

// libcrypto is loaded when a session first needs it, not with the program:
// linking it costs every start a few milliseconds.
struct Crypto {
    decltype(&EVP_KDF_fetch) kdfFetch = nullptr;
    decltype(&EVP_KDF_free) kdfFree = nullptr;
    decltype(&EVP_KDF_CTX_new) ctxNew = nullptr;
    decltype(&EVP_KDF_CTX_free) ctxFree = nullptr;
    decltype(&EVP_KDF_derive) derive = nullptr;
    decltype(&OSSL_PARAM_construct_octet_string) octets = nullptr;
    decltype(&OSSL_PARAM_construct_uint64) uint64 = nullptr;
    decltype(&OSSL_PARAM_construct_uint32) uint32 = nullptr;
    decltype(&OSSL_PARAM_construct_end) end = nullptr;
    decltype(&RAND_bytes) randBytes = nullptr;
    bool ok = false;
};

Crypto loadCrypto()
{
    Crypto c;
    QLibrary lib(QStringLiteral("crypto"), 3);  // OpenSSL 3's soname; the library stays loaded
    if (!lib.load())
        return c;
    auto get = [&lib](auto &f, const char *name) {
        f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(lib.resolve(name));
        return f != nullptr;
    };
    c.ok = get(c.kdfFetch, "EVP_KDF_fetch") && get(c.kdfFree, "EVP_KDF_free") && get(c.ctxNew, "EVP_KDF_CTX_new")
        && get(c.ctxFree, "EVP_KDF_CTX_free") && get(c.derive, "EVP_KDF_derive")
        && get(c.octets, "OSSL_PARAM_construct_octet_string") && get(c.uint64, "OSSL_PARAM_construct_uint64")
        && get(c.uint32, "OSSL_PARAM_construct_uint32") && get(c.end, "OSSL_PARAM_construct_end")
        && get(c.randBytes, "RAND_bytes");
    return c;
}

// Loaded once, by whichever thread asks first.
const Crypto &crypto()
{
    static const Crypto c = loadCrypto();
    return c;
}

// Keeps keys of other uses of the same password apart from this one.
constexpr char kSaltLabel[] = "moyuta secure session 1";

}  // namespace

QByteArray scrypt(const QByteArray &password, const QByteArray &salt, ScryptCost cost, int length)
{
    const Crypto &c = crypto();
    if (length <= 0 || !c.ok)
        return {};
    KdfPtr kdf(c.kdfFetch(nullptr, "SCRYPT", nullptr), c.kdfFree);
    if (!kdf)
        return {};
    KdfCtxPtr ctx(c.ctxNew(kdf.get()), c.ctxFree);
    if (!ctx)
        return {};
    QByteArray pass = password, saltCopy = salt;  // OSSL_PARAM wants non-const buffers
    std::uint64_t n = cost.n;
    std::uint32_t r = cost.r, p = cost.p;
    const OSSL_PARAM params[] = {
        c.octets(OSSL_KDF_PARAM_PASSWORD, pass.data(), size_t(pass.size())),
        c.octets(OSSL_KDF_PARAM_SALT, saltCopy.data(), size_t(saltCopy.size())),
        c.uint64(OSSL_KDF_PARAM_SCRYPT_N, &n),
        c.uint32(OSSL_KDF_PARAM_SCRYPT_R, &r),
        c.uint32(OSSL_KDF_PARAM_SCRYPT_P, &p),
        c.end(),
    };
    QByteArray out(length, '\0');
    if (c.derive(ctx.get(), reinterpret_cast<unsigned char *>(out.data()), size_t(length), params) != 1)
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
    const Crypto &c = crypto();
    QByteArray nonce(kNonceBytes, '\0');
    if (!c.ok || c.randBytes(reinterpret_cast<unsigned char *>(nonce.data()), kNonceBytes) != 1)
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
