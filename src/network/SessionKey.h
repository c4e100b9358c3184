#pragma once
// The secure session's pre-shared key: scrypt (OpenSSL) over the password and
// the cipher number, salted with both sides' fresh nonces so every session
// gets a key of its own.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace moyuta::network {

// scrypt's cost parameters.
struct ScryptCost {
    std::uint64_t n;
    std::uint32_t r;
    std::uint32_t p;
};

// About a tenth of a second here: each guess costs an attacker as much.
inline constexpr ScryptCost kSessionKeyCost{std::uint64_t(1) << 15, 8, 1};
inline constexpr int kSessionKeyBytes = 32;
inline constexpr int kNonceBytes = 16;

// scrypt through OpenSSL's EVP_KDF; empty when the library refuses or cannot be loaded.
QByteArray scrypt(const QByteArray &password, const QByteArray &salt, ScryptCost cost, int length);

// The session's key; empty when the salt is not one made by sessionSalt or the library fails.
QByteArray deriveSessionKey(const QString &password, int cipherNumber, const QByteArray &salt);

// One side's nonce from OpenSSL's random generator; empty when it has no entropy or cannot be loaded.
QByteArray makeNonce();

// The salt both sides compute alike: the two nonces in byte order, concatenated.
// Empty when either nonce is not kNonceBytes long.
QByteArray sessionSalt(const QByteArray &nonceA, const QByteArray &nonceB);

}  // namespace moyuta::network
