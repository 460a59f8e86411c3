#include "device/SoapyStream.h"

#include <SoapySDR/Device.hpp>
#include <SoapySDR/Errors.hpp>
#include <SoapySDR/Formats.hpp>

#include <chrono>
#include <cmath>

namespace tavik {

namespace {

constexpr long kReadTimeoutUs = 100000;  // how soon a stop is noticed

}  // namespace

CSoapyStream::CSoapyStream(std::string args, const std::atomic<bool>& running)
    : m_strArgs(std::move(args)), m_bRunning(running) {}

CSoapyStream::~CSoapyStream() {
    Close();
    if (m_pDevice != nullptr) {
        SoapySDR::Device::unmake(m_pDevice);
    }
}

void CSoapyStream::Open(const CIqTuning& tuning) {
    Close();
    try {
        if (m_pDevice == nullptr) {
            m_pDevice = SoapySDR::Device::make(m_strArgs);
        }
        m_pDevice->setSampleRate(SOAPY_SDR_RX, 0, tuning.fRate);
        m_pDevice->setFrequency(SOAPY_SDR_RX, 0, tuning.fCentre);
        m_pDevice->setGainMode(SOAPY_SDR_RX, 0, !tuning.gain.has_value());
        if (tuning.gain) {
            m_pDevice->setGain(SOAPY_SDR_RX, 0, *tuning.gain);
        }
        m_pStream = m_pDevice->setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32);
    } catch (const std::exception& e) {
        // A device that cannot be opened or tuned now may come back (unplugged, in use).
        if (m_pDevice != nullptr) {
            SoapySDR::Device::unmake(m_pDevice);
            m_pDevice = nullptr;
        }
        throw CIqStreamError(Name() + ": " + e.what());
    }
    if (const int code = m_pDevice->activateStream(m_pStream); code != 0) {
        Close();
        throw CIqStreamError(Name() + ": the stream cannot start: " + SoapySDR::errToStr(code));
    }
    m_fRate = tuning.fRate;
    m_nNextTime = -1;
}

void CSoapyStream::Close() {
    if (m_pStream != nullptr) {
        m_pDevice->deactivateStream(m_pStream);
        m_pDevice->closeStream(m_pStream);
        m_pStream = nullptr;
    }
}

void CSoapyStream::Retune(double centre) {
    try {
        m_pDevice->setFrequency(SOAPY_SDR_RX, 0, centre);
    } catch (const std::exception& e) {
        throw CIqStreamError(Name() + ": " + e.what());
    }
}

int CSoapyStream::Read(std::complex<float>* iq, int count) {
    const auto since = std::chrono::steady_clock::now();
    while (m_bRunning.load() && m_pStream != nullptr) {
        void* buffers[] = {iq};
        int flags = 0;
        long long time = 0;
        const int n = m_pDevice->readStream(m_pStream, buffers, static_cast<std::size_t>(count),
                                            flags, time, kReadTimeoutUs);
        if (n > 0) {
            if ((flags & SOAPY_SDR_HAS_TIME) != 0) {
                if (m_nNextTime >= 0 && time > m_nNextTime) {
                    m_dropped.nSamples +=
                        std::llround(static_cast<double>(time - m_nNextTime) * 1e-9 * m_fRate);
                }
                m_nNextTime = time + std::llround(n * 1e9 / m_fRate);
            }
            return n;
        }
        if (n == SOAPY_SDR_OVERFLOW) {
            ++m_dropped.nEvents;
            continue;
        }
        if (n == SOAPY_SDR_TIMEOUT || n == 0) {
            const std::chrono::duration<double> silent = std::chrono::steady_clock::now() - since;
            if (silent.count() >= kStallSeconds) {
                Close();
                throw CIqStreamError(Name() + " sent no samples for 3 s");
            }
            continue;
        }
        Close();
        throw CIqStreamError(Name() + ": the stream broke: " + SoapySDR::errToStr(n));
    }
    return 0;
}

CIqStream::SDropped CSoapyStream::TakeDropped() {
    const SDropped dropped = m_dropped;
    m_dropped = {};
    return dropped;
}

}  // namespace tavik
