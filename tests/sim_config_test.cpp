// SPDX-License-Identifier: MIT
// ZARVO_SIM parsing: defaults, every key, and errors that name the key.
#include "sim/sim_config.h"

#include <gtest/gtest.h>

#include <string>

namespace zarvo::sim {
namespace {

TEST(SimConfigParse, OneMeansEveryDefault) {
    for (const char* text : {"1", " 1 ", ""}) {
        std::string error;
        const auto c = ParseSimConfig(text, &error);
        ASSERT_TRUE(c.has_value()) << text;
        EXPECT_TRUE(error.empty());
        EXPECT_EQ(c->lpt, 1);
        EXPECT_EQ(c->model, 3);
        EXPECT_EQ(c->serial, 12345);
        EXPECT_EQ(c->date, (SimDate{2004, 3, 15, 10, 30}));
        EXPECT_EQ(c->marker, 170);
        EXPECT_TRUE(c->driver);
        EXPECT_EQ(FormatSignal(c->ch1), "sine:1000:1");
        EXPECT_EQ(FormatSignal(c->ch2), "gen");
        EXPECT_EQ(FormatSignal(c->ext), "dc:0");
        EXPECT_EQ(c->noise, 0.0);
        EXPECT_TRUE(c->trace.empty());
    }
}

TEST(SimConfigParse, EveryKeyTakesItsValue) {
    std::string error;
    const auto c = ParseSimConfig(
        "lpt=3,model=1,serial=6426,date=2001-02-30,marker=0,driver=0,ch1=square:50:2:-1,"
        "ch2=dc:-0.25,ext=triangle:7.5:0.3,noise=0.002,trace=/tmp/zarvo trace.txt",
        &error);
    ASSERT_TRUE(c.has_value()) << error;
    EXPECT_EQ(c->lpt, 3);
    EXPECT_EQ(c->model, 1);
    EXPECT_EQ(c->serial, 6426);
    EXPECT_EQ(c->date, (SimDate{2001, 2, 30, 0, 0}));
    EXPECT_EQ(c->marker, 0);
    EXPECT_FALSE(c->driver);
    EXPECT_EQ(c->ch1, (InputSignal{InputSignal::Kind::Square, 50, 2, -1}));
    EXPECT_EQ(c->ch2, (InputSignal{InputSignal::Kind::Dc, 0, 0, -0.25}));
    EXPECT_EQ(c->ext, (InputSignal{InputSignal::Kind::Triangle, 7.5, 0.3, 0}));
    EXPECT_EQ(c->noise, 0.002);
    EXPECT_EQ(c->trace, "/tmp/zarvo trace.txt");
}

TEST(SimConfigParse, DateWithTimeAndOutOfCalendarValuesAreKeptAsWritten) {
    const auto c = ParseSimConfig("date=1999-13-45T25:61", nullptr);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->date, (SimDate{1999, 13, 45, 25, 61}));
    const auto d = ParseSimConfig("date=2004-03-15T14:30", nullptr);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->date, (SimDate{2004, 3, 15, 14, 30}));
}

TEST(SimConfigParse, SpacesAroundKeysValuesAndEmptyItemsAreTolerated) {
    const auto c = ParseSimConfig(" lpt = 2 ,, model=4 ,", nullptr);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->lpt, 2);
    EXPECT_EQ(c->model, 4);
}

TEST(SimConfigParse, LaterSettingsOfAKeyWin) {
    const auto c = ParseSimConfig("lpt=2,lpt=0", nullptr);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->lpt, 0);
}

struct BadCase {
    const char* text;
    const char* key;
};

TEST(SimConfigParse, ErrorsNameTheKey) {
    const BadCase cases[] = {
        {"colour=red", "'colour'"},
        {"lpt=4", "'lpt'"},
        {"lpt=-1", "'lpt'"},
        {"lpt=1x", "'lpt'"},
        {"lpt=", "'lpt'"},
        {"model=256", "'model'"},
        {"serial=65536", "'serial'"},
        {"serial=12.5", "'serial'"},
        {"marker=abc", "'marker'"},
        {"driver=2", "'driver'"},
        {"driver=yes", "'driver'"},
        {"date=2004-3-15", "'date'"},
        {"date=2004-03-15 10:30", "'date'"},
        {"date=2004-03-15T10", "'date'"},
        {"date=20O4-03-15", "'date'"},
        {"ch1=sine:1000", "'ch1'"},
        {"ch1=sine:-5:1", "'ch1'"},
        {"ch1=sine:1000:1:0:9", "'ch1'"},
        {"ch2=saw:10:1", "'ch2'"},
        {"ch2=gen:1", "'ch2'"},
        {"ext=dc", "'ext'"},
        {"ext=dc:inf", "'ext'"},
        {"ext=dc:nan", "'ext'"},
        {"noise=-0.1", "'noise'"},
        {"noise=lots", "'noise'"},
        {"trace=", "'trace'"},
        {"lpt=2,model=x", "'model'"},
        {"ch1=uart:0:48", "'ch1'"},
        {"ch1=uart:9600:4", "'ch1'"},
        {"ch2=uart:9600:4G", "'ch2'"},
        {"ch1=uart:9600:48:0", "'ch1'"},
        {"bus=can:1000:50:A5", "'bus'"},
        {"bus=i2c:100000:80:A5", "'bus'"},
        {"bus=i2c:fast:50:A5", "'bus'"},
        {"bus=spi:1000000:", "'bus'"},
        {"bus=spi:1000000:DEADBEEF,ch1=gen", "'ch1'"},
        {"ch2=gen,bus=i2c:100000:50:A5", "'ch2'"},
        {"verbose", "'verbose'"},
    };
    for (const BadCase& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseSimConfig(c.text, &error).has_value()) << c.text;
        EXPECT_NE(error.find(c.key), std::string::npos) << c.text << " -> " << error;
        EXPECT_EQ(error.rfind("ZARVO_SIM: ", 0), 0u) << error;
        EXPECT_FALSE(ParseSimConfig(c.text, nullptr).has_value()) << c.text;
    }
}

TEST(SimConfigParse, SignalsRoundTripThroughTheirTextForm) {
    for (const char* text : {"sine:1000:1", "square:50:2:-1", "triangle:0.5:0.25:0.125", "dc:-3.5",
                             "gen", "sine:0:1", "square:1e+06:1", "uart:9600:48656C:-5"}) {
        const auto c = ParseSimConfig(std::string("ch1=") + text, nullptr);
        ASSERT_TRUE(c.has_value()) << text;
        const auto again = ParseSimConfig("ch1=" + FormatSignal(c->ch1), nullptr);
        ASSERT_TRUE(again.has_value()) << FormatSignal(c->ch1);
        EXPECT_EQ(again->ch1, c->ch1) << text;
    }
}

}  // namespace
}  // namespace zarvo::sim
