// A profile's digest is the SHA-256 a person gets from sha256sum for the same file.
#include <gtest/gtest.h>

#include <string>

#include "FileDigest.h"

namespace {

struct DigestRow {
    const char* name;
    std::string bytes;
    const char* sha256;
};

class FileDigestTest : public testing::TestWithParam<DigestRow> {};

TEST_P(FileDigestTest, AsSha256sumSaysIt) {
    EXPECT_EQ(station::sha256Of(GetParam().bytes), GetParam().sha256);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FileDigestTest,
    testing::Values(
        DigestRow{"Empty", "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        DigestRow{"Abc", "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        DigestRow{"TwoBlocks", "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
                  "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        DigestRow{"NulAndHighBytes", std::string("\0\xff\x80", 3),
                  "f742b965f156c10374bc23aea96e3a8aff8facd6fc079defeaa30219ad86f211"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
