// SPDX-License-Identifier: MIT
// The program-message parser and the value rules on input a VISA client would not send:
// malformed, hostile and edge-case lines, cheaply and table-driven. What a client sees of the
// commands is tested through PyVISA (test_scpi.py).
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tools/servers/scpi/errors.h"
#include "tools/servers/scpi/parser.h"
#include "tools/servers/scpi/values.h"

namespace zarvo::scpi {
namespace {

TEST(ScpiParser, LinesGiveTheirUnitsOrTheFirstError) {
    struct Case {
        std::string line;
        std::size_t units;  // parsed before the error, if any
        int error;          // 0: none
    };
    const Case cases[] = {
        {"", 0, 0},
        {"   \r", 0, 0},
        {"*IDN?", 1, 0},
        {":CHAN1:RANG 2;COUP AC;:TRIG:SOUR CH1", 3, 0},
        {":chan1:rang 2 v ; rang?", 2, 0},
        {":MEAS:VPP? CH1;", 1, 0},
        {"1e3", 0, code::kSyntax},
        {":CHAN1:RANG 2;;RANG?", 1, code::kSyntax},
        {";", 0, code::kSyntax},
        {":", 0, code::kSyntax},
        {"::CHAN1:RANG?", 0, code::kSyntax},
        {":CHAN1:RANG 2,", 0, code::kSyntax},
        {":CHAN1:RANG ,2", 0, code::kSyntax},
        {":CHAN1:RANG 2 3", 0, code::kSyntax},
        {":CHAN1:RANG 1.2.3", 0, code::kSyntax},
        {":CHAN1:RANG -", 0, code::kSyntax},
        {":CHAN1:RANG .", 0, code::kSyntax},
        {":CHAN1:RANG #HFF", 0, code::kDataType},
        {":SYST:ERR?? ", 0, code::kSyntax},
        {"*IDN:X?", 0, code::kSyntax},
        {":A \"unterminated", 0, code::kSyntax},
        {"*RST;:A 'it''s'", 2, 0},
        {std::string(":A 1") + '\0' + "2", 0, code::kSyntax},
        {"\x01\x02\xff", 0, code::kSyntax},
        {":A " + std::string(5000, '9'), 1, 0},
        {":A 1E" + std::string(5000, '9'), 1, 0},
        {":A" + std::string(5000, '1'), 1, 0},
    };
    for (const Case& c : cases) {
        const ParsedLine parsed = ParseLine(c.line);
        EXPECT_EQ(parsed.units.size(), c.units) << c.line.substr(0, 60);
        EXPECT_EQ(parsed.error ? parsed.error->code : 0, c.error) << c.line.substr(0, 60);
    }
}

TEST(ScpiParser, HeadersSuffixesAndParameters) {
    const ParsedLine parsed = ParseLine(":chan2:Rang 400 mV;*opc?;FORM REAL,32;:A 'x''y', \"q\"");
    ASSERT_FALSE(parsed.error);
    ASSERT_EQ(parsed.units.size(), 4u);
    const Unit& range = parsed.units[0];
    EXPECT_TRUE(range.absolute);
    ASSERT_EQ(range.header.size(), 2u);
    EXPECT_EQ(range.header[0].name, "CHAN");
    EXPECT_EQ(range.header[0].suffix, 2);
    EXPECT_EQ(range.header[1].suffix, 0);
    ASSERT_EQ(range.params.size(), 1u);
    EXPECT_EQ(range.params[0].number, 400);
    EXPECT_EQ(range.params[0].unit, "MV");
    EXPECT_TRUE(parsed.units[1].common && parsed.units[1].query);
    EXPECT_FALSE(parsed.units[2].absolute);
    EXPECT_EQ(parsed.units[2].params[0].text, "REAL");
    EXPECT_EQ(parsed.units[3].params[0].text, "x'y");
    EXPECT_EQ(parsed.units[3].params[1].type, Param::Type::String);
    // A suffix no instrument has stays out of range rather than wrapping round.
    EXPECT_GT(ParseLine(":CHAN99999999999:RANG?").units[0].header[0].suffix, 2);
}

TEST(ScpiValues, NumbersWithUnitsAndBounds) {
    struct Case {
        std::string text;
        std::string_view unit;
        double expected;  // when error is 0
        int error;
    };
    const Case cases[] = {
        {"200MV", "V", 0.2, 0},
        {"200 mv", "V", 0.2, 0},
        {"2", "V", 2, 0},
        {"+2.0E0 V", "V", 2, 0},
        {"1.5KHZ", "HZ", 1500, 0},
        {"2MHZ", "HZ", 2e6, 0},
        {"2MAHZ", "HZ", 2e6, 0},
        {"100US", "S", 100e-6, 0},
        {"20 ms", "S", 0.02, 0},
        {"MIN", "V", -10, 0},
        {"maximum", "V", 1e7, 0},
        {"DEF", "V", 1, 0},
        {"2HZ", "V", 0, code::kInvalidSuffix},
        {"20MAV", "V", 0, code::kDataOutOfRange},
        {"2XV", "V", 0, code::kInvalidSuffix},
        {"5", "", 5, 0},
        {"5V", "", 0, code::kInvalidSuffix},
        {"2E7", "V", 0, code::kDataOutOfRange},
        {"-11", "V", 0, code::kDataOutOfRange},
        {"1e300", "V", 0, code::kDataOutOfRange},
        {"1e999", "V", 0, code::kDataOutOfRange},
        {"-1e999", "V", 0, code::kDataOutOfRange},
        {"1e-999", "V", 0, 0},
        {"NAN", "V", 0, code::kDataType},
        {"INF", "V", 0, code::kDataType},
        {"'2'", "V", 0, code::kDataType},
    };
    for (const Case& c : cases) {
        const ParsedLine parsed = ParseLine(":A " + c.text);
        ASSERT_FALSE(parsed.error) << c.text;
        const NumberLimits limits{c.unit, -10, 1e7, 1, false};
        try {
            const double value = TakeNumber(parsed.units[0].params[0], limits, "A");
            EXPECT_EQ(c.error, 0) << c.text;
            EXPECT_DOUBLE_EQ(value, c.expected) << c.text;
        } catch (const Refused& refused) {
            EXPECT_EQ(refused.error().code, c.error) << c.text << ": " << refused.what();
        }
    }
}

TEST(ScpiValues, AnswersAndErrorStrings) {
    EXPECT_EQ(FormatNumber(2), "2");
    EXPECT_EQ(FormatNumber(1e6), "1E+06");
    EXPECT_EQ(FormatNumber(NAN), "9.91E+37");
    EXPECT_EQ(FormatNumber(-INFINITY), "9.91E+37");
    EXPECT_EQ(FormatError({0, ""}), "0,\"No error\"");
    EXPECT_EQ(FormatError({code::kSyntax, "a \"b\"\nc"}), "-102,\"Syntax error;a \"\"b\"\" c\"");
    EXPECT_EQ(FormatError({code::kSyntax, std::string(1000, 'x')}).size(),
              std::string("-102,\"\"").size() + 255);
}

TEST(ScpiStatus, QueueOverflowKeepsTheOldestAndEndsWithOverflow) {
    StatusRegisters status;
    for (int i = 0; i < 30; ++i) status.Push({code::kExecution, std::to_string(i)});
    EXPECT_EQ(status.Count(), StatusRegisters::kQueueSize);
    EXPECT_EQ(status.Next().detail, "0");
    Error last;
    while (status.Count() > 0) last = status.Next();
    EXPECT_EQ(last.code, code::kQueueOverflow);
    EXPECT_EQ(status.Next().code, 0);
}

}  // namespace
}  // namespace zarvo::scpi
