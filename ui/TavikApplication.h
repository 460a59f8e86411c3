#pragma once

#include <functional>
#include <string>

#include <QApplication>

namespace tavik {

// The window's QApplication. An exception that a slot or an event handler lets out is caught
// here, at the event boundary, and its text handed to the failure sink (a warning box that
// does not block): the event loop, and with it the main timer and the logging, goes on
// instead of the program ending with the unwritten minute of records.
class CTavikApplication final : public QApplication {
    Q_OBJECT

public:
    CTavikApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Where the text of a caught failure goes; without a sink, to stderr. User-interface thread.
    static void SetFailureSink(std::function<void(const std::string&)> sink);
    // The user's text for the exception in flight (the error table's text for our own).
    static std::string DescribeCurrentException();
};

}  // namespace tavik
