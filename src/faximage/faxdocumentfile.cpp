#include "faximage/faxdocumentfile.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "faximage/apferrors.h"
#include "faximage/outputfile.h"

namespace qln::fax {

TFaxInputDocumentType faxDocumentFileType(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    char head[5] = {};
    if (!in.read(head, sizeof head))
        return idNone;
    if (std::memcmp(head, "%PDF-", 5) == 0)
        return idPdf;
    if (std::memcmp(head, "II*\0", 4) == 0 || std::memcmp(head, "MM\0*", 4) == 0)
        return idTiff;
    return idNone;
}

std::string faxDocumentExtension(TFaxInputDocumentType type)
{
    switch (type) {
    case idPdf: return "pdf";
    case idTiff: return "tif";
    default: return "";
    }
}

int copyFaxDocumentFile(const std::string &from, const std::string &to)
{
    std::ifstream in(from, std::ios::binary);
    if (!in)
        return ecFileNotFound;
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return ecDeviceRead;
    return writeFileAtomically(to, bytes);
}

} // namespace qln::fax
