// PLACEHOLDER: deleted when the engine and state machine land.
#include "instrument/zarvo.h"
namespace zarvo {
void TZarvo::SelectDevice(std::uint8_t) {}
void TZarvo::WriteRegister(std::uint8_t, std::uint8_t) {}
std::uint8_t TZarvo::ReadRegister(std::uint8_t) { return 0; }
void TZarvo::WriteRunCount(std::uint16_t) {}
void TZarvo::BankWrite(int, std::uint8_t, std::uint8_t) {}
void TZarvo::FillBankTables() {}
std::uint16_t TZarvo::RelayWord() const { return 0; }
std::uint16_t TZarvo::DacCode(Extended) { return 0; }
void TZarvo::WriteFrontEndRelays() {}
void TZarvo::WriteFrontEndDac(int, Extended) {}
void TZarvo::ProgramSampleClock(Extended&) {}
void TZarvo::ProgramSquareWave(Extended&) {}
void TZarvo::WriteTriggerComparators() {}
void TZarvo::ArmAcquisition() {}
int TZarvo::IsTriggered() { return 0; }
bool TZarvo::IsReady() { return false; }
void TZarvo::ForceTrigger() {}
bool TZarvo::FillMemory() { return false; }
void TZarvo::SeekMemory(std::uint16_t) {}
void TZarvo::ReadAcquisition() {}
void TZarvo::Set_amAcquisitionMode(TAcquisitionMode) {}
void TZarvo::Set_bEnableMeasurements(bool) {}
void TZarvo::StartTimer() {}
void TZarvo::StopTimer() {}
void TZarvo::TimerHandler() {}
void TZarvo::MeasureStep() {}
void TZarvo::Start() {}
std::uint16_t TZarvo::GetTriggered() { return 0; }
std::uint16_t TZarvo::GetReady() { return 0; }
void TZarvo::FetchData() {}
void TZarvo::RunSynchronous() {}
void TZarvo::ProgramFrontEnd() {}
}  // namespace zarvo
