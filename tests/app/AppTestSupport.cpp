#include "tests/app/AppTestSupport.h"

namespace tavik::test {

CKnownRecording::CKnownRecording() {
    CGeneratorOptions options;
    options.strOutputFolder = m_folder.Path();
    options.fSeconds = kSeconds;
    options.fToneFrequency = 1000.0;
    options.fToneDeviation = 50.0;
    options.fLevelNoise = 0.0;
    CStationGenerator generator(options);
    m_summary = generator.Run();
}

const CKnownRecording& CKnownRecording::Get() {
    static const CKnownRecording recording;
    return recording;
}

}  // namespace tavik::test
