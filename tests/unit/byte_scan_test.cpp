#include "platform/byte_scan.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tk52::byte_scan {
namespace {

// Every implementation against the byte-at-a-time definition: the first of the given
// characters wherever it is (repeated after it, or absent, or looked for from a position on),
// and the exclusive-or of any prefix and any stretch.
template <class Block, class XorFold, std::size_t kSize>
void expect_block_scans_as_bytes() {
  std::mt19937 random(52);
  const std::string alphabet = "$\r\n*AZ09,\x80\xFF";
  for (int round = 0; round < 20000; ++round) {
    std::string bytes(kSize, ' ');
    for (char& c : bytes)
      c = random() % 3 == 0 ? alphabet[random() % alphabet.size()] : static_cast<char>(random());
    const Block block = Block::load(bytes.data());

    const std::size_t special = bytes.find_first_of(std::string("$\r\n", 3));
    EXPECT_EQ(block.find_any('$', '\r', '\n'), special == std::string::npos ? kSize : special);
    const std::size_t star = bytes.find('*');
    EXPECT_EQ(block.find('*'), star == std::string::npos ? kSize : star);
    const std::size_t from = random() % (kSize + 1);
    const std::size_t later_star = bytes.find('*', from);
    EXPECT_EQ(block.find_from('*', from), later_star == std::string::npos ? kSize : later_star)
        << from;
    const std::size_t later_special = bytes.find_first_of(std::string("$\r\n", 3), from);
    EXPECT_EQ(block.find_any_from('$', '\r', '\n', from),
              later_special == std::string::npos ? kSize : later_special)
        << from;

    std::string stored(kSize, '\0');
    block.store(stored.data());
    EXPECT_EQ(stored, bytes);

    // A whole block, less its first bytes, plus a stretch of it.
    const std::size_t count = random() % (kSize + 1);
    const std::size_t low = random() % (kSize + 1), high = low + random() % (kSize + 1 - low);
    XorFold fold;
    fold.add(block);
    fold.add_first(block, count);
    fold.add_between(block, low, high);
    std::uint8_t expected = 0;
    for (std::size_t i = 0; i < kSize; ++i) {
      if ((i >= count) != (i >= low && i < high))
        expected ^= static_cast<std::uint8_t>(bytes[i]);
    }
    EXPECT_EQ(fold.value(), expected) << count << " " << low << " " << high;
  }
}

TEST(ByteScan, PortableWordsScanAsBytes) {
  expect_block_scans_as_bytes<portable::Block, portable::XorFold, portable::kBlockSize>();
}

#ifdef TK52_BYTE_SCAN_SSE2
TEST(ByteScan, Sse2BlocksScanAsBytes) {
  expect_block_scans_as_bytes<sse2::Block, sse2::XorFold, sse2::kBlockSize>();
}
#endif

}  // namespace
}  // namespace tk52::byte_scan
