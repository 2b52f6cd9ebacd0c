#include <gtest/gtest.h>

#include <string>

#include "sha256.h"

namespace {

std::string digest(const std::string& message, size_t piece)
{
    Sha256 sha;
    for (size_t at = 0; at < message.size(); at += piece)
        sha.update(message.data() + at, std::min(piece, message.size() - at));
    return sha.hexDigest();
}

TEST(Sha256, FipsVectorsInAnyPieces)
{
    // FIPS 180-2's examples: lengths on each side of the padding's edge, and
    // a million bytes fed whole, one at a time and in odd pieces.
    const std::string million(1000000, 'a');
    for (size_t piece : {size_t(1), size_t(63), size_t(64), size_t(1000000)}) {
        EXPECT_EQ(digest("", piece), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
        EXPECT_EQ(digest("abc", piece), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        EXPECT_EQ(digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", piece),
                  "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
        EXPECT_EQ(digest("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
                         piece),
                  "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
        EXPECT_EQ(digest(million, piece), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    }
}

}  // namespace
