#include "app/SetupCommand.h"

#include <utility>

#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <iterator>

#include "app/SetupJson.h"
#include "document/SetupFile.h"
#include "document/TAVIKSDIDoc.h"
#include "platform/File.h"

namespace tavik {

namespace {

// The document's boxes and notices as "setup: " lines, naming the file when one is given;
// questions are answered No.
class CSetupPrompt final : public CPrompt {
public:
    explicit CSetupPrompt(std::ostream& err, std::string file = {})
        : m_err(err), m_strFile(std::move(file)) {}
    int MessageBox(const std::string& text, unsigned style) override {
        Notice(text);
        return (style & 0x0F) == MB_YESNO ? IDNO : IDOK;
    }
    void Notice(const std::string& text) override {
        m_err << "setup: " << (m_strFile.empty() ? "" : "\"" + m_strFile + "\": ") << text
              << (text.ends_with('\n') ? "" : "\n");
    }

private:
    std::ostream& m_err;
    std::string m_strFile;
};

}  // namespace

CSetupCommand::CSetupCommand(CLI::App& parent)
    : m_pCommand(parent.add_subcommand("setup", "show or write a setup (.tvk) as JSON")) {
    m_pCommand->require_subcommand(1);
    m_pShow = m_pCommand->add_subcommand("show", "print the setup of FILE.tvk as JSON");
    m_pShow->footer("Prints header, receiver, analysis settings and every alarm.");
    m_pShow->add_option("FILE.tvk", m_strSetupFile, "the document file")->required()->type_name("");
    m_pWrite = m_pCommand->add_subcommand("write", "check SETUP.json and save it as FILE.tvk");
    m_pWrite->footer(
        "Checks SETUP.json (as \"setup show\" prints it) with the rules of the alarm form and\n"
        "the parameter page and saves it as FILE.tvk, replacing the file whole or not at all.");
    m_pWrite->add_option("FILE.tvk", m_strSetupFile, "the document file to write")
        ->required()
        ->type_name("");
    m_pWrite->add_option("SETUP.json", m_strJsonFile, "the setup; - reads standard input")
        ->required()
        ->type_name("");
}

int CSetupCommand::Run(std::ostream& out, std::ostream& err) const {
    if (m_pShow->parsed()) {
        return Show(m_strSetupFile, out, err);
    }
    return Write(m_strSetupFile, m_strJsonFile, err);
}

int CSetupCommand::Show(const std::string& setupFile, std::ostream& out, std::ostream& err) {
    CSetupPrompt prompt(err, setupFile);
    CTAVIKSDIDoc doc;
    doc.SetPrompt(&prompt);
    if (!doc.OnOpenDocument(setupFile)) {
        return 1;  // the document said why
    }
    out << CJsonValues::Dump(CSetupJson::ToJson(doc.GetProtocolHeaderRef(), doc.GetAlarms()), 2)
        << "\n";
    return 0;
}

int CSetupCommand::Write(const std::string& setupFile, const std::string& json, std::ostream& err) {
    CProtocolHeader header;
    CAlarmMap alarms;
    try {
        CJson parsed;
        if (json == "-") {
            parsed = CSetupJson::Parse(std::cin);
        } else {
            if (const int cause = CheckRegularFile(json); cause != 0) {
                err << "setup: cannot read \"" << json << "\" (" << CauseText(cause) << ")\n";
                return 1;
            }
            std::ifstream in(json, std::ios::binary);
            if (!in) {
                err << "setup: cannot read \"" << json << "\"\n";
                return 1;
            }
            parsed = CSetupJson::Parse(in);
        }
        CSetupJson::FromJson(parsed, header, alarms);
    } catch (const CSetupError& e) {
        err << "setup: " << json << ": " << e.what() << "\n";
        return 1;
    }
    // The document takes the setup as its file would give it, then saves it the way the
    // application does.
    CArchive stored;
    StoreSetup(stored, header, alarms);
    CSetupPrompt prompt(err);
    CTAVIKSDIDoc doc;
    doc.SetPrompt(&prompt);
    CArchive loading(stored.GetBuffer().data(), stored.GetBuffer().size());
    doc.Serialize(loading);
    return doc.OnSaveDocument(setupFile) ? 0 : 1;
}

}  // namespace tavik
