#include "device.h"

#include <gtest/gtest.h>

#include <string>

#include "protocol/parsers.h"
#include "protocol/requests.h"
#include "speeds.h"
#include "text_fields.h"

namespace tk52::sim {
namespace {

// The single reply the device gives to a request body, framed as it goes on the wire.
std::string ask(Device& device, std::string_view body) {
  const Answer answer = device.on_sentence(frame_request(body).view());
  EXPECT_EQ(answer.bodies.size(), 1u) << body;
  return answer.bodies.empty() ? std::string() : frame(answer.bodies.front());
}

struct ReplyCase {
  const char* model;
  const char* request;
  const char* reply;
};

TEST(Device, AnswersEachRequestWithItsExactReply) {
  const ReplyCase cases[] = {
      {"TK-52.00", "PKEXI", "$PKEXI,TK-52.00,01,V1.23*31\r\n"},
      {"TK-52.A", "PKEXI", "$PKEXI,TK-52.A,01,V2.345*"},
      {"TK-53", "PKEXI", "$PKEXI,TK-53,01,V3.012*"},
      {"TK-52.00", "PKEXC", "$PKEXC,2,1,2,0*44\r\n"},
      {"TK-52.01", "PKEXC", "$PKEXC,2,3,2,0*"},
      {"TK-53", "PKEXC", "$PKEXC,2,1,2,0,2,100*"},
      {"TK-52.00", "PKEXC,2,3,2,1", "$PKEXC,OK*6D\r\n"},
      {"TK-52.00", "PKEXC,9,3,2,1", "$PKEXC,E2*"},
      {"TK-52.00", "PKEXR,7", "$PKEXR,7,A*22\r\n"},
      {"TK-52.00", "PKEXR,8", "$PKEXE,02*"},
      {"TK-52.00", "PKEXR", "$PKEXE,01*"},
      {"TK-52.00", "PKEXS", "$PKEXS,A,08,1,23,5545.0012,N,03737.5000,E,156.07,M*"},
      {"TK-53", "PKEXS", "$PKEXS,A,08,,,5545.0012,N,03737.5000,E,156.07,M*"},
      {"TK-52.00", "PKEXD", "$PKEXD,OK*6A\r\n"},
      {"TK-52.00", "PKEXJ,01,num", "$PKEXE,01*"},  // the .00 keeps no journals
      {"TK-52.A", "PKEXJ,01,num", "$PKEXJ,01,0048*"},
      {"TK-52.A", "PKEXJ,04,num", "$PKEXE,02*"},
      {"TK-52.A", "PKEXJ,01,evt,0000", "$PKEXJ,01,0000,00C0000000000000*"},
      {"TK-52.A", "PKEXJ,01,evt,0048", "$PKEXE,02*"},
      {"TK-52.A", "PKEXJ,01,evt", "$PKEXE,01*"},
      {"TK-52.A", "PKEXJ,01,del", "$PKEXE,02*"},
      {"TK-52.A", "PKEXI,1", "$PKEXE,01*"},
      {"TK-52.A", "GPXYZ", "$PKEXE,01*"},
  };
  for (const ReplyCase& c : cases) {
    Device device(default_identity(c.model));
    EXPECT_TRUE(ask(device, c.request).starts_with(c.reply)) << c.model << " " << c.request;
  }
}

TEST(Device, IgnoresRequestsWithABadChecksum) {
  Device device(default_identity("TK-52.00"));
  EXPECT_TRUE(device.on_sentence("$PKEXI*40\r\n").bodies.empty());
  EXPECT_TRUE(device.on_sentence("$PKEXI\r\n").bodies.empty());
}

TEST(Device, RepliesDecodeWithTheConfiguratorsParsers) {
  for (const char* model : {"TK-52.00", "TK-52.01", "TK-52.A", "TK-53"}) {
    Device device(default_identity(model));
    const DeviceModelType type = device.model_type();

    const std::string ident = ask(device, "PKEXI");
    IdentificationRecord id{};
    ASSERT_EQ(parse_pkexi(ident.data(), ident.size(), id), result::kOk) << ident;
    EXPECT_EQ(model_type_from_name(id.model), type) << model;

    const std::string config = ask(device, "PKEXC");
    DeviceConfiguration decoded{};
    ASSERT_EQ(parse_pkexc_config(config.data(), config.size(), type, decoded), result::kOk)
        << config;
    EXPECT_EQ(decoded.time_stamp_format, 2);

    const std::string info = ask(device, "PKEXS");
    ExtraInfo extra{};
    ASSERT_EQ(parse_pkexs(info.data(), info.size(), extra), result::kOk) << info;
    EXPECT_EQ(extra.satellites, 8);
    EXPECT_EQ(extra.lat_deg, 55);
    EXPECT_EQ(extra.lon_hemisphere, 'E');

    for (int code : {0, 4, 5}) {
      device.set_diagnostic_code(code);
      const std::string diag = ask(device, "PKEXD");
      ResultCodeRecord decoded_code{};
      ASSERT_EQ(parse_pkexd(diag.data(), diag.size(), decoded_code), result::kOk) << diag;
      EXPECT_EQ(decoded_code.code, code);
    }

    const std::string speed = ask(device, "PKEXR,3");
    SpeedReply reply{};
    ASSERT_EQ(parse_pkexr(speed.data(), speed.size(), reply), result::kOk) << speed;
    EXPECT_EQ(reply.speed_index, 2);
  }
}

TEST(Device, SpeedChangeNamesTheNewSpeed) {
  Device device(default_identity("TK-52.00"));
  for (int n = 1; n <= 7; ++n) {
    const Answer answer = device.on_sentence(frame_request("PKEXR," + std::to_string(n)).view());
    EXPECT_EQ(answer.new_baud, kSpeeds[static_cast<std::size_t>(n - 1)]);
  }
  EXPECT_EQ(device.on_sentence(frame_request("PKEXR,0").view()).new_baud, 0);
}

struct WriteCase {
  const char* model;
  const char* fields;
  const char* reply;  // "OK" or "E<d>"
};

TEST(Device, ValidatesConfigurationWritesPerModel) {
  const WriteCase cases[] = {
      {"TK-52.00", "2,1,2,0", "OK"},      {"TK-52.00", "8,3,1,1", "OK"},
      {"TK-52.00", "2,0,2,0", "E3"},  // "none" exists only on the PPS models
      {"TK-52.00", "2,4,2,0", "E3"},      {"TK-52.00", "9,1,2,0", "E2"},
      {"TK-52.00", "x,1,2,0", "E2"},      {"TK-52.00", "22,1,2,0", "E2"},
      {"TK-52.00", "2,1,0,0", "E4"},      {"TK-52.00", "2,1,3,0", "E4"},
      {"TK-52.00", "2,1,2,2", "E6"},      {"TK-52.00", "2,1,2,0,2,100", "E1"},
      {"TK-52.00", "2,1,2", "E1"},        {"TK-52.01", "3,3,2,0", "OK"},
      {"TK-52.A", "2,0,2,0,2,100", "OK"}, {"TK-52.A", "2,1,2,0,0,001", "OK"},
      {"TK-52.A", "2,1,2,0,1,400", "OK"}, {"TK-52.A", "2,1,2,0,3,100", "E7"},
      {"TK-52.A", "2,1,2,0,2,000", "E8"}, {"TK-52.A", "2,1,2,0,2,401", "E8"},
      {"TK-52.A", "2,1,2,0,2,5", "E8"},   {"TK-52.A", "2,1,2,0", "E1"},
      {"TK-53", "4,3,1,1,0,050", "OK"},   {"TK-53", "2,1,2,0,2,-10", "E8"},
      {"TK-99", "2,1,2,0", "OK"},  // an unknown model takes the four-field layout
  };
  for (const WriteCase& c : cases) {
    Device device(default_identity(c.model));
    const Configuration before = device.configuration();
    const std::string reply = ask(device, std::string("PKEXC,") + c.fields);
    EXPECT_TRUE(reply.starts_with("$PKEXC," + std::string(c.reply) + "*"))
        << c.model << " " << c.fields << " -> " << reply;
    ResultCodeRecord code{};
    EXPECT_EQ(parse_pkexc_result(reply.data(), reply.size(), code), result::kOk);
    if (std::string_view(c.reply) == "OK") {
      EXPECT_EQ(configuration_fields(device.configuration(), device.model_type()), c.fields);
    } else {
      EXPECT_EQ(device.configuration(), before) << "a rejected write changes nothing";
    }
  }
}

}  // namespace
}  // namespace tk52::sim
