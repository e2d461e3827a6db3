#pragma once
// The engine's two ways of decoding the payload: every test of the engine runs over both,
// and both must give the same bytes, notifications and errors.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "payload/bzip2_decoding.h"

namespace test {

struct decoder {
    const char* name;
    payload::bzip2_decoding decoding;
};

inline void PrintTo(const decoder& d, std::ostream* os)
{
    *os << d.name;
}

inline const decoder sequential_decoder{"Sequential", {0}};
inline const decoder parallel_decoder{"Parallel", {2}};

inline auto both_decoders()
{
    return ::testing::Values(sequential_decoder, parallel_decoder);
}

inline std::string decoder_name(const ::testing::TestParamInfo<decoder>& info)
{
    return info.param.name;
}

} // namespace test
