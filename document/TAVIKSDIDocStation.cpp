// The station in the header and the day's log: its PI and PS as the RDS decoder reads them.
#include "document/TAVIKSDIDoc.h"
#include "rds/RDSCharacterSet.h"
#include "rds/RDSData.h"

namespace tavik {

void CTAVIKSDIDoc::OnStationDecoded(const CRDSData& data) {
    std::string ps = CRDSCharacterSet::ToUtf8(data.m_strPS);
    if (ps != m_strPSName) {
        m_strPSName = ps;
        UpdateAllViews(nullptr, HINT_STATION_NAME);
    }
    ps.erase(ps.find_last_not_of(' ') + 1);
    const bool noPs = ps.empty() || data.m_strPS == "No RDS";
    m_alarmWatch.OnStation(data.m_strPI, noPs ? std::string() : ps);
    if (data.m_strPI.empty() || noPs) {
        return;
    }
    const std::string station = "PI " + FourDigitPI(data.m_strPI) + ", PS \"" + ps + "\"";
    const bool stable = station == m_strStationSeen;
    m_strStationSeen = station;
    if (!stable || station == m_strStationLogged) {
        return;
    }
    m_strStationLogged = station;
    WriteLog("RDS: " + station);
}

}  // namespace tavik
