#include "tools/StationGenerator.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <numeric>
#include <vector>

#include "platform/File.h"
#include "tools/IqStationWriter.h"
#include "tools/LevelSynth.h"
#include "tools/MpxSynth.h"
#include "tools/PanoramaSynth.h"
#include "tools/RdsScheduler.h"

namespace tavik {

namespace {

// One recording, written under "<name>.part" and given its name by Publish, so that an
// interrupted run never leaves a short file under a recording's name.
class COutput {
public:
    COutput(const std::string& folder, const std::string& name)
        : m_strPath(JoinPath(folder, name)), m_strPartPath(m_strPath + ".part") {
        if (const int cause = m_file.Open(m_strPartPath, CFile::modeWrite); cause != 0) {
            Fail("Could not open file", cause);
        }
    }
    ~COutput() {
        if (!m_bPublished) {
            m_file.Close();
            std::remove(m_strPartPath.c_str());
        }
    }
    COutput(const COutput&) = delete;
    COutput& operator=(const COutput&) = delete;
    void Write(const void* data, std::size_t bytes) {
        if (const int cause = m_file.Write(data, bytes); cause != 0) {
            Fail("Could not write to file", cause);
        }
    }
    // Signed 16-bit little-endian, whatever the host's byte order.
    void WriteSamples(const std::int16_t* samples, std::size_t count) {
        m_bytes.resize(2 * count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto u = static_cast<std::uint16_t>(samples[i]);
            m_bytes[2 * i] = static_cast<std::uint8_t>(u & 0xFF);
            m_bytes[2 * i + 1] = static_cast<std::uint8_t>(u >> 8);
        }
        Write(m_bytes.data(), m_bytes.size());
    }
    void Close() {
        if (const int cause = m_file.Close(); cause != 0) {
            Fail("Could not close file", cause);
        }
    }
    void Publish() {
        if (std::rename(m_strPartPath.c_str(), m_strPath.c_str()) != 0) {
            Fail("Could not rename file", errno);
        }
        m_bPublished = true;
    }

private:
    [[noreturn]] void Fail(const char* what, int cause) const {
        throw CGeneratorError(std::string(what) + " \"" + m_strPartPath + "\" (" +
                              std::to_string(cause) + ")");
    }

    std::string m_strPath;
    std::string m_strPartPath;
    CFile m_file;
    bool m_bPublished = false;
    std::vector<std::uint8_t> m_bytes;
};

// Makes the folder; an older set loses its completion mark first (a failed run must not
// leave a mix), and so does an older IQ capture, which this run may not replace.
void PrepareFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        throw CGeneratorError("Could not create folder \"" + folder + "\" (" + error.message() +
                              ")");
    }
    std::filesystem::remove(JoinPath(folder, "station.txt"), error);
    std::filesystem::remove(JoinPath(folder, "station.sigmf-meta"), error);
    std::filesystem::remove(JoinPath(folder, "station.sigmf-data"), error);
}

// RDS: "rds.dat" holds whole 100-byte blocks (the player drops a partial block), and whole
// groups, so that the receiver's loop back to the start continues the block sequence without
// a break (13 blocks are 100 groups). The multiplex carries the transmitted bits for its
// whole length (3200 samples per 19 bits), and "rds.dat" holds at least as many: cut
// shorter, the recordings would loop back to their first groups while the multiplex (and an
// IQ capture of it) still carried later ones, and the two would decode apart. Writes the
// received bits and returns the transmitted ones.
std::vector<std::uint8_t> WriteRds(const CGeneratorOptions& options, CGenerationSummary& summary,
                                   COutput& rds) {
    constexpr std::size_t kLoopBytes =
        std::lcm<std::size_t>(CStationGenerator::kRdsBlockBytes, CRdsEncoder::kGroupBits / 8);
    const auto mpxBits = static_cast<std::size_t>(summary.nSamples * 19 / 3200 + 2);
    summary.nRdsBytes = (mpxBits / 8 / kLoopBytes + 1) * kLoopBytes;
    std::vector<std::uint8_t> transmitted =
        CRdsScheduler::TransmittedBits(options, summary.nRdsBytes * 8);
    const std::vector<std::uint8_t> received = CRdsScheduler::ReceivedBits(options, transmitted);
    const std::vector<std::uint8_t> bytes = CRdsScheduler::PackBits(received);
    rds.Write(bytes.data(), bytes.size());
    return transmitted;
}

}  // namespace

CGenerationSummary CStationGenerator::Run() {
    const std::string& folder = m_options.strOutputFolder;
    PrepareFolder(folder);
    CGenerationSummary summary;
    // Whole receiver blocks only: the player drops a partial block at the end of a file.
    const auto blocks = std::max<std::int64_t>(1, std::llround(m_options.fSeconds * 10.0));
    summary.nSamples = blocks * kBlockSamples;

    COutput rds(folder, "rds.dat");
    const std::vector<std::uint8_t> transmitted = WriteRds(m_options, summary, rds);

    CMpxSynth mpxSynth(m_options, transmitted);
    CLevelSynth levelSynth(m_options);
    COutput mpx(folder, "mpx.dat");
    COutput lev(folder, "lev.dat");
    std::unique_ptr<CIqStationWriter> iqWriter;
    std::unique_ptr<COutput> iq;
    if (!m_options.strIqDatatype.empty()) {
        iqWriter = std::make_unique<CIqStationWriter>(m_options);
        iq = std::make_unique<COutput>(folder, "station.sigmf-data");
        summary.fIqCentre = iqWriter->CentreFrequency();
        summary.fIqFullScale = iqWriter->FullScaleDbuv();
    }
    std::vector<std::int16_t> mpxBlock(kBlockSamples);
    std::vector<std::int16_t> levelBlock(kBlockSamples);
    for (std::int64_t b = 0; b < blocks; ++b) {
        mpxSynth.NextBlock(mpxBlock.data(), kBlockSamples);
        levelSynth.NextBlock(mpxBlock.data(), levelBlock.data(), kBlockSamples);
        mpx.WriteSamples(mpxBlock.data(), mpxBlock.size());
        lev.WriteSamples(levelBlock.data(), levelBlock.size());
        if (iq) {
            const std::vector<std::uint8_t>& bytes =
                iqWriter->Modulate(mpxBlock.data(), levelBlock.data(), kBlockSamples);
            iq->Write(bytes.data(), bytes.size());
        }
    }
    if (iq) {
        const std::vector<std::uint8_t>& bytes = iqWriter->Finish();
        iq->Write(bytes.data(), bytes.size());
    }
    summary.fPeakDeviation = mpxSynth.PeakDeviation();
    summary.fMpxPower = mpxSynth.PowerDbr();
    summary.fMeanLevel = levelSynth.MeanLevel();

    const std::vector<std::int16_t> panorama = CPanoramaSynth::Build(m_options);
    COutput pan(folder, "panormama.dat");
    pan.WriteSamples(panorama.data(), panorama.size());
    summary.nPanoramaReadings = panorama.size();

    std::unique_ptr<COutput> meta;
    std::vector<COutput*> outputs = {&rds, &mpx, &lev, &pan};
    if (iq) {
        meta = std::make_unique<COutput>(folder, "station.sigmf-meta");
        const std::string text = iqWriter->Metadata();
        meta->Write(text.data(), text.size());
        outputs.push_back(iq.get());
        outputs.push_back(meta.get());
    }
    const std::string text = Describe(summary);
    COutput station(folder, "station.txt");
    station.Write(text.data(), text.size());
    outputs.push_back(&station);
    // Named only when all are complete; station.txt last, so it marks a complete set.
    for (COutput* output : outputs) {
        output->Close();
    }
    for (COutput* output : outputs) {
        output->Publish();
    }
    return summary;
}

}  // namespace tavik
