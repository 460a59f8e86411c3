#include "device/TavikControl.h"

#include <cstring>
#include <filesystem>
#include <vector>

#include "device/PlaybackCalibration.h"
#include "device/ReceiverCommands.h"
#include "platform/GenericException.h"

namespace tavik {

CTavikControl::CTavikControl() = default;

CTavikControl::~CTavikControl() {
    StopTransfer();
}

void CTavikControl::Open() {
    m_bOpen = true;
    m_bInitialised = true;
}

void CTavikControl::Close() {
    m_bOpen = false;
    m_bInitialised = false;
}

bool CTavikControl::InitHardware() {
    if (!m_bOpen || m_bInitialised) {
        return true;
    }
    try {
        ConfigureHardware(1, 4);
        SetSOF(true);
        m_bInitialised = true;
    } catch (CTavikControlException& e) {
        e.AppendMessage("InitHardware: Could not init hardware\n");
        throw;
    }
    return true;
}

bool CTavikControl::ConfigureHardware(int first, int second) {
    if (!UsesRecordings()) {
        SendCommand(
            {CMD_CONFIGURE, static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second)});
    }
    return true;
}

bool CTavikControl::SetTunerFrequency(float megahertz) {
    m_fFrequency = megahertz;
    if (!UsesRecordings()) {
        // Frequency in 10 kHz steps, most significant byte first.
        const auto steps = static_cast<std::uint16_t>(megahertz * 100.0f + 0.5f);
        SendCommand({CMD_TUNER_FREQUENCY, static_cast<std::uint8_t>(steps >> 8),
                     static_cast<std::uint8_t>(steps & 0xFF)});
    }
    return true;
}

bool CTavikControl::SetAntenna(int antenna) {
    if (!UsesRecordings()) {
        SendCommand({CMD_ANTENNA, static_cast<std::uint8_t>(antenna)});
    }
    return true;
}

bool CTavikControl::SetAlarmOutput(int output, bool on) {
    if (!UsesRecordings()) {
        SendCommand({CMD_ALARM_OUTPUT, static_cast<std::uint8_t>(output),
                     static_cast<std::uint8_t>(on ? 1 : 0)});
    }
    return true;
}

bool CTavikControl::IsRemoteState() {
    if (UsesRecordings()) {
        return true;
    }
    ResetCommand();
    AddCommandByte(CMD_REMOTE_STATE);
    TransmitToEZUSB();
    return m_Command[1] != 0;
}

bool CTavikControl::GetEEPROMData(std::uint8_t* buffer, std::uint8_t address, std::uint8_t length) {
    if (m_pStore) {
        return m_pStore->Read(buffer, address, length);
    }
    if (m_iqSettings) {
        // An IQ capture went through no receiver with a response of its own: none to take off
        // unless one was calibrated in this session.
        std::memset(buffer, 0, length);
        if (address == 26 && length == m_iqCalibration.size()) {
            std::memcpy(buffer, m_iqCalibration.data(), m_iqCalibration.size());
        }
        return true;
    }
    if (UsesRecordings()) {
        std::memset(buffer, 0, length);
        if (address == 26 && length == 16) {
            std::memcpy(buffer, kPlaybackCalibration.data(), sizeof kPlaybackCalibration);
        }
        return true;
    }
    SendCommand({CMD_EEPROM_READ, address, length});
    if (!m_pLink->BulkRead(kAnswerPipe, buffer, length)) {
        throw CTavikControlException("TransmitToEZUSB: No answer from hardware\n", 0);
    }
    return true;
}

bool CTavikControl::SetEEPROMData(const std::uint8_t* buffer, std::uint8_t address,
                                  std::uint8_t length) {
    if (m_pStore) {
        if (!m_pStore->Write(buffer, address, length)) {
            throw CTavikControlException(
                "SetEEPROMData: could not keep the calibration in \"" + m_pStore->Path() + "\"\n",
                0);
        }
        return true;
    }
    if (m_iqSettings && address == 26 && length == m_iqCalibration.size()) {
        std::memcpy(m_iqCalibration.data(), buffer, m_iqCalibration.size());
        return true;
    }
    if (UsesRecordings()) {
        return true;
    }
    ResetCommand();
    AddCommandByte(CMD_EEPROM_WRITE);
    AddCommandByte(address);
    AddCommandByte(length);
    for (std::uint8_t i = 0; i < length; ++i) {
        AddCommandByte(buffer[i]);
    }
    TransmitToEZUSB();
    return true;
}

bool CTavikControl::AddCommandByte(std::uint8_t byte) {
    if (m_nCommandLength >= m_Command.size()) {
        return false;
    }
    m_Command[m_nCommandLength++] = byte;
    return true;
}

bool CTavikControl::TransmitToEZUSB() {
    if (m_pLink == nullptr ||
        !m_pLink->BulkWrite(kCommandPipe, m_Command.data(), m_nCommandLength)) {
        throw CTavikControlException("TransmitToEZUSB: Could not send command\n", 0);
    }
    if (!m_pLink->BulkRead(kAnswerPipe, m_Command.data(), 2)) {
        throw CTavikControlException("TransmitToEZUSB: No answer from hardware\n", 0);
    }
    if (m_Command[0] == 0xFF) {
        throw CTavikControlException(
            StringFormat("TransmitToEZUSB: Command %u not supported!\n", unsigned{m_Command[1]}),
            0);
    }
    ResetCommand();
    return true;
}

void CTavikControl::SendCommand(std::initializer_list<std::uint8_t> bytes) {
    ResetCommand();
    for (std::uint8_t byte : bytes) {
        AddCommandByte(byte);
    }
    TransmitToEZUSB();
}

float CTavikControl::ScaleLevel(float raw) {
    // 75 dB over the ADC's span, 22.5 dBuV at its lower end; single precision throughout.
    return (raw + 32767.0f) * 0.0011444092f + 22.5f;
}

void CTavikControl::SetPacers(CPacer* adc, CPacer* rds, CPacer* panorama) {
    m_pAdcPacer = adc ? adc : &m_realTimeAdc;
    m_pRdsPacer = rds ? rds : &m_realTimeRds;
    m_pPanoramaPacer = panorama ? panorama : &m_realTimePanorama;
}

std::string CTavikControl::PlaybackPath(const char* name) const {
    return m_strDataFolder.empty() ? std::string(name) : JoinPath(m_strDataFolder, name);
}

namespace {

// The whole path, which says which folder was looked in ("/srv/rec", not "." or "rec/").
std::string WholePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path whole = std::filesystem::absolute(path.empty() ? "." : path, ec);
    if (ec) {
        return path;
    }
    whole = whole.lexically_normal();
    if (!whole.has_filename() && whole.has_relative_path()) {
        whole = whole.parent_path();  // "/srv/rec/" of "/srv/rec/."
    }
    return whole.string();
}

}  // namespace

std::string CTavikControl::RecordingsFolderFault(const std::string& folder) {
    const std::string shown = WholePath(folder);
    const std::string named = "The recordings folder \"" + shown + "\"";
    using std::filesystem::file_type;
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(shown, ec);
    if (status.type() == file_type::not_found) {
        return named + " does not exist";
    }
    if (ec) {
        return {};  // a folder that cannot be looked into: the open tells why
    }
    if (status.type() != file_type::directory) {
        return named + " is not a folder";
    }
    std::vector<std::string> missing;
    for (const char* name : {"mpx.dat", "lev.dat", "rds.dat"}) {
        if (std::filesystem::status(JoinPath(shown, name), ec).type() == file_type::not_found) {
            missing.emplace_back(name);
        }
    }
    switch (missing.size()) {
        case 0:
            return {};
        case 1:
            return named + " holds no " + missing[0];
        case 2:
            return named + " holds no " + missing[0] + " and " + missing[1];
        default:
            return named + " holds no recordings (mpx.dat, lev.dat and rds.dat)";
    }
}

void CTavikControl::OpenPlaybackFile(CFile& file, const char* name) {
    const std::string path = PlaybackPath(name);
    if (const int cause = file.Open(path, CFile::modeRead); cause != 0) {
        throw CTavikControlException(
            StringFormat("Could not open file \"%s\" (%s)\n", WholePath(path).c_str(),
                         CauseText(cause).c_str()),
            0);
    }
}

}  // namespace tavik
