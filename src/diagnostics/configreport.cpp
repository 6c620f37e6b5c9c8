#include "diagnostics/configreport.h"

#include "common/datadir.h"
#include "common/settings.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QLocale>
#include <QPrinterInfo>
#include <QScreen>
#include <QSysInfo>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include <grp.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace qln {

namespace {

std::string s(const QString &q) { return q.toStdString(); }

std::string envOr(const char *name, const std::string &fallback)
{
    const char *v = std::getenv(name);
    return v && *v ? std::string(v) : fallback;
}

// "MemTotal:  16314424 kB" -> "15.6 GiB"
std::string kibToText(long long kib)
{
    std::ostringstream out;
    out.setf(std::ios::fixed);
    out.precision(1);
    if (kib >= 1024LL * 1024)
        out << double(kib) / (1024.0 * 1024.0) << " GiB";
    else
        out << double(kib) / 1024.0 << " MiB";
    return out.str();
}

std::string kindText(ModemDevice::Kind kind)
{
    switch (kind) {
    case ModemDevice::Kind::SerialById:
        return "serial device";
    case ModemDevice::Kind::ComPort:
        return "port of [Ports]";
    case ModemDevice::Kind::LineModem:
        return "modem of a virtual fax line";
    case ModemDevice::Kind::VirtualModem:
        return "virtual modem";
    }
    return {};
}

// Whether the user is in the group that owns serial devices on Debian.
std::string dialoutMembership()
{
    const group *g = ::getgrnam("dialout");
    if (!g)
        return "no dialout group on this system";
    if (::getegid() == g->gr_gid)
        return "yes";
    const int n = ::getgroups(0, nullptr);
    std::vector<gid_t> groups(size_t(std::max(n, 0)));
    if (n > 0 && ::getgroups(n, groups.data()) == n &&
        std::find(groups.begin(), groups.end(), g->gr_gid) != groups.end())
        return "yes";
    return "no (serial modems need it: sudo adduser $USER dialout, then log in again)";
}

} // namespace

const ReportSection *ConfigurationReport::section(const std::string &title) const
{
    for (const ReportSection &sec : sections_)
        if (sec.title == title)
            return &sec;
    return nullptr;
}

ReportSection ConfigurationReport::programSection()
{
    ReportSection sec{"Program", {}};
    sec.lines.push_back({"Version", kVersionText});
    sec.lines.push_back({"Qt", std::string("run-time ") + qVersion() + ", built with " QT_VERSION_STR});
    sec.lines.push_back({"Build", s(QSysInfo::buildAbi())});
    sec.lines.push_back({"Created", s(QDateTime::currentDateTime().toString(Qt::ISODate))});
    return sec;
}

ReportSection ConfigurationReport::systemSection()
{
    ReportSection sec{"Operating system", {}};
    sec.lines.push_back({"Distribution", s(QSysInfo::prettyProductName())});
    utsname u{};
    if (::uname(&u) == 0) {
        sec.lines.push_back({"Kernel", std::string(u.sysname) + " " + u.release});
        sec.lines.push_back({"Kernel build", u.version});
        sec.lines.push_back({"Architecture", u.machine});
    } else {
        sec.lines.push_back({"Kernel", s(QSysInfo::kernelType()) + " " + s(QSysInfo::kernelVersion())});
    }
    sec.lines.push_back({"Desktop", envOr("XDG_CURRENT_DESKTOP", "unknown")});
    sec.lines.push_back({"Session", envOr("XDG_SESSION_TYPE", "unknown")});
    return sec;
}

ReportSection ConfigurationReport::processorSection()
{
    ReportSection sec{"Processor", {}};
    std::ifstream in("/proc/cpuinfo");
    std::string line, model;
    int count = 0;
    while (std::getline(in, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string key = line.substr(0, colon);
        key.erase(key.find_last_not_of(" \t") + 1);
        if (key == "processor")
            ++count;
        else if (key == "model name" && model.empty())
            model = line.substr(std::min(colon + 2, line.size()));
    }
    sec.lines.push_back({"Model", model.empty() ? s(QSysInfo::currentCpuArchitecture()) : model});
    const unsigned threads = std::thread::hardware_concurrency();
    sec.lines.push_back({"Logical processors", std::to_string(count > 0 ? unsigned(count) : threads)});
    return sec;
}

ReportSection ConfigurationReport::memorySection()
{
    ReportSection sec{"Memory", {}};
    std::ifstream in("/proc/meminfo");
    std::string key;
    long long value = 0;
    std::string unit;
    const std::vector<std::pair<std::string, std::string>> wanted = {
        {"MemTotal:", "Total"}, {"MemAvailable:", "Available"}, {"SwapTotal:", "Swap"}};
    std::map<std::string, long long> found;
    while (in >> key >> value) {
        std::getline(in, unit);
        found[key] = value;
    }
    for (const auto &[k, label] : wanted)
        sec.lines.push_back({label, found.count(k) ? kibToText(found[k]) : "unknown"});
    return sec;
}

ReportSection ConfigurationReport::displaySection()
{
    ReportSection sec{"Display", {}};
    auto *gui = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!gui) {
        sec.lines.push_back({"Display", "none (no graphical session)"});
        return sec;
    }
    sec.lines.push_back({"Platform", s(QGuiApplication::platformName())});
    sec.lines.push_back({"DISPLAY", envOr("DISPLAY", "not set")});
    sec.lines.push_back({"WAYLAND_DISPLAY", envOr("WAYLAND_DISPLAY", "not set")});
    const auto screens = QGuiApplication::screens();
    if (screens.isEmpty())
        sec.lines.push_back({"Screens", "none"});
    int n = 0;
    for (QScreen *screen : screens) {
        ++n;
        const QSize size = screen->size();
        const qreal ratio = screen->devicePixelRatio();
        std::ostringstream v;
        v << size.width() << " x " << size.height() << " pixels";
        if (ratio != 1.0)
            v << " (scale " << ratio << ")";
        v << ", " << screen->depth() << " bits, " << qRound(screen->logicalDotsPerInch()) << " dpi";
        if (screen == QGuiApplication::primaryScreen())
            v << ", primary";
        sec.lines.push_back({"Screen " + std::to_string(n) + " " + s(screen->name()), v.str()});
    }
    return sec;
}

ReportSection ConfigurationReport::localeSection()
{
    ReportSection sec{"Locale", {}};
    const QLocale loc = QLocale::system();
    const QDate sample(2026, 12, 31);
    const QTime sampleTime(14, 5, 9);
    sec.lines.push_back({"Locale", s(loc.name()) + " (" + s(QLocale::languageToString(loc.language())) + ", " +
                                       s(QLocale::territoryToString(loc.territory())) + ")"});
    sec.lines.push_back({"LANG", envOr("LANG", "not set")});
    sec.lines.push_back({"LC_ALL", envOr("LC_ALL", "not set")});
    sec.lines.push_back({"Short date", s(loc.dateFormat(QLocale::ShortFormat)) + " (" +
                                           s(loc.toString(sample, QLocale::ShortFormat)) + ")"});
    sec.lines.push_back({"Long date", s(loc.toString(sample, QLocale::LongFormat))});
    sec.lines.push_back({"Time", s(loc.timeFormat(QLocale::ShortFormat)) + " (" +
                                     s(loc.toString(sampleTime, QLocale::ShortFormat)) + ")"});
    sec.lines.push_back({"Numbers", s(loc.toString(1234567.89, 'f', 2))});
    const std::string symbol = s(loc.currencySymbol());
    sec.lines.push_back({"Currency", (symbol.empty() ? "none" : symbol) + " (" + s(loc.toCurrencyString(12.5)) + ")"});
    sec.lines.push_back({"Measurement", loc.measurementSystem() == QLocale::MetricSystem ? "metric" : "imperial"});
    sec.lines.push_back({"Time zone", s(QString::fromUtf8(QDateTime::currentDateTime().timeZoneAbbreviation().toUtf8()))});
    return sec;
}

ReportSection ConfigurationReport::printerSection()
{
    ReportSection sec{"Printers", {}};
    const auto printers = QPrinterInfo::availablePrinters();
    const QString def = QPrinterInfo::defaultPrinterName();
    if (printers.isEmpty()) {
        sec.lines.push_back({"Printers", "none found (printing needs CUPS and a printer set up in it)"});
        return sec;
    }
    for (const QPrinterInfo &p : printers) {
        std::string v = s(p.makeAndModel());
        if (v.empty())
            v = "unknown model";
        if (p.printerName() == def)
            v += ", default";
        if (p.state() == QPrinter::Error)
            v += ", in error";
        sec.lines.push_back({s(p.printerName()), v});
    }
    return sec;
}

ReportSection ConfigurationReport::settingsSection(const Settings &st)
{
    ReportSection sec{"Modem settings", {}};
    sec.lines.push_back({"Data directory", dataDirectory()});
    sec.lines.push_back({"Settings file", settingsPath()});
    std::string chosen;
    if (st.useTAPI)
        chosen = "modem device \"" + st.tapiDevice + "\"";
    else if (st.noModem || st.comPort <= 0)
        chosen = "none chosen";
    else
        chosen = "COM" + std::to_string(st.comPort) + " (" + st.portDevice(st.comPort) + ")";
    sec.lines.push_back({"Modem in use", chosen});
    static const std::set<std::string> sections = {"Modem", "Resetting", "Dialing"};
    static const std::set<std::string> receiveKeys = {"AnswerOnRing", "ECMReceive", "AtStartup"};
    for (const Settings::Entry &e : st.entries()) {
        const std::string section = e.section;
        if (sections.count(section) || (section == "Receive" && receiveKeys.count(e.key)))
            sec.lines.push_back({"[" + section + "] " + e.key, e.value.empty() ? "(empty)" : e.value});
    }
    for (const auto &[n, device] : st.portDevices)
        sec.lines.push_back({"[Ports] COM" + std::to_string(n), device});
    return sec;
}

ReportSection ConfigurationReport::modemSection(const DeviceSources &sources, const ReportOptions &options)
{
    ReportSection sec{"Modems", {}};
    sec.lines.push_back({"Member of dialout", dialoutMembership()});
    sec.lines.push_back({"Serial devices by id", sources.byIdDir});
    if (!options.probeModems && !options.notProbedBecause.empty())
        sec.lines.push_back({"Modem replies", "not asked: " + options.notProbedBecause});
    const std::vector<ModemDevice> devices = ListModemDevices(sources);
    if (devices.empty())
        sec.lines.push_back({"Devices", "none found (plug in the modem and look in " + sources.byIdDir + ")"});
    for (const ModemDevice &d : devices) {
        sec.lines.push_back({d.name, {}});
        sec.lines.push_back({"  device", d.path + " (" + kindText(d.kind) + ")"});
        if (d.kind == ModemDevice::Kind::VirtualModem) {
            // Probing would start a line; its modems are listed when it runs.
            sec.lines.push_back({"  state", VirtualLineRunning(sources.virtualLineDir)
                                                ? "line running in " + sources.virtualLineDir
                                                : "starts when a window uses it"});
            continue;
        }
        if (!options.probeModems)
            continue;
        if (onProbe)
            onProbe(d.name);
        const ModemProbeResult r = ProbeModem(d.path, options.commands, options.timing);
        if (!r.opened) {
            sec.lines.push_back({"  port", "does not open: " + r.error});
            continue;
        }
        for (const ModemReply &reply : r.replies) {
            std::string v = reply.reply;
            if (reply.result.empty())
                v += v.empty() ? "no reply" : " (no result code)";
            else
                v += v.empty() ? reply.result : " (" + reply.result + ")";
            sec.lines.push_back({"  " + reply.command, v});
        }
    }
    return sec;
}

void ConfigurationReport::collect(const Settings &settings, const DeviceSources &sources,
                                  const ReportOptions &options)
{
    sections_.clear();
    sections_.push_back(programSection());
    sections_.push_back(systemSection());
    sections_.push_back(processorSection());
    sections_.push_back(memorySection());
    sections_.push_back(displaySection());
    sections_.push_back(localeSection());
    sections_.push_back(printerSection());
    sections_.push_back(settingsSection(settings));
    sections_.push_back(modemSection(sources, options));
}

std::string ConfigurationReport::text() const
{
    std::string out = std::string(kReportTitle) + "\n";
    for (const ReportSection &sec : sections_) {
        size_t width = 0;
        for (const auto &line : sec.lines)
            if (!line.second.empty())
                width = std::max(width, line.first.size());
        out += "\n" + sec.title + "\n";
        for (const auto &[label, value] : sec.lines) {
            if (value.empty())  // a heading within the section (a device's name)
                out += "  " + label + "\n";
            else
                out += "  " + label + std::string(width - std::min(width, label.size()), ' ') + " : " + value + "\n";
        }
    }
    return out;
}

} // namespace qln
