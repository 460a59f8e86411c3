// Real-time factor of the batch analysis (`tavik analyse`) on a generated 10-minute recording
// of the default demo station. The counter realtime_factor is seconds of recording analysed
// per second of the benchmark's time; the target is at least 2000 on one core.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "document/BatchAnalysis.h"
#include "tools/StationGenerator.h"

namespace {

constexpr double kSeconds = 600.0;

// The recording, generated once per process into a folder removed at exit.
class CRecording {
public:
    CRecording() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tavik-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        m_strFolder = pattern;
        tavik::CGeneratorOptions options;
        options.strOutputFolder = m_strFolder;
        options.fSeconds = kSeconds;
        tavik::CStationGenerator generator(options);
        generator.Run();
    }
    ~CRecording() {
        std::error_code ignored;
        std::filesystem::remove_all(m_strFolder, ignored);
    }
    const std::string& Folder() const { return m_strFolder; }

private:
    std::string m_strFolder;
};

void BM_BatchAnalysis10Minutes(benchmark::State& state) {
    static const CRecording recording;
    tavik::CRecordingPrompt prompt;
    tavik::CBatchOptions options;
    options.strDataFolder = recording.Folder();
    options.start = tavik::CTime(1781517600);
    for (auto _ : state) {
        tavik::CBatchAnalysis analysis(options, prompt);
        benchmark::DoNotOptimize(analysis.Run());
    }
    state.counters["realtime_factor"] = benchmark::Counter(
        kSeconds * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BatchAnalysis10Minutes)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
