// The random names of the run's temporary folders.
#include <gtest/gtest.h>

#include <set>

#include "support/random_uuid.h"

namespace {

TEST(RandomUuid, TextOfGivenBytes)
{
    // The version nibble becomes 4 and the variant bits 10, whatever the bytes held.
    EXPECT_EQ(tal::uuid_v4_text({0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD,
                                 0xEE, 0xFF}),
              L"00112233-4455-4677-8899-aabbccddeeff");
    EXPECT_EQ(tal::uuid_v4_text({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                 0xFF, 0xFF}),
              L"ffffffff-ffff-4fff-bfff-ffffffffffff");
    EXPECT_EQ(tal::uuid_v4_text({}), L"00000000-0000-4000-8000-000000000000");
}

TEST(RandomUuid, NewTextsAreVersionFourAndDiffer)
{
    std::set<std::wstring> seen;
    for (int i = 0; i < 64; ++i) {
        const std::wstring text = tal::new_uuid_text();
        ASSERT_EQ(text.size(), 36u);
        for (std::size_t at = 0; at < text.size(); ++at) {
            const wchar_t c = text[at];
            if (at == 8 || at == 13 || at == 18 || at == 23)
                EXPECT_EQ(c, L'-') << at;
            else
                EXPECT_TRUE((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f')) << at;
        }
        EXPECT_EQ(text[14], L'4');
        EXPECT_NE(std::wstring(L"89ab").find(text[19]), std::wstring::npos) << text[19];
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 64u);
}

} // namespace
