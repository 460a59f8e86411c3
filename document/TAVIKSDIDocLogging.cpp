#include <algorithm>

#include "document/TAVIKSDIDoc.h"

// The document's result-logging operations; the day-file logger does the work.

namespace tavik {

void CTAVIKSDIDoc::SetResultValue(EResultValue kind, float value) {
    switch (kind) {
        case EResultValue::Multipath:
            m_logger.SetMultipath(value);
            break;
        case EResultValue::Deviation:
            m_logger.SetDeviation(value);
            m_fDeviationPeakSinceCheck =
                std::max(m_fDeviationPeakSinceCheck.value_or(value), value);
            break;
        case EResultValue::MpxPower:
            m_logger.SetMpxPower(value);
            break;
        case EResultValue::Close:
            m_logger.CloseSecond();
            break;
    }
}

void CTAVIKSDIDoc::ForgetCurrentValues() {
    m_logger.ForgetCurrentValues();
    m_fDeviationPeakSinceCheck.reset();
}

CCurrentValues CTAVIKSDIDoc::GetCurrentValues() const {
    return m_logger.GetCurrentValues();
}

void CTAVIKSDIDoc::SetCurrentValues(const CCurrentValues& values) {
    m_logger.SetCurrentValues(values);
    m_fDeviationPeakSinceCheck = values.m_fDeviation;
}

void CTAVIKSDIDoc::WriteLog(const std::string& line) {
    m_logger.WriteLog(line);
}

void CTAVIKSDIDoc::CloseLogFiles() {
    m_logger.CloseLogFiles();
}

}  // namespace tavik
