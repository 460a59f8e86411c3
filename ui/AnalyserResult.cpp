#include "ui/AnalyserResult.h"

#include <vector>

#include "analysis/MultipathTavik.h"
#include "analysis/SpectrumAnalyser.h"
#include "rds/RDSSnapshot.h"

namespace tavik {

float CAnalyserResult::Value() const {
    return *static_cast<const float*>(m_message.payload.get());
}

std::span<const float> CAnalyserResult::Values() const {
    const void* data = m_message.payload.get();
    switch (Code()) {
        case 2:
        case 10: {
            const auto& spectrum = *static_cast<const CSpectrumAnalyser::Spectrum*>(data);
            return {spectrum.data(), spectrum.size()};
        }
        case 13: {
            const auto& peaks = *static_cast<const CSegmentPeaks*>(data);
            return {peaks.data(), peaks.size()};
        }
        default: {
            const auto& values = *static_cast<const std::vector<float>*>(data);
            return {values.data(), values.size()};
        }
    }
}

const CRDSSnapshot& CAnalyserResult::RDS() const {
    return *static_cast<const CRDSSnapshot*>(m_message.payload.get());
}

}  // namespace tavik
