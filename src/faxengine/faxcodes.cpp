#include "faxengine/faxcodes.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

#if defined(QLN_HAVE_COMMON)
#include "common/stringtable.h"
#endif

namespace qln::fax {

namespace {

struct CodeText {
    int code;
    const char *text;
};

constexpr CodeText kStatusTexts[] = {
    {4801, "Initializing modem for fax processing"},
    {4802, "Dialing"},
    {4803, "Busy, waiting until redial..."},
    {4804, "Sending page data"},
    {4805, "Sending EOP"},
    {4806, "Error sending page"},
    {4807, "Page accepted by remote"},
    {4808, "Connecting..."},
    {4820, "Waiting for incoming call"},
    {4821, "No connect on this call"},
    {4822, "Answering incoming call"},
    {4823, "Incoming call validated as fax"},
    {4824, "Getting page data"},
    {4825, "Getting end-of-page signal"},
    {4826, "Getting end-of-document status"},
    {4827, "Getting hangup command"},
    {4828, "Got Class 2 FHNG code"},
    {4830, "Switching modes"},
    {4831, "Monitoring for incoming faxes"},
    {4832, "Not monitoring for incoming faxes"},
    {4840, "Getting connection params"},
    {4841, "Got called-station ID"},
    {4842, "User abort"},
    {4843, "Finished"},
};

// Sorted by code for the binary search.
constexpr CodeText kErrorTexts[] = {
    {0, "OK"},
    {2, "File not found"},
    {3, "Path not found"},
    {4, "Too many open files"},
    {5, "File access denied"},
    {29, "Write fault"},
    {30, "Read fault"},
    {160, "Device write error"},
    {1005, "ComPort component not assigned"},
    {1009, "Component not compatible with WinSock"},
    {3006, "Output buffer too small for block"},
    {5001, "No more trigger slots"},
    {6005, "Cancel requested"},
    {6006, "Fatal time out"},
    {6010, "No filename specified in protocol receive"},
    {6011, "File was rejected"},
    {8001, "File is not an APF file"},
    {8052, "VOVAD.FNT not found, or resource bad"},
    {8060, "Fax incompatible with remote fax"},
    {8061, "Bad response from modem"},
    {8062, "Modems failed to train"},
    {8063, "Error while initializing modem"},
    {8064, "Called fax number was busy"},
    {8065, "Called fax number answered with voice"},
    {8066, "Incoming data call"},
    {8067, "No dial tone"},
    {8068, "Failed to connect to remote fax"},
    {8069, "Fax failed in mid-session"},
    {8070, "Fax failed at page end"},
    {8074, "Remote fax did not answer"},
};

const char *find(const CodeText *begin, const CodeText *end, int code)
{
    auto it = std::lower_bound(begin, end, code,
                               [](const CodeText &e, int c) { return e.code < c; });
    return (it != end && it->code == code) ? it->text : nullptr;
}

// The system's message with control characters blanked and blank runs
// reduced to one blank.
std::string systemText(int code)
{
    std::string raw = std::strerror(code);
    std::string out;
    for (char c : raw) {
        char d = (static_cast<unsigned char>(c) < 32) ? ' ' : c;
        if (d == ' ' && !out.empty() && out.back() == ' ')
            continue;
        out += d;
    }
    return out;
}

} // namespace

std::string faxStatusText(int code)
{
#if defined(QLN_HAVE_COMMON)
    // The program's string table is the one source of texts when it is built in.
    if (code >= 4801 && code <= 4843 && qln::hasLibraryText(code))
        return qln::libraryText(code);
#endif
    const char *t = find(std::begin(kStatusTexts), std::end(kStatusTexts), code);
    return t ? t : std::string();
}

std::string faxErrorText(int code)
{
    code = std::abs(code);
#if defined(QLN_HAVE_COMMON)
    if (qln::hasLibraryText(code))
        return qln::libraryText(code);
#endif
    if (const char *t = find(std::begin(kErrorTexts), std::end(kErrorTexts), code))
        return t;
    if (const char *t = find(std::begin(kStatusTexts), std::end(kStatusTexts), code))
        return t;
    return systemText(code);
}

} // namespace qln::fax
