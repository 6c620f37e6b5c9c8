#include "sessions/receivedfaxstore.h"

#include "faximage/apf.h"
#include "faximage/apfreader.h"
#include "records/faxtables.h"
#include "sessions/pagesfield.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <sys/stat.h>

namespace qln {

namespace {

constexpr std::size_t kNotesWidth = 60;

// NOTES of a row: the true page count first when PAGES cannot hold it.
std::string notesWithPages(const std::string &notes, int pages)
{
    const std::string count = pagesNote(pages);
    if (count.empty())
        return notes.substr(0, kNotesWidth);
    return (notes.empty() ? count : count + ". " + notes).substr(0, kNotesWidth);
}

}  // namespace

bool appendReceivedFax(records::FaxTables &tables, const records::ReceivedFax &row, std::string *error)
{
    records::TTable &t = tables.RecTable;
    try {
        if (!t.Active() && !tables.OpenRecFaxDBF())
            throw std::runtime_error("the table of received faxes cannot be opened");
        t.Append();
        t.SetDate("DATEREC", row.dateRec);
        t.SetString("TIMEREC", row.timeRec);
        t.SetString("FROM", row.from);
        t.SetNumber("PAGES", pagesFieldValue(row.pages));
        t.SetString("FAXFILE", row.faxFile);
        t.SetString("NOTES", notesWithPages(row.notes, row.pages));
        t.Post();
    } catch (const std::exception &e) {
        try {
            t.Cancel();
        } catch (const std::exception &) {
        }
        if (error)
            *error = e.what();
        return false;
    }
    tables.RecTableCloseAndOpen();
    return true;
}

bool listedReceivedFiles(records::FaxTables &tables, std::set<std::string> &names)
{
    records::TTable &t = tables.RecTable;
    try {
        if (!t.Active() && !tables.OpenRecFaxDBF())
            return false;
        const long back = t.RecNo();
        const long rows = t.RecordCount();
        for (long r = 1; r <= rows; ++r) {
            if (!t.GoTo(r))
                continue;
            std::string name = t.GetString("FAXFILE");
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return char(std::toupper(c)); });
            if (!name.empty())
                names.insert(name);
        }
        if (back > 0)
            t.GoTo(back);
    } catch (const std::exception &) {
        return false;
    }
    return true;
}

ReceivedFileFacts inspectReceivedFile(const std::string &path)
{
    ReceivedFileFacts facts;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return facts;
    facts.modified = st.st_mtime;
    fax::ApfReader reader;
    if (reader.open(path) != 0)
        return facts;
    const int pages = reader.pageCount();
    facts.stationId = reader.fileHeader().stationText();
    // Where the whole pages end: anything after that is a page the writer
    // had begun but not completed.
    uint64_t end = reader.fileHeader().firstPageOffset;
    int whole = 0;
    for (int n = 1; n <= pages; ++n) {
        fax::ApfPageHeader page;
        if (reader.seekPage(n, &page) != 0)
            break;
        const uint64_t pageEnd = reader.pageHeaderOffset() + fax::kApfPageHeaderSize + page.imageLength;
        if (pageEnd > uint64_t(st.st_size))
            break;
        end = pageEnd;
        whole = n;
    }
    facts.pages = whole;
    facts.partialPage = whole < pages || uint64_t(st.st_size) > end;
    return facts;
}

bool HeadlessStationHost::storeReceivedFax(const records::ReceivedFax &row)
{
    std::string error;
    if (appendReceivedFax(tables_, row, &error))
        return true;
    stationEvent("error: cannot store " + row.faxFile + ": " + error);
    return false;
}

bool HeadlessStationHost::listedFaxFiles(std::set<std::string> &names)
{
    return listedReceivedFiles(tables_, names);
}

void HeadlessStationHost::printReceivedFax(const std::string &path)
{
    if (onPrint)
        onPrint(path);
}

void HeadlessStationHost::stationEvent(const std::string &line)
{
    if (onEvent)
        onEvent(line);
}

} // namespace qln
