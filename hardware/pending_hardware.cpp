// PLACEHOLDER: deleted when the hardware access lands.
#include "hardware/port_discovery.h"
#include "instrument/zarvo.h"
namespace zarvo {
std::array<std::int32_t, 4> LptAddress{0, 0x378, 0x278, 0x3BC};
void ResetLptAddressTable() {}
void BuildPortTable(TZarvo&) {}
bool ProbePort(TZarvo&, std::uint16_t, const std::string&) { return false; }
void TZarvo::DelayMs(std::uint32_t) {}
bool TZarvo::CheckPortDriver() { return false; }
void TZarvo::EepromSetLines(bool, bool) {}
bool TZarvo::EepromSampleData(bool) { return false; }
void TZarvo::EepromStart(bool) {}
void TZarvo::EepromWriteByte(std::uint8_t) {}
std::uint8_t TZarvo::EepromReadByte() { return 0; }
void TZarvo::EepromStop() {}
std::uint8_t TZarvo::EepromRead(std::uint8_t) { return 0; }
std::int32_t TZarvo::ReadSerialNumber() { return 0; }
double TZarvo::ReadCalibrationDate() { return 0; }
void TZarvo::ReadCalibration() {}
bool TZarvo::StartInstrument() { return false; }
void TZarvo::StopInstrument() {}
bool TZarvo::DetectInstrument() { return false; }
bool TZarvo::ProbeInstrument(const std::string&) { return false; }
bool TZarvo::OpenPortDevice(const std::string&) { return false; }
void TZarvo::ClosePortDevice() {}
void TZarvo::ApplyModelCode(std::uint8_t) {}
void TZarvo::LoadStartupTables() {}
}  // namespace zarvo
