#include "protocol/requests.h"

#include <gtest/gtest.h>

#include "protocol/framing.h"

namespace tk52 {
namespace {

// The body between "$" and "*" of a built request, after checking its frame.
std::string body_of(const Request& request) {
  const std::string_view text = request.view();
  EXPECT_TRUE(verify_sentence(text.data(), text.size())) << text;
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  return std::string(text.substr(1, text.find('*') - 1));
}

TEST(Requests, QueriesAreTheBareName) {
  EXPECT_EQ(build_query(SentenceKind::kPkexs).view(), kExtraInfoQuery);
  EXPECT_EQ(build_query(SentenceKind::kPkexc).view(), "$PKEXC*45\r\n");
  EXPECT_EQ(build_query(SentenceKind::kPkexi).view(), "$PKEXI*4F\r\n");
  EXPECT_EQ(body_of(build_query(SentenceKind::kPkexd)), "PKEXD");
}

TEST(Requests, Bodies) {
  struct {
    const char* legend;
    Request request;
    const char* body;
  } cases[] = {
      {"115200 bit/s is position 6, sent as 7", build_speed_change(6), "PKEXR,7"},
      {"2400 bit/s", build_speed_change(0), "PKEXR,1"},
      {"count of journal 2", build_journal_request(2, JournalCommand::kCount), "PKEXJ,02,num"},
      {"clear journal 3", build_journal_request(3, JournalCommand::kClear), "PKEXJ,03,clr"},
      {"first record", build_journal_request(1, JournalCommand::kRecord, 0), "PKEXJ,01,evt,0000"},
      {"record 42", build_journal_request(1, JournalCommand::kRecord, 42), "PKEXJ,01,evt,0042"},
      {"type 1 sends four fields",
       build_configuration_write(model_from_number(1), {2, 1, 2, 0, 2, 5}), "PKEXC,2,1,2,0"},
      {"type 0 gets the four-field layout",
       build_configuration_write(model_from_number(0), {2, 3, 1, 1, 2, 5}), "PKEXC,2,3,1,1"},
      {"type 3 pads the width", build_configuration_write(model_from_number(3), {2, 0, 2, 0, 2, 5}),
       "PKEXC,2,0,2,0,2,005"},
      {"type 4 width 400", build_configuration_write(model_from_number(4), {8, 3, 1, 1, 1, 400}),
       "PKEXC,8,3,1,1,1,400"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(body_of(c.request), c.body) << c.legend;
}

TEST(Requests, EachOwnsItsText) {
  const Request first = build_speed_change(1);
  const Request second = build_speed_change(2);
  EXPECT_EQ(body_of(first), "PKEXR,2");
  EXPECT_EQ(body_of(second), "PKEXR,3");
}

}  // namespace
}  // namespace tk52
