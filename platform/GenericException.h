#pragma once

#include <string>

namespace tavik {

// Error IDs fixed by the exception classes.
enum : int {
    EXC_TAVIKCONTROL = 1,
    EXC_DOCUMENT = 2,
    EXC_MEMDC = 4,
    EXC_DISPLAY = 5,
    EXC_MPXPOWERTAVIK = 10,
    EXC_MULTIPATHTAVIK = 11,
    EXC_DEVIATIONTAVIK = 12,
    EXC_PMPXVIEW = 20,
};

// A failure travelling up the layers: error ID, sub-ID and the lines the layers appended.
// Thrown by value; a layer that adds a line throws a copy of the same class on.
class CGenericException {
public:
    CGenericException(std::string message, int errorId, int subId)
        : m_nSubId(subId), m_strMessage(std::move(message)), m_nErrorId(errorId) {}

    int GetSubId() const { return m_nSubId; }
    int GetErrorId() const { return m_nErrorId; }
    const std::string& GetMessage() const { return m_strMessage; }
    // Appends "Operation: what failed\n" style lines; the caller gives the whole line.
    void AppendMessage(const std::string& line) { m_strMessage += line; }

private:
    int m_nSubId;
    std::string m_strMessage;
    int m_nErrorId;
};

class CTavikControlException : public CGenericException {
public:
    CTavikControlException(std::string message, int subId)
        : CGenericException(std::move(message), EXC_TAVIKCONTROL, subId) {}
};

class CDocumentException : public CGenericException {
public:
    CDocumentException(std::string message, int subId)
        : CGenericException(std::move(message), EXC_DOCUMENT, subId) {}
};

class CMemDCException : public CGenericException {
public:
    CMemDCException(std::string message, int subId)
        : CGenericException(std::move(message), EXC_MEMDC, subId) {}
};

class CDisplayException : public CGenericException {
public:
    explicit CDisplayException(std::string message)
        : CGenericException(std::move(message), EXC_DISPLAY, 0) {}
};

class CMPXPowerTavikException : public CGenericException {
public:
    CMPXPowerTavikException(std::string message, int subId)
        : CGenericException(std::move(message), EXC_MPXPOWERTAVIK, subId) {}
};

class CMultipathTavikException : public CGenericException {
public:
    CMultipathTavikException(std::string message, int subId)
        : CGenericException(std::move(message), EXC_MULTIPATHTAVIK, subId) {}
};

class CDeviationTavikException : public CGenericException {
public:
    CDeviationTavikException(std::string message, int subId)
        : CGenericException(std::move(message), EXC_DEVIATIONTAVIK, subId) {}
};

class CPMPXViewException : public CGenericException {
public:
    explicit CPMPXViewException(std::string message)
        : CGenericException(std::move(message), EXC_PMPXVIEW, 0) {}
};

// The user's text for an error ID, sub-ID and accumulated message.
std::string GetErrorMessage(int errorId, int subId, const std::string& message);
std::string FormatException(CGenericException e);
// The same details headed by the cause, for a failure whose cause says more than the table's
// line can: the first line of the message without the operation that reported it
// ("StartADCTransfer: cannot read ..." is headed "cannot read ...").
std::string FormatExceptionCauseFirst(const CGenericException& e);

// Only inside a catch handler: the exception in flight as its error ID, sub-ID and message when
// it is of this family; any other becomes error `errorId`, sub-ID 0, with its what() text (or
// "unknown exception") and a line break. Thread bodies catch everything at their top with it,
// so that no exception ends the process.
CGenericException CurrentException(int errorId);

// printf into a std::string.
std::string StringFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tavik
