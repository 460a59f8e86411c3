#include "platform/GenericException.h"

#include <cstdarg>
#include <cstdio>
#include <exception>

namespace tavik {

std::string StringFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
    if (n > 0) {
        std::vsnprintf(out.data(), out.size() + 1, format, args);
    }
    va_end(args);
    return out;
}

namespace {

// The common tail of the table's detailed texts.
std::string WithDetails(const std::string& head, int errorId, int subId,
                        const std::string& message) {
    return head + StringFormat("\n\nError ID: %4i\tError subID: %4i\n\nError messages:\n%s",
                               errorId, subId, message.c_str());
}

const char* const kResetText =
    "There was an error while resetting the program after the measurement was stopped. It is "
    "recommended to restart the program.";

}  // namespace

std::string GetErrorMessage(int errorId, int subId, const std::string& message) {
    switch (errorId) {
        case EXC_TAVIKCONTROL:
            if (subId == 0) {
                return WithDetails("Device cannot be accessed -> check cable and power!", errorId,
                                   subId, message);
            }
            return StringFormat("EXC_TAVIKCONTROL: subID(%i) not defined!", subId);
        case EXC_DOCUMENT:
            if (subId == 0) {
                return WithDetails("Memory or thread error!", errorId, subId, message);
            }
            return StringFormat("EXC_DOCUMENT: subID(%i) not defined!", subId);
        case EXC_MEMDC:
            if (subId == 1) {
                return "CMemDCException: There was a null pointer exception in the constructor "
                       "of CMemDC.\n" +
                       message;
            }
            return StringFormat("EXC_MEMDC: subID(%i) not defined!", subId);
        case EXC_MPXPOWERTAVIK:
            if (subId == 0) {
                return WithDetails(kResetText, errorId, subId, message);
            }
            return StringFormat("EXC_MPXPOWERTAVIK: subID(%i) not defined!", subId);
        case EXC_MULTIPATHTAVIK:
            if (subId == 0 || subId == 1) {
                return message;
            }
            return StringFormat("EXC_MULTIPATHTAVIK: subID(%i) not defined!", subId);
        case EXC_DEVIATIONTAVIK:
            if (subId == 0) {
                return WithDetails(kResetText, errorId, subId, message);
            }
            return StringFormat("EXC_DEVIATIONTAVIK: subID(%i) not defined!", subId);
        default:
            return StringFormat("ID(%i) not defined!", errorId);
    }
}

CGenericException CurrentException(int errorId) {
    try {
        throw;
    } catch (const CGenericException& e) {
        return e;
    } catch (const std::exception& e) {
        return CGenericException(std::string(e.what()) + "\n", errorId, 0);
    } catch (...) {
        return CGenericException("unknown exception\n", errorId, 0);
    }
}

std::string FormatException(CGenericException e) {
    return GetErrorMessage(e.GetErrorId(), e.GetSubId(), e.GetMessage());
}

std::string FormatExceptionCauseFirst(const CGenericException& e) {
    const std::string& message = e.GetMessage();
    std::string cause = message.substr(0, message.find('\n'));
    // An operation's name is one word before the first ": ".
    if (const std::size_t colon = cause.find(": ");
        colon != std::string::npos && cause.find_first_of(" :") == colon) {
        cause.erase(0, colon + 2);
    }
    return WithDetails(cause, e.GetErrorId(), e.GetSubId(), message);
}

}  // namespace tavik
