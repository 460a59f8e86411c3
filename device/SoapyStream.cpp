#include "device/SoapyStream.h"

#include <SoapySDR/Device.hpp>
#include <SoapySDR/Errors.hpp>
#include <SoapySDR/Formats.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace tavik {

namespace {

constexpr long kReadTimeoutUs = 100000;  // how soon a stop is noticed

}  // namespace

CSoapyStream::CSoapyStream(std::string args, const std::atomic<bool>& running)
    : m_strArgs(std::move(args)), m_bRunning(running) {}

CSoapyStream::~CSoapyStream() {
    Release();
}

void CSoapyStream::Open(const CIqTuning& tuning) {
    Close();
    try {
        if (m_pDevice == nullptr) {
            m_pDevice = SoapySDR::Device::make(m_strArgs);
        }
        m_pDevice->setSampleRate(SOAPY_SDR_RX, 0, tuning.fRate);
        if (tuning.ppm) {
            m_pDevice->setFrequencyCorrection(SOAPY_SDR_RX, 0, *tuning.ppm);
        }
        m_pDevice->setFrequency(SOAPY_SDR_RX, 0, tuning.fCentre);
        m_pDevice->setGainMode(SOAPY_SDR_RX, 0, !tuning.gain.has_value());
        if (tuning.gain) {
            m_pDevice->setGain(SOAPY_SDR_RX, 0, *tuning.gain);
        }
        m_pStream = m_pDevice->setupStream(SOAPY_SDR_RX, SOAPY_SDR_CF32);
        m_buffer.resize(std::max<std::size_t>(m_pDevice->getStreamMTU(m_pStream), 1));
        if (const int code = m_pDevice->activateStream(m_pStream); code != 0) {
            throw CIqStreamError(Name() + ": the stream cannot start: " + SoapySDR::errToStr(code));
        }
    } catch (const CIqStreamError&) {
        Release();
        throw;
    } catch (const std::exception& e) {
        // A device that cannot be opened or started now may come back (unplugged, in use).
        Release();
        throw CIqStreamError(Name() + ": " + e.what());
    }
    m_fRate = tuning.fRate;
    m_nNextTime = -1;
}

void CSoapyStream::Close() {
    if (m_pStream != nullptr) {
        // A device that went away may refuse both; the stream is given up either way.
        try {
            m_pDevice->deactivateStream(m_pStream);
            m_pDevice->closeStream(m_pStream);
        } catch (const std::exception&) {
        }
        m_pStream = nullptr;
    }
    m_nBuffered = 0;
    m_nTaken = 0;
}

void CSoapyStream::Release() {
    Close();
    if (m_pDevice != nullptr) {
        try {
            SoapySDR::Device::unmake(m_pDevice);
        } catch (const std::exception&) {
        }
        m_pDevice = nullptr;
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
    while (m_nTaken == m_nBuffered && m_bRunning.load() && m_pStream != nullptr) {
        void* buffers[] = {m_buffer.data()};
        int flags = 0;
        long long time = 0;
        int n = 0;
        try {
            n = m_pDevice->readStream(m_pStream, buffers, m_buffer.size(), flags, time,
                                      kReadTimeoutUs);
        } catch (const std::exception& e) {
            Release();
            throw CIqStreamError(Name() + ": " + e.what());
        }
        if (n > 0) {
            if ((flags & SOAPY_SDR_HAS_TIME) != 0) {
                if (m_nNextTime >= 0 && time > m_nNextTime) {
                    m_dropped.nSamples +=
                        std::llround(static_cast<double>(time - m_nNextTime) * 1e-9 * m_fRate);
                }
                m_nNextTime = time + std::llround(n * 1e9 / m_fRate);
            }
            m_nBuffered = static_cast<std::size_t>(n);
            m_nTaken = 0;
            break;
        }
        if (n == SOAPY_SDR_OVERFLOW) {
            ++m_dropped.nEvents;
            continue;
        }
        if (n == SOAPY_SDR_TIMEOUT || n == 0) {
            const std::chrono::duration<double> silent = std::chrono::steady_clock::now() - since;
            if (silent.count() >= kStallSeconds) {
                Release();
                throw CIqStreamError(Name() + " sent no samples for 3 s");
            }
            continue;
        }
        Release();
        throw CIqStreamError(Name() + ": the stream broke: " + SoapySDR::errToStr(n));
    }
    const std::size_t n = std::min(static_cast<std::size_t>(count), m_nBuffered - m_nTaken);
    std::copy_n(m_buffer.data() + m_nTaken, n, iq);
    m_nTaken += n;
    return static_cast<int>(n);
}

CIqStream::SDropped CSoapyStream::TakeDropped() {
    const SDropped dropped = m_dropped;
    m_dropped = {};
    return dropped;
}

}  // namespace tavik
