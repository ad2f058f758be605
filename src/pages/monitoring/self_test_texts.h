// Texts of the self-diagnostic codes: 5 is "OK", 0..4 name a fault; the decoder also accepts
// 6..9, which the clock does not document.
#pragma once

#include <string>
#include <string_view>

namespace tk52 {

// "OK" for 5, "E<code>" otherwise.
std::string self_test_code_text(int code);
// The short text (the traffic log's), UTF-8.
std::string_view self_test_short_text(int code);
// The warning box's text: "Код самодиагностики - E4." CR LF and the explanation.
std::string self_test_long_text(int code);

}  // namespace tk52
