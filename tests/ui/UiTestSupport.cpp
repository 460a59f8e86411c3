#include "tests/ui/UiTestSupport.h"

#include <filesystem>

namespace tavik::test {

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
