#include "app/ListenCommand.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "analysis/MpxLevels.h"
#include "app/DecoderOptions.h"
#include "app/ProgrammeSource.h"
#include "app/SignalStop.h"
#include "app/WavOutput.h"
#include "document/SetupRules.h"
#include "dsp/ProgrammeResampler.h"
#include "platform/File.h"
#include "platform/MpxReadings.h"
#include "tools/CommandLineValues.h"

namespace tavik {

namespace {

// The decoded programme to 48 kHz PCM and on to the WAV, until the frames wanted are written
// or a write fails.
class CProgrammeWriter final : public IProgrammeListener {
public:
    CProgrammeWriter(CWavOutput& wav, std::optional<std::int64_t> frames)
        : m_wav(wav),
          m_resampler(CMpxLevels::FullScale()),
          m_pcm(static_cast<std::size_t>(
              2 * CProgrammeResampler::MaxFrames(CRecordingReader::kBlockSamples))),
          m_nLeft(frames) {}

    void OnProgramme(const float* left, const float* right, int count) override {
        if (IsDone()) {
            return;
        }
        int frames = m_resampler.Process(left, right, count, m_pcm.data());
        if (m_nLeft) {
            frames = static_cast<int>(std::min<std::int64_t>(frames, *m_nLeft));
            *m_nLeft -= frames;
        }
        m_nCause = m_wav.Write(m_pcm.data(), frames);
    }
    bool IsDone() const { return m_nCause != 0 || (m_nLeft && *m_nLeft <= 0); }
    int Cause() const { return m_nCause; }

private:
    CWavOutput& m_wav;
    CProgrammeResampler m_resampler;
    std::vector<std::int16_t> m_pcm;
    std::optional<std::int64_t> m_nLeft;
    int m_nCause = 0;
};

// Clears `running` once a stop signal came, so that a wait for a live block ends.
class CStopWatch {
public:
    explicit CStopWatch(std::atomic<bool>& running)
        : m_thread([&running](std::stop_token stop) {
              while (!stop.stop_requested() && CSignalStop::Received() == 0) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
              }
              running.store(false);
          }) {}

private:
    std::jthread m_thread;
};

// Ends the WAV after the source ended, failed (`failure`) or the writing stopped with `cause`,
// and says what became of it; the exit code.
int Finish(CWavOutput& wav, int cause, const std::string& failure, const std::string& name,
           std::ostream& err) {
    if (cause == EPIPE) {
        return 0;  // the player ended: nothing more to do
    }
    const auto seconds = [&wav] {
        return wav.GetDataBytes() / (CWavOutput::kRate * CWavOutput::kBytesPerFrame);
    };
    // What was decoded stays: a file ends whole where the source failed or it could not grow.
    if (const int closed = wav.Close(); cause == 0 || (CWavOutput::IsFull(cause) && closed != 0)) {
        cause = closed;
    }
    if (!failure.empty()) {
        err << "listen: " << failure << "\n";
        if (cause == 0 && !wav.IsStream()) {
            err << "listen: " << name << " holds the first " << seconds()
                << " s of the programme\n";
        }
        return 1;
    }
    if (CWavOutput::IsFull(cause)) {
        err << "listen: " << name << " cannot grow further (" << CauseText(cause)
            << "); it holds the first " << seconds() << " s of the programme\n";
        return 1;
    }
    if (cause != 0) {
        err << "listen: cannot write " << name << ": " << CauseText(cause) << "\n";
        return 1;
    }
    return CSignalStop::Received() != 0 ? 130 : 0;
}

}  // namespace

CListenCommand::CListenCommand(CLI::App& parent)
    : m_pCommand(parent.add_subcommand("listen", "decode the station's programme into a WAV")) {
    CLI::App& c = *m_pCommand;
    CListenOptions& o = m_options;
    c.add_option("DIR", o.strDataFolder, "the folder of the recordings (default: here)")
        ->type_name("");
    o.receiver.AddOptions(c);
    AddNumberOption(c, "--station", "MHZ",
                    "the station of a capture or a live receiver (default: the capture's,\n"
                    "106.7 for a live receiver)",
                    setup_rules::kLowestMegahertz, setup_rules::kHighestMegahertz,
                    [&o](double v) { o.station = v; });
    AddTextOption(c, "--out", "FILE",
                  "write the WAV into FILE (replaced whole at the end), or with - to the\n"
                  "standard output (default)",
                  [&o](const std::string& v) {
                      if (v.empty()) {
                          throw COptionValueError("needs a file name or -");
                      }
                      o.strOut = v;
                  });
    AddIntegerOption(c, "--seconds", "N", "stop after N seconds of programme (default: the end)", 1,
                     1000000000, [&o](std::int64_t v) { o.seconds = static_cast<int>(v); });
    AddDecoderOptions(c, o.decoder);
    c.footer(
        "Decodes the stereo programme of the measured station (the recordings mpx.dat in DIR,\n"
        "an IQ capture or a live receiver) with de-emphasis and writes it as a 48000 Hz,\n"
        "2-channel, 16-bit WAV; 0 dBFS is full modulation (75 kHz). Recordings and captures\n"
        "are decoded as fast as the output takes them: tavik listen DIR | aplay plays them.\n"
        "The end of the reader (EPIPE) ends the command quietly; SIGINT or SIGTERM close the\n"
        "file with what was decoded (exit code 130).");
    c.callback([&o] {
        if (o.station && !o.receiver.iqFile && !o.receiver.live) {
            throw CLI::ValidationError("--station",
                                       "needs --receiver: the recordings hold one "
                                       "station");
        }
    });
}

int CListenCommand::Run(std::ostream& err) const {
    const CListenOptions& o = m_options;
    if (o.strOut == "-" && ::isatty(STDOUT_FILENO) == 1) {
        err << "listen: the standard output is a terminal; give --out FILE.wav or pipe it to a "
               "player (| aplay)\n";
        return 1;
    }
    const CSignalStop signals;  // SIGPIPE ignored: a lost reader is a write error (EPIPE)
    std::atomic<bool> running{true};
    const CStopWatch watch(running);
    std::unique_ptr<CProgrammeSource> source;
    try {
        source =
            std::make_unique<CProgrammeSource>(o.strDataFolder, o.receiver, o.station, running);
    } catch (const CSourceError& e) {
        err << "listen: " << e.what() << "\n";
        return 1;
    }
    CWavOutput wav;
    const std::string name = o.strOut == "-" ? "the standard output" : "\"" + o.strOut + "\"";
    if (const int cause = wav.Open(o.strOut); cause != 0) {
        err << "listen: cannot write " << name << ": " << CauseText(cause) << "\n";
        return 1;
    }
    CMpxLevels levels;
    levels.SetDeemphasis(o.decoder.deemphasis.value_or(CProtocolHeader().m_nDeemphasis));
    CProgrammeWriter writer(
        wav, o.seconds ? std::optional<std::int64_t>(std::int64_t{*o.seconds} * CWavOutput::kRate)
                       : std::nullopt);
    levels.SetProgrammeListener(&writer);
    std::vector<float> block(CProgrammeSource::kBlockSamples);
    CMpxReadings readings;
    std::string failure;  // of the source, after the programme so far
    try {
        while (!writer.IsDone() && CSignalStop::Received() == 0 &&
               source->ReadBlock(block.data())) {
            levels.AnalyseBlock(block.data(), static_cast<int>(block.size()), readings);
        }
    } catch (const CSourceError& e) {
        failure = e.what();
    }
    levels.SetProgrammeListener(nullptr);
    return Finish(wav, writer.Cause(), failure, name, err);
}

}  // namespace tavik
