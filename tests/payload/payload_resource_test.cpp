// Opening the payload resource: the language module first, then the executable.
#include <windows.h>

#include <gtest/gtest.h>

#include "payload/compress_error.h"
#include "payload/extract.h"
#include "payload/payload_resource.h"
#include "holders/handles.h"
#include "decoders.h"
#include "test_support.h"

namespace {

std::string all_of(payload::byte_source& in)
{
    std::string all;
    char piece[100];
    while (const std::size_t got = in.read(piece, sizeof piece))
        all.append(piece, got);
    return all;
}

class PayloadResourceDecoding : public ::testing::TestWithParam<test::decoder> {};
INSTANTIATE_TEST_SUITE_P(BothDecoders, PayloadResourceDecoding, test::both_decoders(), test::decoder_name);

TEST_P(PayloadResourceDecoding, ExecutablePayloadIsTestedAndExtracted)
{
    tal::imemstream source = payload::open_payload(nullptr);
    ASSERT_TRUE(payload::test_archive(source, GetParam().decoding));
    ASSERT_TRUE(source.seek(0));
    test::temp_folder folder;
    test::recorder log;
    ASSERT_TRUE(payload::extract_archive(source, {folder.wide(), L"", L""}, log.callback(), GetParam().decoding));
    EXPECT_EQ(test::read_file(folder.path() / "one.txt"), "fixture one\n");
    EXPECT_EQ(test::read_file(folder.path() / "Sub" / "two.txt"), "fixture two, in a sub-folder\n");
}

TEST(PayloadResource, LanguageModuleComesFirst)
{
    const tal::unique_hmodule module(::LoadLibraryExW(L"payload_module.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module);
    tal::imemstream source = payload::open_payload(module.get());
    EXPECT_EQ(all_of(source), "not a payload: the language module's own\n");
}

TEST(PayloadResource, ModuleWithoutPayloadFallsBackToTheExecutable)
{
    tal::imemstream from_module = payload::open_payload(::GetModuleHandleW(L"kernel32.dll"));
    tal::imemstream from_exe = payload::open_payload(nullptr);
    const std::string expected = all_of(from_exe);
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(all_of(from_module), expected);
}

} // namespace
