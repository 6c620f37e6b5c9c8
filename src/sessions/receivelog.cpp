#include "sessions/receivelog.h"

#include "common/atomicfile.h"
#include "common/localeformats.h"

#include <QDateTime>

namespace qln {

bool ReceiveLog::add(const std::string &line)
{
    if (!lines_.empty() && lines_.back() == line)
        return false;
    lines_.push_back(line);
    return true;
}

bool ReceiveLog::save(const std::string &path, std::string *error)
{
    add("Finish: " + now());
    std::string data;
    for (const std::string &l : lines_)
        data += l + "\r\n";
    return writeFileAtomically(path, data, error);
}

std::string ReceiveLog::dateTimeNow()
{
    const LocaleFormats &f = localeFormats();
    return formatDateTime(f.longDateFormat + " " + f.longTimeFormat, QDateTime::currentDateTime());
}

} // namespace qln
