// The protocol page: names taking effect on leaving their edit, the write-back when the page is
// left, and "Enable Logging" with its folder retry and enabling rules.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "document/TAVIKSDIDoc.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/ProtocolView.h"

namespace tavik {
namespace {

class ProtocolViewTest : public ::testing::Test {
protected:
    ProtocolViewTest() {
        m_doc.SetPrompt(&m_prompt);
        m_doc.SetFolderChooser([this](const std::string&, const std::string&) {
            ++m_nChooserCalls;
            return m_chosen;
        });
        m_view.resize(800, 500);
        m_view.OnInitialUpdate();
        m_doc.UpdateAllViews(nullptr, 0);
        m_doc.AddView(&m_hints);
    }
    ~ProtocolViewTest() override {
        m_doc.CloseLogFiles();
        m_doc.RemoveView(&m_hints);
    }
    template <typename T>
    T* Find(const char* name) {
        return m_view.findChild<T*>(QString::fromLatin1(name));
    }
    const std::string& Field(CProtocolHeader::StringField field) const {
        return m_doc.GetProtocolHeaderRef().m_strings[field];
    }

    CRecordingPrompt m_prompt;
    CTAVIKSDIDoc m_doc;
    CProtocolView m_view{m_doc, nullptr};
    test::CHintRecorder m_hints;
    std::optional<std::string> m_chosen;
    int m_nChooserCalls = 0;
};

TEST_F(ProtocolViewTest, NameTakesEffectOnLeavingItsEditAndTheRestWhenThePageIsLeft) {
    Find<QLineEdit>("operator")->setText("A. Operator");
    emit Find<QLineEdit>("operator")->editingFinished();
    EXPECT_EQ(Field(CProtocolHeader::OPERATOR), "A. Operator");
    EXPECT_EQ(m_hints.hints, std::vector<long>{HINT_PROTOCOL_CHANGED});

    Find<QComboBox>("typeB")->setCurrentText("Directional - 14E");
    Find<QComboBox>("heightA")->setCurrentText("200 Meters");
    Find<QComboBox>("polarisationB")->setCurrentText("V");
    Find<QLineEdit>("location")->setText("Roof");
    EXPECT_EQ(Field(CProtocolHeader::LOCATION), "");
    m_view.OnDeactivate();
    EXPECT_EQ(Field(CProtocolHeader::ANTENNA_B_TYPE), "Directional - 14E");
    EXPECT_EQ(Field(CProtocolHeader::ANTENNA_A_HEIGHT), "200 Meters");
    EXPECT_EQ(Field(CProtocolHeader::ANTENNA_B_POLARISATION), "V");
    EXPECT_EQ(Field(CProtocolHeader::LOCATION), "Roof");
    EXPECT_EQ(Field(CProtocolHeader::OPERATOR), "A. Operator");
    EXPECT_EQ(m_hints.hints.size(), 2u);
    m_view.OnDeactivate();  // nothing changed: no hint
    EXPECT_EQ(m_hints.hints.size(), 2u);
    EXPECT_TRUE(m_doc.IsModified());
}

TEST_F(ProtocolViewTest, EnableLoggingWithoutAFolderAsksOnceMoreAndStaysClearOnCancel) {
    QCheckBox* enable = Find<QCheckBox>("enableLogging");
    enable->click();
    EXPECT_GE(m_nChooserCalls, 1);
    EXPECT_FALSE(enable->isChecked());
    EXPECT_FALSE(m_doc.IsLoggingEnabled());
    EXPECT_TRUE(Find<QLineEdit>("folder")->isEnabled());
    EXPECT_TRUE(Find<QPushButton>("Browse")->isEnabled());
}

// The box shows whether logging is switched on, whoever switched it: it stays set across a
// stop, and the folder can be changed only while it is clear.
TEST_F(ProtocolViewTest, TheLoggingBoxShowsTheSwitchAcrossStopsAndUnattendedStarts) {
    QTemporaryDir folder;
    m_chosen = folder.path().toStdString();
    Find<QPushButton>("Browse")->click();
    EXPECT_EQ(Find<QLineEdit>("folder")->text(), folder.path());

    QCheckBox* enable = Find<QCheckBox>("enableLogging");
    const auto expect = [&](bool checked, bool enabled, bool folderEditable) {
        EXPECT_EQ(enable->isChecked(), checked);
        EXPECT_EQ(enable->isEnabled(), enabled);
        EXPECT_EQ(Find<QLineEdit>("folder")->isEnabled(), folderEditable);
        EXPECT_EQ(Find<QPushButton>("Browse")->isEnabled(), folderEditable);
    };
    enable->click();
    EXPECT_TRUE(m_doc.IsLoggingEnabled());
    expect(true, true, false);
    m_doc.UpdateAllViews(nullptr, HINT_MEASUREMENT_STARTED);
    expect(true, false, false);
    m_doc.SuspendLogFiles();  // as a stop does
    m_doc.UpdateAllViews(nullptr, HINT_MEASUREMENT_STOPPED);
    expect(true, true, false);
    enable->click();  // switched off by the user
    expect(false, true, true);

    // Logging begun unattended (a start with a log folder) shows as switched on.
    ASSERT_EQ(m_doc.OpenLogFilesKeeping(*m_chosen), 0);
    expect(true, true, false);
    m_doc.CloseLogFiles();
    expect(false, true, true);
}

}  // namespace
}  // namespace tavik
