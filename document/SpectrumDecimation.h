#pragma once

namespace tavik {

// Which blocks of a run the spectrum analyser gets: one in five, the first being the fourth
// (blocks 4, 9, 14, ...). A new run, including a resume, starts counting afresh.
class CSpectrumDecimation {
public:
    // Counts one distributed block; true when it goes to the spectrum analyser.
    bool Next() {
        const bool due = m_nCounter == 5;
        if (due) {
            m_nCounter = 0;
        }
        ++m_nCounter;
        return due;
    }

private:
    int m_nCounter = 2;
};

}  // namespace tavik
