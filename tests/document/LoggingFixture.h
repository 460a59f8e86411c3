#pragma once

// The result-logging fixture shared by the logging tests: a document on a manual clock in
// Berlin time, a log folder, and helpers that stamp seconds and read the day's files.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "document/TAVIKSDIDoc.h"
#include "platform/File.h"
#include "platform/FolderLock.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/document/LogFileCheck.h"

namespace tavik::test::logging {

namespace fs = std::filesystem;
using test::Count;
using test::ExpectedRecord;
using test::IsWellFormedXml;
using test::ReadText;

constexpr std::uint32_t kSaturday1130 = 1796466607;  // 5 Dec 2026, 11:30:07 in Berlin
inline const std::string kHeader(CResultLog::HEADER);
inline const std::string kFooter(CResultLog::FOOTER);

inline std::string DateText(std::uint32_t t) {
    return CTime(static_cast<std::time_t>(t)).Format("%A, %B %d, %Y, %H:%M:%S");
}

struct LoggingFixture : test::CDocumentFixture {
    explicit LoggingFixture(bool recording = false)
        : CDocumentFixture(recording, CTime(kSaturday1130)) {
        test::UseBerlinTime();
        fs::create_directory(logs);
    }

    // Starts logging in `logs` and stamps the first second, as a start does.
    void Open() {
        doc->SelectLogFolder(logs);
        ASSERT_EQ(doc->OpenLogFiles(true), 0);
        doc->SetResultValue(EResultValue::Close, 0.0f);
        doc->WaitForLogWrites();  // "File Opened" is in the log
    }
    // One second: the analysers report (deviation = `n`), then the record is closed, by the
    // main timer's whole tick when `tick`.
    void Seconds(int count, bool tick = false) {
        for (int i = 0; i < count; ++i) {
            doc->SetResultValue(EResultValue::Deviation, static_cast<float>(++n));
            doc->SetResultValue(EResultValue::MpxPower, -0.5f * static_cast<float>(n));
            doc->SetResultValue(EResultValue::Multipath, 0.25f);
            clock.Advance(CTimeSpan(1));
            tick ? doc->OnMainTimerEvent() : doc->SetResultValue(EResultValue::Close, 0.0f);
        }
    }
    // The records that Seconds() produced with ids first..last, the first stamped `t`.
    std::string Records(int first, int last, std::uint32_t t, int value) const {
        std::string out;
        for (int id = first; id <= last; ++id, ++t, ++value) {
            out += ExpectedRecord(id, t, DateText(t).c_str(), value, -0.5 * value, 0.25);
        }
        return out;
    }
    // The files once the log writer has done the work queued so far.
    std::string Xml(const char* day = "261205") const {
        doc->WaitForLogWrites();
        return ReadText(logs + "/tavik" + day + ".xml");
    }
    std::string Log(const char* day = "261205") const {
        doc->WaitForLogWrites();
        return ReadText(logs + "/tavik" + day + ".log");
    }
    std::string Folder() const {
        std::string folder;
        doc->GetLogFolder(folder);
        return folder;
    }
    // The next run: a new document on the same prompt and clock.
    void Restart() {
        doc = std::make_unique<CTAVIKSDIDoc>();
        doc->SetPrompt(&prompt);
        doc->SetClock(&clock);
    }

    std::string logs = folder.File("logs");
    int n = 0;
};

}  // namespace tavik::test::logging
