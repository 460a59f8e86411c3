#include "tests/app/AppTestSupport.h"

#include <fstream>
#include <iterator>

#include "platform/Messages.h"

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

CMessage Result(std::uintptr_t code, std::shared_ptr<const void> payload) {
    return CMessage{WM_ANALYSER_RESULT, code, 0, std::move(payload)};
}

}  // namespace tavik::test
