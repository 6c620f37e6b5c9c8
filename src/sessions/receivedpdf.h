// Received faxes also kept as PDF files, for users who file their faxes
// with their documents: each fax stored by receive mode is written, besides
// its APF file in the receive directory, as a PDF (the fax exporter,
// faximage/faxexport.h) into a directory of the user's choice, named after
// the date, time and sender: "2026-12-10 14-05 from +1 555 0100.pdf".
//
// Plain functions; user-interface thread (the exporter's rule).
#pragma once

#include <QDateTime>

#include <string>

namespace qln {

// The file name for a fax received at `when` from `sender` (the remote
// station identifier): the sender without path separators ('/', '\'),
// control characters or leading dots, blanks folded and ends trimmed, cut
// to 40 characters; "unknown sender" when nothing is left.
std::string receivedPdfName(const QDateTime &when, const std::string &sender);

// Writes the APF file as a PDF into `dir` (created when missing) under
// receivedPdfName(); a name already taken gets " (2)", " (3)", ... before
// ".pdf". Returns the PDF's path, "" with `error` set on failure.
std::string writeReceivedPdf(const std::string &apfFile, const std::string &dir, const QDateTime &when,
                             const std::string &sender, std::string &error);

} // namespace qln
