#include "app/ProgrammeSource.h"

#include <cmath>

#include "device/IqStream.h"
#include "device/LiveIqSource.h"
#include "device/ReceiverStore.h"
#include "document/ProtocolHeader.h"

namespace tavik {

namespace {

// The live settings with what the receiver keeps (level calibration, frequency correction)
// where they give none; nothing is written to the receiver's store.
CLiveSourceSettings Kept(CLiveSourceSettings settings) {
    const CReceiverStore store(CReceiverStore::DefaultFolder(), settings.strName);
    settings.fullScale = settings.fullScale ? settings.fullScale : store.FullScale();
    settings.fullScale = settings.fullScale.value_or(CFmReceiver::kDefaultFullScaleDbuv);
    settings.ppm = settings.ppm ? settings.ppm : store.Ppm();
    return settings;
}

}  // namespace

CProgrammeSource::CProgrammeSource(const std::string& folder, const CReceiverChoice& receiver,
                                   std::optional<double> stationMhz,
                                   const std::atomic<bool>& running)
    : m_pLevel(std::make_unique<std::array<float, kBlockSamples>>()) {
    try {
        if (const auto iq = receiver.IqSettings(stationMhz)) {
            m_pIq = std::make_unique<CIqFileSource>(*iq);
            m_pIq->SetStopRequest([&running] { return !running.load(); });
        } else if (const auto live = receiver.LiveSettings(stationMhz)) {
            const CLiveSourceSettings kept = Kept(*live);
            m_strLiveName = kept.strName;
            // To the kHz, as the monitor tunes: a frequency in MHz is off by some Hz.
            const double station =
                std::round(kept.station.value_or(
                               static_cast<double>(CProtocolHeader().m_fFrequency) * 1e6) /
                           1e3) *
                1e3;
            m_pLive = std::make_unique<CLiveIqSource>(kept, station, *kept.fullScale, running);
            m_pLive->Open();
        } else {
            // The folder first, in its whole path, as the monitor names it.
            if (const std::string fault = CTavikControl::RecordingsFolderFault(folder);
                !fault.empty()) {
                throw CSourceError(fault);
            }
            m_pRecordings = std::make_unique<CRecordingReader>();
            m_pRecordings->Open(folder);
        }
    } catch (const CSourceError&) {
        throw;
    } catch (const CBatchError& e) {
        throw CSourceError(e.what());
    } catch (const CIqSourceError& e) {
        throw CSourceError(e.what());
    } catch (const std::exception& e) {  // a live receiver: CIqStreamError, CDspError
        throw CSourceError(m_strLiveName + ": " + e.what());
    }
}

CProgrammeSource::~CProgrammeSource() {
    if (m_pLive) {
        m_pLive->Close();
    }
}

bool CProgrammeSource::ReadBlock(float* mpx) {
    try {
        if (m_pRecordings) {
            return m_pRecordings->ReadBlock(mpx, nullptr);
        }
        if (m_pIq) {
            return m_pIq->ReadBlock(mpx, m_pLevel->data());
        }
        return m_pLive->ReadBlock(mpx, m_pLevel->data());
    } catch (const CBatchError& e) {
        throw CSourceError(e.what());
    } catch (const CIqSourceError& e) {
        throw CSourceError(e.what());
    } catch (const CIqStreamError& e) {
        throw CSourceError(m_strLiveName + ": " + e.what());
    }
}

}  // namespace tavik
