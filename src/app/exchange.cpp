#include "app/exchange.h"

namespace tk52 {

ResultCode exchange_once(Protocol& protocol, SerialPort& port, SentenceKind kind,
                         const Request& request, bool quiet, ReplyPayload* payload) {
  protocol.slots().reset(kind);
  const ResultCode sent = quiet ? port.send_quietly(request.data(), request.size())
                                : port.send(request.data(), request.size());
  if (sent != result::kPortOk)
    return sent;
  if (!protocol.wait_arrival(kind, kReplyWait))
    return result::kNoReply;
  return protocol.slots().take(kind, payload);
}

ResultCode exchange(Protocol& protocol, SerialPort& port, SentenceKind kind, const Request& request,
                    const ExchangeOptions& options, ReplyPayload* payload) {
  ResultCode code = result::kNotPerformed;
  for (int attempt = 0; attempt < options.attempts; ++attempt) {
    code = exchange_once(protocol, port, kind, request, options.quiet, payload);
    if (code == result::kOk)
      break;
    const bool send_failed = code == result::kPortNotOpen || code == result::kWriteFailed;
    if (send_failed && options.abort_on_send_failure)
      break;
  }
  return code;
}

}  // namespace tk52
