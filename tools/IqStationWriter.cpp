#include "tools/IqStationWriter.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

#include "tools/LevelSynth.h"

namespace tavik {

namespace {

constexpr std::uint64_t kNoiseStream = 0x4E4F495345ull;  // "NOISE"

CIqFormat Format(const std::string& datatype) {
    const auto format = IqFormatFromDatatype(datatype);
    if (!format) {
        throw std::invalid_argument("the IQ datatype \"" + datatype +
                                    "\" cannot be written (cu8, ci16_le and cf32_le can)");
    }
    return *format;
}

}  // namespace

CIqStationWriter::CIqStationWriter(const CGeneratorOptions& options)
    : m_options(options),
      m_format(Format(options.strIqDatatype)),
      m_fCentre(options.fFrequency * 1e6 -
                (options.fIqRate / 2.0 >= kOffset + 140000.0 ? kOffset : 0.0)),
      m_fFullScale(options.fLevel + kHeadroom),
      m_random(options.nSeed ^ kNoiseStream) {
    CFmModulatorSettings settings;
    settings.fSampleRate = options.fIqRate;
    settings.fOffset = options.fFrequency * 1e6 - m_fCentre;
    settings.fFullScaleDbuv = m_fFullScale;
    settings.fEchoDelay = options.fEchoDelay;
    settings.fCentre = m_fCentre;
    settings.fEchoGain = options.fEchoDelay > 0.0 ? std::pow(10.0, options.fEchoLevel / 20.0) : 0.0;
    m_pModulator = std::make_unique<CFmModulator>(settings);
    for (const double neighbour : options.neighbours) {
        settings.fOffset = neighbour * 1e6 - m_fCentre;
        if (std::fabs(settings.fOffset) + 140000.0 > options.fIqRate / 2.0 ||
            neighbour == options.fFrequency) {
            throw std::invalid_argument("the neighbour at " + std::to_string(neighbour) +
                                        " MHz is the station or outside the capture's band");
        }
        m_neighbours.push_back(std::make_unique<CFmModulator>(settings));
    }
    // The carrier's mean power against the noise in the channel; spread over the whole rate.
    const double carrier = std::pow(10.0, -kHeadroom / 10.0);
    const double noise = options.fCarrierToNoise > 0.0
                             ? carrier / std::pow(10.0, options.fCarrierToNoise / 10.0) *
                                   options.fIqRate / kNoiseBandwidth
                             : 0.0;
    m_fNoiseSigma = static_cast<float>(std::sqrt(noise / 2.0));
    const int maxOutput = m_pModulator->MaxOutput(CFmModulator::kMaxInput);
    m_mpx.resize(CFmModulator::kMaxInput);
    m_level.resize(CFmModulator::kMaxInput);
    m_iq.resize(static_cast<std::size_t>(maxOutput));
    if (!m_neighbours.empty()) {
        m_neighbourMpx.resize(CFmModulator::kMaxInput);
        m_neighbourLevel.resize(CFmModulator::kMaxInput);
        m_neighbourIq.resize(static_cast<std::size_t>(maxOutput));
    }
}

CIqStationWriter::~CIqStationWriter() = default;

const std::vector<std::uint8_t>& CIqStationWriter::Modulate(const std::int16_t* mpx,
                                                            const std::int16_t* level, int count) {
    m_bytes.clear();
    if (count <= 0) {
        return m_bytes;
    }
    if (!m_bStarted) {
        m_bStarted = true;
        m_fHeldMpx = mpx[0];
        m_fHeldLevel = AirLevel(m_options.multipath, mpx[0], level[0]);
        AppendHeld(kLeadIn);
    }
    for (int start = 0; start < count; start += CFmModulator::kMaxInput) {
        const int n = std::min(CFmModulator::kMaxInput, count - start);
        for (int i = 0; i < n; ++i) {
            m_mpx[static_cast<std::size_t>(i)] = mpx[start + i];
            m_level[static_cast<std::size_t>(i)] =
                AirLevel(m_options.multipath, mpx[start + i], level[start + i]);
        }
        Append(n);
    }
    m_fHeldMpx = mpx[count - 1];
    m_fHeldLevel = AirLevel(m_options.multipath, mpx[count - 1], level[count - 1]);
    return m_bytes;
}

float CIqStationWriter::AirLevel(const std::array<double, 3>& multipath, std::int16_t mpx,
                                 std::int16_t level) {
    const auto f = static_cast<float>(mpx);
    return CLevelSynth::AdcToLevel(level) -
           CLevelSynth::CouplingDb(CLevelSynth::TotalCoupling(multipath), f) +
           CLevelSynth::CouplingDb(multipath, f);
}

const std::vector<std::uint8_t>& CIqStationWriter::Finish() {
    m_bytes.clear();
    AppendHeld(kTail);
    return m_bytes;
}

void CIqStationWriter::AppendHeld(int count) {
    std::fill_n(m_mpx.begin(), count, m_fHeldMpx);
    std::fill_n(m_level.begin(), count, m_fHeldLevel);
    Append(count);
}

void CIqStationWriter::Append(int count) {
    const int produced = m_pModulator->Process(m_mpx.data(), m_level.data(), count, m_iq.data());
    // The neighbours: the programme at half the deviation, 6 dB weaker.
    for (std::size_t i = 0; i < static_cast<std::size_t>(count) && !m_neighbours.empty(); ++i) {
        m_neighbourMpx[i] = 0.5f * m_mpx[i];
        m_neighbourLevel[i] = m_level[i] - 6.0f;
    }
    for (const std::unique_ptr<CFmModulator>& neighbour : m_neighbours) {
        neighbour->Process(m_neighbourMpx.data(), m_neighbourLevel.data(), count,
                           m_neighbourIq.data());
        for (int i = 0; i < produced; ++i) {
            m_iq[static_cast<std::size_t>(i)] += m_neighbourIq[static_cast<std::size_t>(i)];
        }
    }
    if (m_fNoiseSigma > 0.0f) {
        for (int i = 0; i < produced; ++i) {
            m_iq[static_cast<std::size_t>(i)] +=
                std::complex<float>(m_random.Gaussian(), m_random.Gaussian()) * m_fNoiseSigma;
        }
    }
    const std::size_t offset = m_bytes.size();
    m_bytes.resize(offset + static_cast<std::size_t>(produced) * IqSampleBytes(m_format));
    EncodeIq(m_format, m_iq.data(), static_cast<std::size_t>(produced), m_bytes.data() + offset);
}

std::string CIqStationWriter::Metadata() const {
    nlohmann::ordered_json meta;
    meta["global"] = {
        {"core:datatype", IqDatatype(m_format)},
        {"core:sample_rate", m_options.fIqRate},
        {"core:version", "1.0.0"},
        {"core:description", "Tavik synthetic FM station (tavik generate)"},
        {"core:extensions", nlohmann::ordered_json::array(
                                {{{"name", "tavik"}, {"version", "1.0.0"}, {"optional", true}}})},
        {"tavik:full_scale_dbuv", m_fFullScale},
        // The station sits off the capture's centre (away from a receiver's DC spike): the
        // reader tunes to it unless told otherwise.
        {"tavik:station_frequency", m_options.fFrequency * 1e6},
    };
    meta["captures"] =
        nlohmann::ordered_json::array({{{"core:sample_start", 0}, {"core:frequency", m_fCentre}}});
    meta["annotations"] = nlohmann::ordered_json::array();
    return meta.dump(2) + "\n";
}

}  // namespace tavik
