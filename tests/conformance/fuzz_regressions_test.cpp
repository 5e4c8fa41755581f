// Inputs the fuzz targets found to break something, kept as plain tests so that every build (the sanitizer build
// among them) runs them; the same inputs stay in tests/fuzz/corpus.
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/pipl.h"

namespace pwtest {
namespace {

struct Regression {
    const char* name;
    std::function<void()> run;
};

// A record whose one property is empty: reading it as text found no terminator in no bytes.
void EmptyPropertyAsText()
{
    const std::vector<uint8_t> bytes = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 'M', 'I', 'B', '8', 'e', 'm', 'a', 'n',
                                        0, 0, 0, 0, 0, 0, 0, 0};
    pwhost::PiplRecord record;
    std::string error;
    ASSERT_TRUE(pwhost::ParsePipl(bytes, record, error)) << error;
    ASSERT_EQ(record.properties.size(), 1u);
    const std::string key = record.properties[0].key;
    std::string text;
    EXPECT_FALSE(record.CString(key, text));
    EXPECT_FALSE(record.PascalString(key, text));
}

const Regression kRegressions[] = {
    {"EmptyPropertyAsText", EmptyPropertyAsText},
};

class FuzzRegression : public ::testing::TestWithParam<Regression> {};

TEST_P(FuzzRegression, HoldsFirm) { GetParam().run(); }

INSTANTIATE_TEST_SUITE_P(Found, FuzzRegression, ::testing::ValuesIn(kRegressions),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pwtest
