#include "app/GuiOptions.h"

namespace tavik {

namespace {

bool IsDocumentFile(const std::string& arg) {
    constexpr std::string_view kExtension = ".tvk";
    return arg.size() > kExtension.size() && arg.front() != '-' &&
           arg.compare(arg.size() - kExtension.size(), kExtension.size(), kExtension) == 0;
}

}  // namespace

std::optional<SGuiCommandLine> ParseGuiCommandLine(const std::vector<std::string>& args) {
    SGuiCommandLine line;
    auto it = args.begin();
    if (it != args.end() && *it == "--start") {
        line.bStart = true;
        ++it;
    }
    if (it != args.end() && IsDocumentFile(*it)) {
        line.strDocument = *it++;
    }
    if (it != args.end()) {
        return std::nullopt;
    }
    return line;
}

}  // namespace tavik
