// Documents of an outgoing fax that are not rich text: a PDF or TIFF file
// attached as the fax's document. The record's document memo then holds the
// file's bytes instead of RTF; these helpers tell such content apart by its
// first bytes ("%PDF-", "II*\0", "MM\0*") and copy it between the memo
// transfer file and a file of its own.
//
// Plain functions; any thread.
#pragma once

#include <string>

#include "faximage/converter.h"

namespace qln::fax {

// idPdf or idTiff for a file whose content is a PDF or TIFF document,
// idNone for anything else (also a missing file).
TFaxInputDocumentType faxDocumentFileType(const std::string &path);

// The extension a copy of such a file takes: "pdf", "tif" or "".
std::string faxDocumentExtension(TFaxInputDocumentType type);

// Copies `from` to `to` (temporary name and rename). 0 or a negative code.
int copyFaxDocumentFile(const std::string &from, const std::string &to);

} // namespace qln::fax
