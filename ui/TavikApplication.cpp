#include "ui/TavikApplication.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "platform/GenericException.h"

namespace tavik {

namespace {

std::function<void(const std::string&)>& FailureSink() {
    static std::function<void(const std::string&)> sink;
    return sink;
}

}  // namespace

CTavikApplication::CTavikApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void CTavikApplication::SetFailureSink(std::function<void(const std::string&)> sink) {
    FailureSink() = std::move(sink);
}

std::string CTavikApplication::DescribeCurrentException() {
    try {
        throw;
    } catch (const CGenericException& e) {
        return FormatException(e);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "An unknown error occurred.";
    }
}

bool CTavikApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        const std::string text = DescribeCurrentException();
        if (FailureSink()) {
            FailureSink()(text);
        } else {
            std::fprintf(stderr, "%s\n", text.c_str());
        }
        return false;
    }
}

}  // namespace tavik
