#pragma once
// The dispatcher's table: each keyword a connected peer sends and what this
// side does on it. The handshake texts (they carry the password), chat and
// moves are no keywords: the dispatcher handles them around the table.

#include "AppState.h"

namespace moyuta::network {

enum class KeywordOutcome {
    None,       // the message names no keyword
    Done,       // a keyword's handler ran and the message is used up
    AsUnknown,  // a handler ran and the message goes on as an unknown keyword
};

// Runs the handler of the first keyword in s.session.incomingMessage, in the table's order.
KeywordOutcome handlePeerKeyword(AppState &s);

}  // namespace moyuta::network
