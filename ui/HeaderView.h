#pragma once

#include <array>
#include <string>

#include <QString>
#include <QTimer>
#include <QWidget>

#include "platform/Document.h"
#include "ui/ViewAttachment.h"

class QLabel;

namespace tavik {

class CTAVIKSDIDoc;

// The protocol header strip across the top of the main window: carrier frequency, station name
// (PS), operator, organisation, start time and duration, what the measurement does (running,
// paused, stopped) and whether results are logged, and an activity indicator that plays every
// fifth second of a running measurement. Its fields change only through hints; a double click
// on the frequency shows the parameter page. User-interface thread.
class CHeaderView final : public QWidget, public CView {
    Q_OBJECT

public:
    static constexpr int kAnimationFrames = 44;  // frames 0 to 43, played once
    static constexpr int kFrameMs = 30;
    static constexpr int kPSLength = 8;
    static constexpr int kNameLength = 21;
    static constexpr int kNameCut = 18;

    CHeaderView(CTAVIKSDIDoc& doc, QWidget* parent);
    ~CHeaderView() override;

    void OnUpdate(CView* sender, long hint, void* object) override;

    // "%#7.3f MHz"; the PS cut to 8 characters and "..."; a name cut to 18 and "..." when
    // longer than 21.
    static QString FormatFrequency(float megahertz);
    static QString FitPS(const std::string& ps);
    static QString FitName(const std::string& name);
    // "%D Day(s); %H:%M:%S" of an elapsed time in seconds.
    static QString FormatDuration(long long seconds);

    // How often the indicator was started, and whether it is playing.
    int GetAnimationPlays() const { return m_nPlays; }
    bool IsAnimating() const { return m_frameTimer.isActive(); }

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Three columns of two label/value rows, sized from the font.
    void LayOut();
    void SetToolTips();
    void ShowNames();
    void ShowFrequency();
    // The state and logging fields, from the document.
    void ShowStatus();
    void OnRunStarted();
    void PlayAnimation();
    void OnFrame();

    CTAVIKSDIDoc& m_doc;
    CViewAttachment m_attachment;
    QLabel* m_pFrequency = nullptr;
    QLabel* m_pPS = nullptr;
    QLabel* m_pOperator = nullptr;
    QLabel* m_pStarted = nullptr;
    QLabel* m_pOrganisation = nullptr;
    QLabel* m_pDuration = nullptr;
    QLabel* m_pState = nullptr;
    QLabel* m_pLogging = nullptr;
    // A run has started and not been stopped: a start now is the resume of a pause, which
    // keeps the run's start time.
    bool m_bRunOpen = false;
    QTimer m_frameTimer;
    int m_nFrame = 0;
    int m_nPlays = 0;
    std::array<int, 3> m_columnLefts{};
    std::array<int, 3> m_labelWidths{};
};

}  // namespace tavik
