// The number texts must be exactly what printf writes: compared with printf itself over
// the values where the forms change and over random bit patterns.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "model/NumberText.h"

namespace {

std::string Printf(const char* format, int precision, double value) {
    char text[128];
    std::snprintf(text, sizeof text, format, precision, value);
    return text;
}

std::string General(double value, int precision) {
    char text[128];
    orvel::GeneralText(value, precision, text, sizeof text);
    return text;
}

// REAL*8 and COMPLEX*16 values, and the edge precisions.
constexpr int kPrecisions[] = {15, 1, 6, 17, 20};

const double kEdgeValues[] = {0.0,
                              -0.0,
                              1.0,
                              -1.0,
                              0.5,
                              499999.5,
                              1e15,
                              1e16,
                              999999999999999.5,
                              123456.5,
                              999999.5,
                              9.9999995,
                              0.1,
                              0.3,
                              -2.5e-5,
                              1e14,
                              999999999999999.0,
                              123456789012345.0,
                              1e21,
                              1e-310,
                              std::numeric_limits<double>::min(),
                              1e-4,
                              1e-5,
                              0.000099999995,
                              -1.25e-300,
                              1e300,
                              3.4028234663852886e38,
                              std::numeric_limits<double>::denorm_min(),
                              std::numeric_limits<double>::max(),
                              std::numeric_limits<float>::min(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              std::numeric_limits<double>::quiet_NaN(),
                              -std::numeric_limits<double>::quiet_NaN()};

TEST(NumberText, GeneralFormsMatchPrintfAtTheEdges) {
    for (int precision : kPrecisions) {
        for (double value : kEdgeValues) {
            SCOPED_TRACE(Printf("%.*g", 17, value) + " to " + std::to_string(precision));
            EXPECT_EQ(Printf("%.*g", precision, value), General(value, precision));
        }
    }
}

TEST(NumberText, GeneralFormsMatchPrintfOnRandomBits) {
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 200000; ++i) {
        const uint64_t bits = random();
        double wide;
        std::memcpy(&wide, &bits, sizeof wide);
        ASSERT_EQ(Printf("%.*g", 15, wide), General(wide, 15)) << bits;
        // Values with few digits, as ramps and counters have.
        const double ramp = static_cast<double>(bits % 20000001) * 0.5 - 5000000.0;
        ASSERT_EQ(Printf("%.*g", 15, ramp), General(ramp, 15)) << ramp;
    }
}

TEST(NumberText, GeneralFormsMatchPrintfOnShortDecimals) {
    // Decimals of 1 to 17 digits over the whole exponent range, near the smallest normal
    // and near powers of ten: where a shortest text and printf's rounding could part.
    std::mt19937_64 random(20261206);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 17);
        uint64_t mantissa = random() % 100000000000000000ULL;
        for (int d = 17; d > digits; --d)
            mantissa /= 10;
        int exponent = static_cast<int>(random() % 640) - 325;
        if (i % 4 == 1) exponent = static_cast<int>(random() % 12) - 320;
        char decimal[64];
        std::snprintf(decimal, sizeof decimal, "%s%llue%d", i % 2 ? "-" : "",
                      static_cast<unsigned long long>(mantissa), exponent - digits + 1);
        double value = std::strtod(decimal, nullptr);
        if (i % 4 == 3) value = std::nextafter(std::pow(10.0, exponent % 300), 0.0);
        for (int precision : kPrecisions)
            ASSERT_EQ(Printf("%.*g", precision, value), General(value, precision))
                << decimal << " to " << precision;
    }
}

TEST(NumberText, IntegersAndShortBuffers) {
    const struct {
        int64_t value;
        const char* text;
    } cases[] = {{0, "0"},
                 {-1, "-1"},
                 {2147483647, "2147483647"},
                 {-2147483648LL, "-2147483648"},
                 {std::numeric_limits<int64_t>::min(), "-9223372036854775808"}};
    for (const auto& c : cases) {
        char text[32];
        EXPECT_EQ(static_cast<int>(std::strlen(c.text)), orvel::IntegerText(c.value, text, 32));
        EXPECT_STREQ(c.text, text);
    }
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(3, orvel::IntegerText(-123456, small, sizeof small));
    EXPECT_STREQ("-12", small);
    EXPECT_EQ(3, orvel::GeneralText(0.125, 15, small, sizeof small));
    EXPECT_STREQ("0.1", small);
    EXPECT_EQ(0, orvel::GeneralText(1.0, 15, nullptr, 8));
}

} // namespace
