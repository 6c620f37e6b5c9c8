// The configuration report: what a user sends with a bug report. Sections,
// in order: the program, the operating system and kernel, the processor,
// memory, the displays and their resolution, the locale and its formats,
// the printers, Quillon's settings that concern the modem, and the modem
// devices found, each with its replies to "ATI0", "ATI3" and "AT+FCLASS=?"
// where its port opens (or why it does not).
//
// Collecting reads /proc, Qt's screen, locale and printer lists, the
// program's settings and the named modem devices; probing the modems takes
// up to a few seconds per device. The report window (configreportwindow.h)
// and `qlnfax diagnostics` show the same text. User-interface thread.
#pragma once

#include "diagnostics/modemprobe.h"
#include "telephony/modemdevices.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qln {

struct Settings;

struct ReportSection {
    std::string title;
    // Label and value; a line without a value is a heading within the
    // section (a modem device's name, followed by its own lines).
    std::vector<std::pair<std::string, std::string>> lines;
};

struct ReportOptions {
    bool probeModems = true;
    // Said in the report when the modems are not probed (e.g. receive mode
    // holds the modem and must not be disturbed).
    std::string notProbedBecause;
    ModemProbeTiming timing;
    std::vector<std::string> commands = DefaultProbeCommands();
};

class ConfigurationReport {
public:
    // Told before each device is probed (name), so a window can say so.
    std::function<void(const std::string &device)> onProbe;

    void collect(const Settings &settings, const DeviceSources &sources, const ReportOptions &options = {});

    const std::vector<ReportSection> &sections() const { return sections_; }
    const ReportSection *section(const std::string &title) const;
    // The report as plain text: a title line, then each section with its
    // lines "label : value" indented, values aligned; headings stand alone.
    std::string text() const;

    // The section builders, usable on their own.
    static ReportSection programSection();
    static ReportSection systemSection();
    static ReportSection processorSection();
    static ReportSection memorySection();
    static ReportSection displaySection();
    static ReportSection localeSection();
    static ReportSection printerSection();
    static ReportSection settingsSection(const Settings &settings);
    ReportSection modemSection(const DeviceSources &sources, const ReportOptions &options);

private:
    std::vector<ReportSection> sections_;
};

inline constexpr const char *kReportTitle = "Quillon configuration report";

} // namespace qln
