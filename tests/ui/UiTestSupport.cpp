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
    SEntry entry{result.Code(), {}, std::this_thread::get_id()};
    if (result.Code() == 4 || result.Code() == 6 || result.Code() == 12) {
        entry.values.push_back(result.Value());
    } else if (result.Code() != 9 && result.Code() != 11) {
        const auto values = result.Values();
        entry.values.assign(values.begin(), values.end());
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
