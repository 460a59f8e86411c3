// tavik's software receiver over a whole IQ capture, as `analyse --receiver iq:FILE` reads it
// but without the analysis: the file read in 100 ms pieces, converted, received to MPX, RF
// level and RDS bits, and handed out as blocks and RDS chunks. Prints the seconds of IQ, the
// CPU seconds (user + system) of the run and the real-time factor they give; CPU time, since
// the machine is shared. It also prints the resident memory after the first second and at the
// end, which stay equal when nothing grows per block. scripts/bench-receivers runs it beside
// GNU Radio's receiver.
//
//     iq_file_receiver_bench FILE.sigmf-meta

#include <sys/resource.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "device/IqFileSource.h"

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Resident set size in kB from /proc, 0 where it cannot be read.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: iq_file_receiver_bench FILE.sigmf-meta\n");
        return 2;
    }
    try {
        tavik::CIqSourceSettings settings;
        settings.strFile = argv[1];
        const double before = CpuSeconds();
        tavik::CIqFileSource source(settings);
        std::vector<float> mpx(tavik::CIqFileSource::kBlockSamples);
        std::vector<float> level(mpx.size());
        std::uint8_t chunk[tavik::CIqFileSource::kRdsChunkBytes];
        long blocks = 0;
        long chunks = 0;
        long firstSecondKb = 0;
        while (source.ReadBlock(mpx.data(), level.data())) {
            if (++blocks == 10) {
                firstSecondKb = ResidentKb();
            }
            while (source.ReadRdsChunk(chunk)) {
                ++chunks;
            }
        }
        const double cpu = CpuSeconds() - before;
        const double seconds = static_cast<double>(blocks) / 10.0;
        std::printf(
            "tavik: %.1f s of IQ at %.0f S/s (%ld blocks, %ld RDS chunks): %.2f s CPU, "
            "real-time factor %.1f (CPU); resident %ld kB after 1 s, %ld kB at the end\n",
            seconds, source.ReceiverSettings().fSampleRate, blocks, chunks, cpu,
            cpu > 0.0 ? seconds / cpu : 0.0, firstSecondKb, ResidentKb());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "iq_file_receiver_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
