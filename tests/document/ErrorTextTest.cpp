#include <gtest/gtest.h>

#include "platform/GenericException.h"

namespace tavik {
namespace {

std::string Details(const char* id, const char* sub) {
    return "\n\nError ID: " + std::string(id) + "\tError subID: " + sub + "\n\nError messages:\n";
}

TEST(ErrorText, EveryRowOfTheTable) {
    const std::string msg = "A: one\nB: two\n";
    EXPECT_EQ(GetErrorMessage(1, 0, msg), "Device cannot be accessed -> check cable and power!" +
                                              Details("   1", "   0") + msg);
    EXPECT_EQ(GetErrorMessage(1, 1, msg),
              "Device is in \"local\" state!" + Details("   1", "   1") + msg);
    EXPECT_EQ(GetErrorMessage(1, 2, msg), std::string("Please look for new driver at ") +
                                              kDriverWebAddress + " ." + Details("   1", "   2") +
                                              msg);
    EXPECT_EQ(GetErrorMessage(1, 3, msg), "EXC_TAVIKCONTROL: subID(3) not defined!");
    EXPECT_EQ(GetErrorMessage(1, -1, msg), "EXC_TAVIKCONTROL: subID(-1) not defined!");
    EXPECT_EQ(GetErrorMessage(2, 0, msg),
              "Memory or thread error!" + Details("   2", "   0") + msg);
    EXPECT_EQ(GetErrorMessage(2, 7, msg), "EXC_DOCUMENT: subID(7) not defined!");
    EXPECT_EQ(GetErrorMessage(4, 0, msg), "");
    EXPECT_EQ(GetErrorMessage(4, 1, "pDC == NULL"),
              "CMemDCException: There was a null pointer exception in the constructor of "
              "CMemDC.\npDC == NULL");
    EXPECT_EQ(GetErrorMessage(4, 2, msg), "EXC_MEMDC: subID(2) not defined!");
    const std::string reset =
        "There was an error while resetting the program after the measurement was stopped. It "
        "is recomended to restart the program.";
    EXPECT_EQ(GetErrorMessage(10, 0, msg), reset + Details("  10", "   0") + msg);
    EXPECT_EQ(GetErrorMessage(10, 1, msg), "EXC_MPXPOWERTAVIK: subID(1) not defined!");
    EXPECT_EQ(GetErrorMessage(11, 0, msg), msg);
    EXPECT_EQ(GetErrorMessage(11, 1, msg), msg);
    EXPECT_EQ(GetErrorMessage(11, 2, msg), "EXC_MULTIPATHTAVIK: subID(2) not defined!");
    EXPECT_EQ(GetErrorMessage(12, 0, msg), reset + Details("  12", "   0") + msg);
    EXPECT_EQ(GetErrorMessage(12, 5, msg), "EXC_DEVIATIONTAVIK: subID(5) not defined!");
    for (int id : {-4, 0, 3, 5, 6, 7, 8, 9, 13, 20, 1000}) {
        EXPECT_EQ(GetErrorMessage(id, 0, msg), "ID(" + std::to_string(id) + ") not defined!");
    }
}

TEST(ErrorText, ClassesCarryTheirIdsAndAccumulateLines) {
    EXPECT_EQ(CTavikControlException("", 0).GetErrorId(), 1);
    EXPECT_EQ(CDocumentException("", 0).GetErrorId(), 2);
    EXPECT_EQ(CMemDCException("", 1).GetErrorId(), 4);
    EXPECT_EQ(CDisplayException("").GetErrorId(), 5);
    EXPECT_EQ(CDisplayException("").GetSubId(), 0);
    EXPECT_EQ(CMPXPowerTavikException("", 0).GetErrorId(), 10);
    EXPECT_EQ(CMultipathTavikException("", 2).GetErrorId(), 11);
    EXPECT_EQ(CDeviationTavikException("", 0).GetErrorId(), 12);
    EXPECT_EQ(CPMPXViewException("").GetErrorId(), 20);

    // A failure that passed two layers on its way to the start command.
    CDocumentException e("StartADCDistribution(): AfxBeginThread created an exception\n", 0);
    try {
        try {
            throw e;
        } catch (CDocumentException& inner) {
            inner.AppendMessage("StartMeasurement: Could not start measurement!\n");
            throw;
        }
    } catch (const CDocumentException& outer) {
        EXPECT_EQ(FormatException(outer),
                  "Memory or thread error!" + Details("   2", "   0") +
                      "StartADCDistribution(): AfxBeginThread created an exception\n"
                      "StartMeasurement: Could not start measurement!\n");
    }
    CMultipathTavikException size(
        "AnalyseDeviation: mpx buffer size does not match MULTIPATH_BUFFER_FACTOR * "
        "GLOBAL_SAMPLE_BUFSIZE",
        1);
    size.AppendMessage("\n");
    EXPECT_EQ(FormatException(size), size.GetMessage());
}

}  // namespace
}  // namespace tavik
