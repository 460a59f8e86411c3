#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/DropCounters.h"
#include "platform/MpxReadings.h"
#include "rds/RDSSnapshot.h"

namespace tavik {

// What a batch analysis found: the last values the analysers posted, the RDS record, the
// alarms' activations and the files written. Missing values (nothing posted yet) are empty.
struct CBatchSummary {
    struct Alarm {
        std::string strName;
        int nActivations = 0;
    };

    double dSeconds = 0.0;      // recording analysed
    bool bInterrupted = false;  // stopped before the end of the recording
    std::int64_t nBlocks = 0;
    std::optional<float> fDeviationMax;        // kHz
    std::optional<float> fDeviationExceed75;   // percent of half-block peaks >= 75 kHz
    std::vector<float> deviationRelative;      // percent per 1-kHz bin
    std::vector<float> deviationAccumulated;   // percent at or above k + 1 kHz
    std::optional<float> fMpxPower1sLast;      // dBr
    std::optional<float> fMpxPower60sLast;     // dBr
    std::optional<float> fMpxPower60sMax;      // dBr
    std::optional<CMpxReadings> mpxReadings;   // the last second's
    std::int64_t nSilentSeconds = 0;           // seconds that read silence
    std::optional<float> fMultipath;           // %/kHz
    std::optional<float> fRfLevel;             // dBuV
    std::optional<int> nItuStatus;             // CMultipathResult::Status
    std::shared_ptr<const CRDSSnapshot> pRds;  // last decode pass; null without one
    std::vector<Alarm> alarms;                 // in the set's order
    std::string strResultFile;                 // empty without logging
    std::string strLogFile;
    std::int64_t nLostResults = 0;      // records that could not be written
    std::int64_t nUnsyncedResults = 0;  // written while the file's syncs failed
    CDropCounts drops;                  // blocks and results dropped by busy consumers
    double dWallSeconds = 0.0;
    double dRealtimeFactor = 0.0;
};

}  // namespace tavik
