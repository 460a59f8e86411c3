#pragma once

namespace tavik {

// Receives every MPX block that the document distributes, on the ADC distribution thread. The
// samples are the block's buffer: a tap copies what it keeps before it returns.
class CMpxTap {
public:
    virtual ~CMpxTap() = default;
    virtual void OnMpxBlock(const float* samples, int count) = 0;
};

}  // namespace tavik
