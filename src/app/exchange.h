// The request-and-reply exchange every operation performs: reset the reply slot, send the
// request, wait up to 300 ms for the reply's arrival, take the slot. The caller holds the
// operation lock.
#pragma once

#include <chrono>

#include "link/serial_port.h"
#include "protocol/protocol.h"
#include "protocol/records.h"
#include "protocol/requests.h"

namespace tk52 {

inline constexpr std::chrono::milliseconds kReplyWait{300};

struct ExchangeOptions {
  int attempts = 3;
  // Connect and find stop at once when a send fails; the others count it as a failed attempt.
  bool abort_on_send_failure = false;
  bool quiet = false;  // no traffic-log line for the request
};

// One attempt: the send's code when it fails, 7 when no reply arrived, else the slot's result.
ResultCode exchange_once(Protocol& protocol, SerialPort& port, SentenceKind kind,
                         const Request& request, bool quiet = false,
                         ReplyPayload* payload = nullptr);

// Up to `attempts` attempts; stops at the first 0x1000. Returns the last attempt's code.
ResultCode exchange(Protocol& protocol, SerialPort& port, SentenceKind kind, const Request& request,
                    const ExchangeOptions& options = {}, ReplyPayload* payload = nullptr);

}  // namespace tk52
