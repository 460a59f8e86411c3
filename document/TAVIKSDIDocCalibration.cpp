#include <cstring>

#include "document/TAVIKSDIDoc.h"

namespace tavik {

namespace {

constexpr std::uint8_t kCalibrationAddress = 26;
constexpr std::uint8_t kCalibrationBytes = 16;

}  // namespace

// Reads the multipath calibration block from the receiver's EEPROM and gives it to the
// analyser. A failed read is shown and leaves the calibration at zeros.
void CTAVIKSDIDoc::LoadCalibrators() {
    std::uint8_t block[kCalibrationBytes] = {};
    try {
        m_device.Open();
        m_device.GetEEPROMData(block, kCalibrationAddress, kCalibrationBytes);
        m_device.Close();
    } catch (CTavikControlException& e) {
        e.AppendMessage("LoadCalibrators: Could not load multipath calibration values!\n");
        m_device.Close();
        // A read that failed half-way may have left bytes behind: the analysis then runs
        // uncalibrated rather than with a garbled set.
        std::memset(block, 0, sizeof block);
        m_pPrompt->MessageBox(e.GetMessage(), MB_ICONSTOP);
    }
    m_multipath.SetCalibrators(block);
}

void CTAVIKSDIDoc::SaveCalibrators(const std::uint8_t* block) {
    try {
        m_device.Open();
        m_device.SetEEPROMData(block, kCalibrationAddress, kCalibrationBytes);
        m_device.Close();
    } catch (CTavikControlException& e) {
        e.AppendMessage("SaveCalibrators: Could not save multipath calibration values!\n");
        m_device.Close();
        throw;
    }
}

// The averaged coefficients become the calibration; a failed save leaves it in memory only.
void CTAVIKSDIDoc::Calibrate() {
    try {
        m_multipath.Calibrate();
    } catch (const CTavikControlException& e) {
        m_pPrompt->MessageBox(e.GetMessage(), MB_OK);
    }
}

// The EEPROM keeps its set; the next LoadCalibrators brings it back.
void CTAVIKSDIDoc::ResetCalibration() {
    m_multipath.ResetCalibration();
}

}  // namespace tavik
