#include "app/SetupCommand.h"

#include <utility>

#include <CLI/CLI.hpp>
#include <fstream>
#include <iostream>
#include <iterator>

#include "app/SetupJson.h"
#include "document/SetupFile.h"
#include "document/SetupRules.h"
#include "platform/File.h"

namespace tavik {

namespace {

// A notice as a "setup: " line, naming the file when one is given.
void Notice(std::ostream& err, const std::string& file, const std::string& text) {
    err << "setup: " << (file.empty() ? "" : "\"" + file + "\": ") << text
        << (text.ends_with('\n') ? "" : "\n");
}

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
    CProtocolHeader header;
    CAlarmMap alarms;
    if (std::string why; ReadSetupFile(setupFile, header, alarms, why) != ESetupRead::Read) {
        Notice(err, setupFile, "The file could not be read: " + why);
        return 1;
    }
    out << CJsonValues::Dump(CSetupJson::ToJson(header, alarms), 2) << "\n";
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
    // Refused as the application would refuse the file, else saved the way it saves.
    if (const std::string reason = setup_rules::CheckSetup(header, alarms); !reason.empty()) {
        err << "setup: " << json << ": " << reason << "\n";
        return 1;
    }
    if (const std::string cause = WriteSetupFile(setupFile, header, alarms); !cause.empty()) {
        Notice(err, {}, "The file could not be saved: " + cause);
        return 1;
    }
    return 0;
}

}  // namespace tavik
