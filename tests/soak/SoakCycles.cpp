// Soak driver (not a test of the suite): runs the live pipeline at a fast pace through random
// start, pause, resume and stop cycles for a given time, logging into a folder, as an operator
// would over weeks. Built under ThreadSanitizer by scripts/soak; any race is reported there.
// Usage: soak_cycles SECONDS WORKDIR. Prints cycles, ticks and records; exit 1 on a lost record.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "app/ScaledClock.h"
#include "document/ResultRouter.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/MessageQueue.h"
#include "platform/Pacer.h"
#include "tools/StationGenerator.h"

using namespace tavik;

namespace {

constexpr double kSpeed = 20.0;  // the pipeline's pace: 200 blocks a second

class CQuietPrompt final : public CPrompt {
public:
    int MessageBox(const std::string& text, unsigned style) override {
        std::fprintf(stderr, "box: %s\n", text.c_str());
        return UnattendedAnswer(style);
    }
    void Notice(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: soak_cycles SECONDS WORKDIR\n");
        return 2;
    }
    const auto duration = std::chrono::seconds(std::stol(argv[1]));
    const std::string work = argv[2];
    std::filesystem::create_directories(work + "/logs");
    CGeneratorOptions generated;
    generated.strOutputFolder = work + "/recording";
    generated.fSeconds = 20.0;
    CStationGenerator(generated).Run();

    CQuietPrompt prompt;
    CScaledClock clock(kSpeed);
    CRealTimePacer adc(kSpeed);
    CRealTimePacer rds(kSpeed);
    CRealTimePacer panorama(kSpeed);
    CQueueTarget window(256);
    auto doc = std::make_unique<CTAVIKSDIDoc>();
    CResultRouter router(*doc);
    doc->SetPrompt(&prompt);
    doc->SetClock(&clock);
    doc->GetDevice().SetDataFolder(generated.strOutputFolder);
    doc->GetDevice().SetPacers(&adc, &rds, &panorama);
    doc->SetResultWindow(&window);
    doc->OnDetectHardware();

    std::mt19937 random(7);
    const auto tick = std::chrono::duration<double>(1.0 / kSpeed);
    const auto end = std::chrono::steady_clock::now() + duration;
    long cycles = 0;
    long ticks = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (doc->OpenLogFilesKeeping(work + "/logs") != 0) {
            return 1;
        }
        doc->OnMeasurementStart();
        // A few pauses and resumes, then a stop.
        for (int phase = 0, phases = 1 + static_cast<int>(random() % 3); phase < phases; ++phase) {
            const int seconds = 1 + static_cast<int>(random() % 8);
            for (int s = 0; s < seconds && doc->IsRunning(); ++s) {
                const auto next = std::chrono::steady_clock::now() + tick;
                CMessage message;
                while (std::chrono::steady_clock::now() < next) {
                    if (window.Queue().GetMessageFor(message, std::chrono::milliseconds(5))) {
                        router.Route(message);
                    }
                }
                doc->OnMainTimerEvent();
                ++ticks;
            }
            doc->OnMeasurementPause();
            doc->OnMeasurementStart();
        }
        doc->OnMeasurementStop();
        ++cycles;
    }
    std::printf("cycles %ld, ticks %ld, lost records %lld\n", cycles, ticks,
                static_cast<long long>(doc->GetLostResultCount()));
    return doc->GetLostResultCount() == 0 ? 0 : 1;
}
