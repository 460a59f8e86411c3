#include "tests/app/RecordingFixture.h"

#include <fstream>
#include <iterator>

namespace tavik::test {

CKnownRecording::CKnownRecording() {
    CGeneratorOptions options;
    options.strOutputFolder = m_folder.Path();
    options.fSeconds = kSeconds;
    options.fToneFrequency = 1000.0;
    options.fToneDeviation = 50.0;
    CStationGenerator generator(options);
    m_summary = generator.Run();
}

const CKnownRecording& CKnownRecording::Get() {
    static const CKnownRecording recording;
    return recording;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tavik::test
