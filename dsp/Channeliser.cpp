#include "dsp/Channeliser.h"

#include <fftw3.h>
// liquid.h takes std::complex as its complex type when <complex> comes first.
#include <liquid/liquid.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <numeric>
#include <stdexcept>

#include "platform/FftPlanner.h"

namespace tavik {

namespace {

constexpr float kStopBandDb = 70.0f;
constexpr int kNarrowSize = 1024;  // M: each channel's inverse transform
constexpr double kChannelRate = 400000.0;
constexpr std::uint64_t kMaxInterp = 100;

// The largest decimation whose output rate is at least 400 kHz, a whole number of hertz and
// resampled to 400 kHz by a manageable ratio (as the FM receiver behind it needs).
int ChooseDecimation(double rate) {
    for (auto d = static_cast<int>(rate / CChanneliser::kMinimumOutputRate); d > 1; --d) {
        const double out = rate / d;
        const auto whole = static_cast<std::uint64_t>(std::llround(out));
        const std::uint64_t interp =
            static_cast<std::uint64_t>(kChannelRate) / std::gcd(whole, std::uint64_t{400000});
        if (std::fabs(out - static_cast<double>(whole)) < 1e-6 && interp <= kMaxInterp) {
            return d;
        }
    }
    return 1;
}

fftwf_complex* Fftw(std::complex<float>* x) {
    return reinterpret_cast<fftwf_complex*>(x);
}

// out[i] = a[i] b[i], written out: std::complex's product guards against NaN and inf.
void Multiply(const std::complex<float>* a, const std::complex<float>* b, std::complex<float>* out,
              int count) {
    for (int i = 0; i < count; ++i) {
        const float ar = a[i].real();
        const float ai = a[i].imag();
        const float br = b[i].real();
        const float bi = b[i].imag();
        out[i] = {ar * br - ai * bi, ar * bi + ai * br};
    }
}

}  // namespace

struct CChanneliser::CTransforms {
    CTransforms(int size, int narrow)
        : wide(static_cast<std::size_t>(size)), narrowIn(static_cast<std::size_t>(narrow)) {
        const std::lock_guard lock(FftPlannerMutex());
        forward = fftwf_plan_dft_1d(size, Fftw(wide.data()), Fftw(wide.data()), FFTW_FORWARD,
                                    FFTW_ESTIMATE);
        backward = fftwf_plan_dft_1d(narrow, Fftw(narrowIn.data()), Fftw(narrowIn.data()),
                                     FFTW_BACKWARD, FFTW_ESTIMATE);
    }
    ~CTransforms() {
        const std::lock_guard lock(FftPlannerMutex());
        fftwf_destroy_plan(forward);
        fftwf_destroy_plan(backward);
    }
    CTransforms(const CTransforms&) = delete;
    CTransforms& operator=(const CTransforms&) = delete;

    // fftwf_malloc's alignment is what the plans assume; std::vector's allocator gives 16
    // bytes for std::complex<float>, so the plans are made on these very arrays and executed
    // in place on them.
    std::vector<std::complex<float>> wide;
    std::vector<std::complex<float>> narrowIn;
    fftwf_plan forward = nullptr;
    fftwf_plan backward = nullptr;
};

struct CChanneliser::CChannel {
    int nBin = 0;                     // k0: the bin its 0 Hz takes
    std::complex<double> phase{1.0};  // the mixer's phase at the block's first sample
    std::complex<double> step{1.0};   // its advance from one block to the next
};

CChanneliser::CChanneliser(double rate, double centre, const std::vector<double>& stations)
    : m_fRate(rate), m_fCentre(centre) {
    if (!(rate >= kMinimumOutputRate)) {
        throw std::invalid_argument("the IQ rate is below the channel's 400 kHz");
    }
    m_nDecimation = ChooseDecimation(rate);
    m_nNarrow = kNarrowSize;
    m_nSize = m_nNarrow * m_nDecimation;
    // The low-pass: flat to kPassHalfWidth, down by the edge of the bins a channel keeps (half
    // the output rate). Cut off sharper, its response would be truncated there and ring
    // through the whole block, past what the overlap holds.
    const double out = OutputRate();
    const double transition = out / 2.0 - kPassHalfWidth;
    auto taps = static_cast<unsigned>(
        std::ceil((kStopBandDb - 8.0) / (2.285 * 2.0 * std::numbers::pi * transition / rate)) + 1);
    // Odd, with (taps - 1) / 2, the filter's delay, a whole number of output samples, which
    // the first block then leaves out: the channels keep the input's timing.
    const auto twice = static_cast<unsigned>(2 * m_nDecimation);
    taps = std::min((taps + twice - 2) / twice, static_cast<unsigned>(m_nNarrow / 4)) * twice + 1;
    m_nDelay = static_cast<int>(taps - 1) / (2 * m_nDecimation);
    m_nOverlap = static_cast<int>(taps - 1);
    m_pFft = std::make_unique<CTransforms>(m_nSize, m_nNarrow);
    std::vector<float> h(taps);
    liquid_firdes_kaiser(taps, static_cast<float>((kPassHalfWidth + transition / 2.0) / rate),
                         kStopBandDb, 0.0f, h.data());
    const float sum = std::accumulate(h.begin(), h.end(), 0.0f);
    std::fill(m_pFft->wide.begin(), m_pFft->wide.end(), std::complex<float>{});
    for (unsigned k = 0; k < taps; ++k) {
        m_pFft->wide[k] = h[k] / sum;
    }
    fftwf_execute(m_pFft->forward);
    // The response around 0 Hz in the narrow transform's order (bin m at m mod M), 1/N
    // folded in.
    m_narrowResponse.resize(static_cast<std::size_t>(m_nNarrow));
    for (int m = -m_nNarrow / 2; m < m_nNarrow / 2; ++m) {
        m_narrowResponse[static_cast<std::size_t>((m + m_nNarrow) % m_nNarrow)] =
            m_pFft->wide[static_cast<std::size_t>((m + m_nSize) % m_nSize)] /
            static_cast<float>(m_nSize);
    }
    const int hop = m_nSize - m_nOverlap;
    for (const double station : stations) {
        const double offset = station - centre;
        if (std::fabs(offset) + kPassHalfWidth > rate / 2.0) {
            throw std::invalid_argument("a station lies outside the IQ's band");
        }
        auto channel = std::make_unique<CChannel>();
        channel->nBin = static_cast<int>(std::lround(offset / rate * m_nSize));
        const double turn = 2.0 * std::numbers::pi * channel->nBin / m_nSize;
        channel->phase = std::polar(1.0, turn * m_nOverlap);
        channel->step = std::polar(1.0, -turn * hop);
        m_channels.push_back(std::move(channel));
    }
    std::fill(m_pFft->wide.begin(), m_pFft->wide.end(), std::complex<float>{});
    m_nFilled = m_nOverlap;  // the first block starts after zeros
    m_input.assign(static_cast<std::size_t>(m_nSize), std::complex<float>{});
}

CChanneliser::~CChanneliser() = default;

double CChanneliser::OutputCentre(int channel) const {
    return m_fCentre + m_channels[static_cast<std::size_t>(channel)]->nBin * m_fRate / m_nSize;
}

int CChanneliser::MaxOutput(int count) const {
    const int hop = m_nSize - m_nOverlap;
    return (count / hop + 1) * (hop / m_nDecimation);
}

int CChanneliser::Flush(std::complex<float>* const* out) {
    const int real = m_nFilled - m_nOverlap;  // input samples of the block begun
    if (real <= 0) {
        return 0;
    }
    // The samples the filter's delay still holds back come from zeros after the end.
    const int tail = std::min(m_nSize - m_nFilled, m_nDelay * m_nDecimation);
    std::fill_n(m_input.begin() + m_nFilled, m_nSize - m_nFilled, std::complex<float>{});
    m_nFilled += tail;
    const int wanted = (real + tail) / m_nDecimation;
    const int written = Block(out, 0);
    m_nFilled = m_nOverlap;
    return std::min(wanted, written);
}

int CChanneliser::Process(const std::complex<float>* in, int count,
                          std::complex<float>* const* out) {
    int written = 0;
    while (count > 0) {
        const int take = std::min(count, m_nSize - m_nFilled);
        std::copy_n(in, take, m_input.begin() + m_nFilled);
        m_nFilled += take;
        in += take;
        count -= take;
        if (m_nFilled == m_nSize) {
            written += Block(out, written);
            std::copy(m_input.end() - m_nOverlap, m_input.end(), m_input.begin());
            m_nFilled = m_nOverlap;
        }
    }
    return written;
}

// One block: the wide transform once, then per channel its M bins around its own, weighted by
// the low-pass, back at the output rate; the first V / D outputs are the circular
// convolution's wrapped part and are dropped.
int CChanneliser::Block(std::complex<float>* const* out, int at) {
    CTransforms& fft = *m_pFft;
    std::copy(m_input.begin(), m_input.end(), fft.wide.begin());
    fftwf_execute(fft.forward);
    const int half = m_nNarrow / 2;
    // The first block also leaves out the filter's delay.
    const int skip = (m_nOverlap + m_nDecimation - 1) / m_nDecimation + (m_bStarted ? 0 : m_nDelay);
    m_bStarted = true;
    // Narrow bin j takes the wide bin (k0 + m) mod N, m = j below M / 2 and j - M above, in
    // runs that are contiguous in both.
    const auto weigh = [&](int to, int from, int count) {
        from = (from % m_nSize + m_nSize) % m_nSize;
        while (count > 0) {
            const int run = std::min(count, m_nSize - from);
            Multiply(fft.wide.data() + from, m_narrowResponse.data() + to, fft.narrowIn.data() + to,
                     run);
            to += run;
            count -= run;
            from = 0;
        }
    };
    for (std::size_t c = 0; c < m_channels.size(); ++c) {
        CChannel& channel = *m_channels[c];
        weigh(0, channel.nBin, half);
        weigh(half, channel.nBin - half, half);
        fftwf_execute(fft.backward);
        const std::complex<float> phase(channel.phase);
        const std::complex<float>* x = fft.narrowIn.data() + skip;
        std::complex<float>* y = out[c] + at;
        for (int j = 0; j < m_nNarrow - skip; ++j) {
            y[j] = {x[j].real() * phase.real() - x[j].imag() * phase.imag(),
                    x[j].real() * phase.imag() + x[j].imag() * phase.real()};
        }
        channel.phase *= channel.step;
        channel.phase /= std::abs(channel.phase);
    }
    return m_nNarrow - skip;
}

}  // namespace tavik
