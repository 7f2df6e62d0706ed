// SPDX-License-Identifier: MIT
// The simulated instrument seen only through port operations: the parallel ports it sits
// among, the bus latches and strobes, the front-end serial devices and the EEPROM.
#include <gtest/gtest.h>

#include <cstdint>

#include "sim/bus_master.h"
#include "sim/front_end.h"
#include "sim/sim_instrument.h"

namespace zarvo::sim {
namespace {

struct Rig {
    explicit Rig(SimConfig c = {}) : config(c), dev(c, [this] { return now; }), bus(dev, 0x378) {}
    SimConfig config;
    std::int64_t now = 0;
    SimInstrument dev;
    BusMaster bus;
};

TEST(SimPorts, DataRegistersOfAllThreePortsReadBackAndTheProbeFindsThem) {
    Rig rig;
    for (const std::uint16_t base : {0x378, 0x278, 0x3BC}) {
        rig.dev.Out(base, 0xAA);
        rig.dev.Out(static_cast<std::uint16_t>(base + 2), 0x00);
        EXPECT_EQ(rig.dev.In(base), 0xAA) << std::hex << base;
        rig.dev.Out(base, 0x55);
        EXPECT_EQ(rig.dev.In(base), 0x55) << std::hex << base;
    }
}

TEST(SimPorts, AddressesOutsideTheThreePortsReadFF) {
    Rig rig;
    for (const std::uint16_t port : {0x0000, 0x0377, 0x037B, 0x0EC00, 0x2F8, 0xFFFF}) {
        rig.dev.Out(port, 0x12);
        EXPECT_EQ(rig.dev.In(port), 0xFF) << std::hex << port;
    }
}

TEST(SimPorts, TheInstrumentAnswersOnlyOnItsConfiguredPort) {
    for (int lpt = 1; lpt <= 3; ++lpt) {
        SimConfig config;
        config.lpt = lpt;
        Rig rig(config);
        EXPECT_EQ(rig.dev.Base(), LptBase(lpt));
        for (int other = 1; other <= 3; ++other) {
            BusMaster bus(rig.dev, LptBase(other));
            EXPECT_EQ(bus.EepromRead(1), other == lpt ? 0xAA : 0xFF) << lpt << " " << other;
        }
    }
}

TEST(SimPorts, WithNoInstrumentEveryPortIsEmpty) {
    SimConfig config;
    config.lpt = 0;
    Rig rig(config);
    EXPECT_EQ(rig.dev.Base(), 0);
    for (int n = 1; n <= 3; ++n) {
        BusMaster bus(rig.dev, LptBase(n));
        EXPECT_EQ(bus.EepromRead(1), 0xFF);
        EXPECT_EQ(rig.dev.In(static_cast<std::uint16_t>(LptBase(n) + 1)), 0x7F);
    }
    // Low addresses must not be mistaken for a port at base 0.
    rig.dev.Out(0x0002, 0x00);
    EXPECT_EQ(rig.dev.In(0x0001), 0xFF);
}

TEST(SimBus, RegisterReadGivesStatusAndAddressCounterThroughNibbles) {
    Rig rig;
    rig.bus.SelectDevice(0);
    // Nothing has run: not complete, no comparator armed.
    EXPECT_EQ(rig.bus.ReadRegister(2), 0x00);
    // A seek run of 0x1234 positions leaves the counter there (read as two registers).
    rig.bus.WriteRunCount(0x1234);
    rig.bus.BankWrite(0, 2, 0x00);  // 25 MHz
    rig.bus.BankWrite(0, 3, 2);
    rig.bus.BankWrite(0, 3, 3);
    rig.now += 0x1234 * 40;
    EXPECT_EQ(rig.bus.ReadRegister(2) & 1, 1);
    EXPECT_EQ(rig.bus.ReadRegister(0), 0x34);
    EXPECT_EQ(rig.bus.ReadRegister(1), 0x12);
    EXPECT_EQ(rig.bus.AddressCounter(), 0x1234);
}

TEST(SimBus, StatusBitsOutsideTheNibbleNeverCarryData) {
    Rig rig;
    rig.bus.SelectDevice(0);
    rig.bus.ReadRegister(0);
    const std::uint8_t status = rig.bus.Status();
    EXPECT_EQ(status & 0x07, 0x07);  // unused lines read high
    EXPECT_EQ(status & 0x80, 0x00);  // BUSY carries nothing on the acquisition device
}

TEST(SimBus, BankIndexStaysCurrentForFurtherDataWrites) {
    Rig rig;
    rig.bus.SelectDevice(0);
    // Index written once, then low and high byte of a count through the same data register:
    // the timer data port takes both bytes of counter 0.
    rig.bus.BankWrite(0, 2, 0x03);
    rig.bus.BankWrite(0, 6, 0x36);
    rig.bus.BankWrite(0, 2, 0x00);
    rig.bus.WriteRegister(0, 6);
    rig.bus.WriteRegister(1, 0x05);
    rig.bus.WriteRegister(1, 0x00);
    rig.bus.BankWrite(0, 2, 0x0C);
    EXPECT_DOUBLE_EQ(rig.dev.SampleClockHz(), 1e6);
}

TEST(SimBus, WritesToAnotherDeviceDoNotReachTheAcquisitionRegisters) {
    Rig rig;
    rig.bus.SelectDevice(0x10);
    rig.bus.WriteRegister(0, 2);
    rig.bus.WriteRegister(1, 0x08);  // would select 5 MHz on device 0
    EXPECT_EQ(rig.dev.ClockControl(), 0x00);
    rig.bus.SelectDevice(0);
    rig.bus.BankWrite(0, 2, 0x08);
    EXPECT_EQ(rig.dev.ClockControl(), 0x08);
}

TEST(SimBus, AdvanceStrobeIsNotAWriteStrobe) {
    Rig rig;
    rig.bus.SelectDevice(0);
    rig.bus.BankWrite(0, 2, 0x04);
    rig.bus.SelectSamplePort();
    // The strobe comes with AUTOFEED held and data 1 on the lines, which as a write would land
    // in bank 0's data register.
    rig.bus.ReadSample(4);
    rig.bus.AdvanceStrobe();
    EXPECT_EQ(rig.dev.ClockControl(), 0x04);
    EXPECT_EQ(rig.dev.AddressCounter(), 1);
}

// ---- Front end
TEST(SimFrontEnd, RelayWordArrivesMostSignificantBitFirst) {
    Rig rig;
    for (const std::uint16_t word : {0x222, 0x23A, 0x122, 0x018, 0x3FF, 0x000, 0x2A5}) {
        rig.bus.ShiftRelays(word);
        EXPECT_EQ(rig.dev.RelayWord(), word) << std::hex << word;
    }
}

TEST(SimFrontEnd, RelaysChangeOnlyOnTheLoadPulse) {
    Rig rig;
    rig.bus.ShiftRelays(0x222);
    rig.bus.SelectDevice(0);
    rig.bus.WriteRegister(4, 3);
    for (int i = 0; i < 10; ++i) {
        rig.bus.WriteRegister(5, 0x41);
        rig.bus.WriteRegister(5, 0x43);
    }
    EXPECT_EQ(rig.dev.RelayWord(), 0x222);
    rig.bus.WriteRegister(5, 0x50);
    EXPECT_EQ(rig.dev.RelayWord(), 0x3FF);
}

TEST(SimFrontEnd, SerialLinesAreIgnoredWithoutTheEnableBit) {
    Rig rig;
    rig.bus.ShiftRelays(0x222);
    rig.bus.SelectDevice(0);
    rig.bus.WriteRegister(4, 3);
    for (int i = 0; i < 10; ++i) {
        rig.bus.WriteRegister(5, 0x01);
        rig.bus.WriteRegister(5, 0x03);
    }
    rig.bus.WriteRegister(5, 0x10);
    EXPECT_EQ(rig.dev.RelayWord(), 0x222);
}

TEST(SimFrontEnd, DacTakesTheFirstSixteenBitsOfEachSelect) {
    Rig rig;
    struct Case {
        int channel;
        std::uint16_t code;
    };
    for (const Case c : {Case{0, 512}, Case{1, 0}, Case{2, 1023}, Case{3, 0x155}, Case{0, 0x2AA}}) {
        rig.bus.WriteDac(c.channel, c.code);
        EXPECT_EQ(rig.dev.DacCode(c.channel), c.code) << c.channel;
    }
    // The other channels kept their words.
    EXPECT_EQ(rig.dev.DacCode(1), 0);
    EXPECT_EQ(rig.dev.DacCode(2), 1023);
}

TEST(SimFrontEnd, IncompleteOrForeignDacWordsChangeNothing) {
    Rig rig;
    rig.bus.WriteDac(2, 700);
    rig.bus.SelectDevice(0);
    rig.bus.WriteRegister(4, 3);
    // Fifteen bits of a word for channel 2, then the select is released.
    rig.bus.WriteRegister(5, 0x48);
    const std::uint16_t word = 0x9000 + 2 * 0x400 + 5;
    for (int bit = 15; bit >= 1; --bit) {
        const auto b = static_cast<std::uint8_t>((word >> bit) & 1);
        rig.bus.WriteRegister(5, static_cast<std::uint8_t>(0x48 + b));
        rig.bus.WriteRegister(5, static_cast<std::uint8_t>(0x4A + b));
    }
    rig.bus.WriteRegister(5, 0x40);
    EXPECT_EQ(rig.dev.DacCode(2), 700);
    // A full word whose command nibble is not a write.
    rig.bus.WriteRegister(5, 0x48);
    const std::uint16_t foreign = 0x1000 + 2 * 0x400 + 5;
    for (int bit = 15; bit >= 0; --bit) {
        const auto b = static_cast<std::uint8_t>((foreign >> bit) & 1);
        rig.bus.WriteRegister(5, static_cast<std::uint8_t>(0x48 + b));
        rig.bus.WriteRegister(5, static_cast<std::uint8_t>(0x4A + b));
    }
    rig.bus.WriteRegister(5, 0x40);
    EXPECT_EQ(rig.dev.DacCode(2), 700);
}

TEST(SimFrontEnd, EveryRangeGetsItsNominalFullScaleFromTheFactoryGainCode) {
    const double nominal[10] = {0, 0.2, 0.4, 0.8, 2, 4, 8, 20, 40, 80};
    const std::uint16_t relayCh1[10] = {0, 0x20, 0x20, 0x20, 0x40, 0x40, 0x40, 0x80, 0x80, 0x80};
    const std::uint16_t relayCh2[10] = {0,     0x201, 0x201, 0x201, 0x202,
                                        0x202, 0x202, 0x204, 0x204, 0x204};
    Rig rig;
    const auto record = SimInstrument::FactoryEeprom(rig.config);
    for (int r1 = 1; r1 <= 9; ++r1) {
        const int r2 = 10 - r1;  // a different range on channel 2 each time
        rig.bus.ShiftRelays(static_cast<std::uint16_t>(relayCh1[r1] + relayCh2[r2]));
        const int a1 = 54 + 2 * r1;
        const int a2 = 54 + 25 + 2 * r2;
        rig.bus.WriteDac(2, static_cast<std::uint16_t>(record[a1] + 256 * record[a1 + 1]));
        rig.bus.WriteDac(3, static_cast<std::uint16_t>(record[a2] + 256 * record[a2 + 1]));
        EXPECT_NEAR(rig.dev.FullScaleVolts(1), nominal[r1], nominal[r1] * 1e-12) << r1;
        EXPECT_NEAR(rig.dev.FullScaleVolts(2), nominal[r2], nominal[r2] * 1e-12) << r2;
    }
}

TEST(SimFrontEnd, FactoryGainCodesDifferBetweenChannelsAndDecades) {
    // Each attenuator is trimmed individually, so a driver that takes the wrong table entry
    // gets a visibly wrong full scale.
    for (int r = 1; r <= 9; ++r) {
        EXPECT_NE(FrontEnd::FactoryGainCode(1, r), FrontEnd::FactoryGainCode(2, r)) << r;
        EXPECT_GE(FrontEnd::FactoryGainCode(1, r), 0);
        EXPECT_LE(FrontEnd::FactoryGainCode(1, r), 1023);
    }
    EXPECT_NE(FrontEnd::FactoryGainCode(1, 1), FrontEnd::FactoryGainCode(1, 4));
}

TEST(SimFrontEnd, OpenInputAndCouplingRelay) {
    Rig rig;
    rig.bus.ShiftRelays(0x000);
    EXPECT_EQ(rig.dev.FullScaleVolts(1), 0.0);
    EXPECT_EQ(rig.dev.FullScaleVolts(2), 0.0);
    rig.bus.ShiftRelays(0x020 + 0x201 + 0x10);
    EXPECT_TRUE(rig.dev.AcCoupled(1));
    EXPECT_FALSE(rig.dev.AcCoupled(2));
    rig.bus.ShiftRelays(0x020 + 0x201 + 0x08);
    EXPECT_FALSE(rig.dev.AcCoupled(1));
    EXPECT_TRUE(rig.dev.AcCoupled(2));
}

// ---- EEPROM
TEST(SimEeprom, RandomReadsReturnTheWholeFactoryRecord) {
    SimConfig config;
    config.model = 4;
    config.serial = 0x1234;
    Rig rig(config);
    const auto record = SimInstrument::FactoryEeprom(config);
    for (int a = 0; a < 256; ++a) {
        EXPECT_EQ(rig.bus.EepromRead(static_cast<std::uint8_t>(a)), record[a]) << a;
    }
    EXPECT_EQ(rig.dev.Eeprom(), record);
}

TEST(SimEeprom, RecordLayout) {
    SimConfig config;  // defaults: marker 170, model 3, serial 12345, 2004-03-15T10:30
    const auto r = SimInstrument::FactoryEeprom(config);
    EXPECT_EQ(r[1], 0xAA);
    EXPECT_EQ(r[5], 3);
    EXPECT_EQ(r[6] + 256 * r[7], 12345);
    EXPECT_EQ(r[10] + 256 * r[11], 2004);
    EXPECT_EQ(r[12], 3);
    EXPECT_EQ(r[13], 15);
    EXPECT_EQ(r[14], 10);
    EXPECT_EQ(r[15], 30);
    for (int k = 1; k <= 3; ++k) {
        for (int range = 1; range <= 9; ++range) {
            const int a = 54 + 25 * (k - 1) + 2 * range;
            const int b = 129 + 25 * (k - 1) + 2 * range;
            EXPECT_EQ(r[a] + 256 * r[a + 1], FrontEnd::FactoryGainCode(k, range)) << k << range;
            EXPECT_EQ(r[b] + 256 * r[b + 1], 512) << k << range;
        }
    }
}

TEST(SimEeprom, DateIsStoredAsGivenEvenWhenInvalid) {
    SimConfig config;
    config.date = SimDate{2001, 2, 30, 24, 60};
    const auto r = SimInstrument::FactoryEeprom(config);
    EXPECT_EQ(r[10], 0xD1);
    EXPECT_EQ(r[11], 0x07);
    EXPECT_EQ(r[12], 2);
    EXPECT_EQ(r[13], 30);
    EXPECT_EQ(r[14], 24);
    EXPECT_EQ(r[15], 60);
}

TEST(SimEeprom, ChipAcknowledgesItsAddressOnlyAndDataLineIsInverseOfBusy) {
    Rig rig;
    rig.bus.EepromStart(false);
    EXPECT_TRUE(rig.bus.LastAck());
    rig.bus.EepromWriteByte(1);
    EXPECT_TRUE(rig.bus.LastAck());
    rig.bus.EepromStop();
    // Another chip address: nobody acknowledges and the line floats high (BUSY bit clear).
    rig.bus.EepromLines(true, true);
    rig.bus.EepromLines(false, true);
    rig.bus.EepromLines(false, false);
    rig.bus.EepromWriteByte(0xA2);
    EXPECT_FALSE(rig.bus.LastAck());
    EXPECT_TRUE(rig.bus.EepromSample(true));
    EXPECT_EQ(rig.bus.Status() & 0x80, 0x00);
    rig.bus.EepromStop();
}

TEST(SimEeprom, SequentialReadContinuesWhileTheHostAcknowledges) {
    Rig rig;
    const auto record = SimInstrument::FactoryEeprom(rig.config);
    rig.bus.EepromStart(false);
    rig.bus.EepromWriteByte(54);
    rig.bus.EepromStop();
    rig.bus.EepromStart(true);
    for (int a = 54; a < 60; ++a) {
        int value = 0;
        for (int bit = 7; bit >= 0; --bit) {
            rig.bus.EepromSample(false);
            if (rig.bus.EepromSample(true)) value |= 1 << bit;
            rig.bus.EepromSample(false);
        }
        EXPECT_EQ(value, record[a]) << a;
        // Acknowledge: the host pulls the data line low for the ninth clock.
        rig.bus.EepromLines(false, false);
        rig.bus.EepromLines(false, true);
        rig.bus.EepromLines(false, false);
    }
    rig.bus.EepromStop();
}

TEST(SimEeprom, WritesDoNotChangeTheRecord) {
    Rig rig;
    rig.bus.EepromStart(false);
    rig.bus.EepromWriteByte(1);
    rig.bus.EepromWriteByte(0x00);  // would clear the marker
    EXPECT_TRUE(rig.bus.LastAck());
    rig.bus.EepromStop();
    EXPECT_EQ(rig.bus.EepromRead(1), 0xAA);
}

TEST(SimEeprom, LineDriversOffReleaseBothLines) {
    Rig rig;
    rig.bus.EepromStart(false);
    rig.bus.SelectDevice(0x10);
    rig.bus.WriteRegister(0, 4);
    rig.bus.WriteRegister(1, 0x04);  // bit 3 clear: drivers off although bit 2 says "drive"
    rig.bus.Control(0x04);
    rig.bus.Data(0x00);
    rig.bus.Control(0x06);
    rig.bus.Control(0x04);
    EXPECT_EQ(rig.bus.Status() & 0x80, 0x00);  // data line high
}

}  // namespace
}  // namespace zarvo::sim
