#pragma once
// The cipher as the session uses it: the active cipher number and the
// session password of one window state, warnings shown in its message boxes.

#include "AppState.h"

namespace moyuta::network {

// Enciphers one whole plain message; empty on failure, after its warning.
QString encipherMessage(AppState &s, const QString &plain);
// Deciphers one datagram's text; the key-mismatch text on failure.
QString decipherMessage(AppState &s, const QString &cipherText);

}  // namespace moyuta::network
