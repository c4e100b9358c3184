#pragma once
// The network panel's "相手に伝えるアドレス": the addresses the friend must
// type to reach this copy, composed from the router's answer and the
// computer's global IPv6 addresses, and the notice when the router would not
// forward the port.

#include "AppState.h"

namespace moyuta::network {

struct OwnAddressTexts {
    QStringList lines;  // one address with its port each, the router's first
    QString notice;     // empty unless the router could not be made to forward the port
};

OwnAddressTexts ownAddressTexts(const AppState &s);
// Puts the texts into the panel's field (one address a line), copy button and notice.
void showOwnAddress(AppState &s);
// "コピー(&R)": the addresses to the clipboard, one a line.
void onCopyAddress(AppState &s);

// How many IPv6 addresses are kept, and how long one may be.
constexpr int kMaxIPv6Shown = 4;
constexpr int kMaxAddressChars = 45;

}  // namespace moyuta::network
