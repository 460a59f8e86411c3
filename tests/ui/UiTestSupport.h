#pragma once

#include <string>
#include <thread>
#include <vector>

#include "platform/AnalyserResult.h"
#include "platform/Document.h"
#include "platform/Prompt.h"
#include "ui/MeasurementView.h"

namespace tavik::test {

// Records the hints the document broadcasts.
class CHintRecorder final : public CView {
public:
    void OnUpdate(CView* /*sender*/, long hint, void* /*object*/) override {
        hints.push_back(hint);
    }
    std::vector<long> hints;
};

// A measurement page that records the results routed to it and the thread they came on.
class CRecordingMeasurementView final : public CMeasurementView {
public:
    struct SEntry {
        int nCode;
        std::vector<float> values;
        std::thread::id thread;
    };
    CRecordingMeasurementView(CTAVIKSDIDoc& doc, QWidget* parent)
        : CMeasurementView(doc, parent, 1000) {}
    void OnResult(const CAnalyserResult& result) override;

    std::vector<SEntry> results;

protected:
    void OnRefresh() override {}
};

// A folder of a few seconds of the generated station, made once.
const std::string& Recording();

// The working directory for the lifetime of the object.
class CWorkingDirectory {
public:
    explicit CWorkingDirectory(const std::string& path);
    ~CWorkingDirectory();
    CWorkingDirectory(const CWorkingDirectory&) = delete;
    CWorkingDirectory& operator=(const CWorkingDirectory&) = delete;

private:
    std::string m_strPrevious;
};

}  // namespace tavik::test
