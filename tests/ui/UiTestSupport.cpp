#include "tests/ui/UiTestSupport.h"

#include <filesystem>

#include "tests/support/TempFolder.h"
#include "tools/StationGenerator.h"

namespace tavik::test {

const std::string& Recording() {
    static const CTempFolder folder;
    static const bool made = [] {
        CGeneratorOptions options;
        options.strOutputFolder = folder.Path();
        options.fSeconds = 4.0;
        CStationGenerator(options).Run();
        return true;
    }();
    static_cast<void>(made);
    return folder.Path();
}

void CRecordingMeasurementView::OnResult(const CAnalyserResult& result) {
    SEntry entry{static_cast<int>(result.Code()), {}, std::this_thread::get_id()};
    if (const float* peak = result.Get<EResultCode::DeviationPeak>()) {
        entry.values.push_back(*peak);
    } else if (const auto* history = result.Get<EResultCode::PowerHistory>()) {
        entry.values = *history;
    }
    results.push_back(std::move(entry));
}

CWorkingDirectory::CWorkingDirectory(const std::string& path)
    : m_strPrevious(std::filesystem::current_path().string()) {
    std::filesystem::current_path(path);
}

CWorkingDirectory::~CWorkingDirectory() {
    std::filesystem::current_path(m_strPrevious);
}

}  // namespace tavik::test
