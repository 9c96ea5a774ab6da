#include "h5file/sha256.h"

#include <gtest/gtest.h>

#include <fstream>

#include "common/errors.h"
#include "h5file/temp_dir.h"

namespace ornaplex {
namespace {

TEST(Sha256Test, KnownVectors) {
  EXPECT_EQ(sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  // 896-bit message: the length field spills into a second padding block.
  EXPECT_EQ(sha256Hex("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklm"
                      "nopqklmnopqrlmnopqrsmnopqrstnopqrstu"),
            "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
}

TEST(Sha256Test, FileDigestMatchesAcrossReadBuffers) {
  testing::TempDir dir;
  const std::string path = dir / "million_a";
  {
    std::ofstream out(path, std::ios::binary);
    out << std::string(1000000, 'a');
  }
  EXPECT_EQ(sha256File(path), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
  EXPECT_THROW(sha256File(dir / "missing"), InputError);
}

}  // namespace
}  // namespace ornaplex
