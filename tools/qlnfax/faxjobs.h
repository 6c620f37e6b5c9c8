// The two jobs behind `fax add`, `fax send`, `sendfax` and `printer job`:
// storing a new outgoing fax through the fax editor's own path
// (FaxComposer: New, then Accept), and rendering and sending a stored one
// as the send window does (FaxFileMaker, SendFaxJob, WriteSendOutcome).
// Both report failures on stderr after `who` ("qlnfax fax add: ...").
//
// User-interface thread only (the main thread of qlnfax).
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace qlnfaxjobs {

struct NewFax {
    std::string recipient = "Recipient";
    std::string phone = "FaxNumber";
    bool haveSubject = false;
    std::string subject;
    // At most one of the three cover sources.
    std::string coverFile;     // RTF file
    std::string templateName;  // description of a cover template
    std::string coverText;     // plain text in the default font
    // The document: an RTF or plain text file becomes the document text, a
    // PDF or TIFF file is attached as it is; "" for none.
    std::string documentFile;
};

// Stores the fax in the data directory's outgoing list (settings and
// tables are opened here). Returns the new record number, 0 on failure.
long addOutgoingFax(const NewFax &fax, const std::string &who);

// Renders the documents into one TIFF class F file `outTiff` (fine pages;
// an APF file's pages as they are), in order: RTF and text files as the
// document text is rendered, PDF and TIFF files as attached documents are,
// APF files page by page. Temporary page files are made in the data
// directory and removed. Returns the page count, 0 after a reported failure.
int renderDocumentsToTiff(const std::vector<std::string> &files, const std::string &outTiff,
                          const std::string &who);

struct SendRequest {
    long record = 0;
    std::string device;    // --device PATH|NAME; "" for the settings' modem
    int com = 0;           // --com N; 0 for none
    std::string faxClass;  // "1", "2", "2.0" or "" for the settings'
    // Called with each new status text of the sender.
    bool printStatus = true;
};

// Renders the record and makes one attempt with the modem of the settings
// (or the port given), writes "Lastsend.log" and the record's result.
// Returns 0 when sent, 1 when not sent, 2 for a request that cannot be
// carried out (no modem set up, no such record). lastResult gets the
// record's new last result.
int sendStoredFax(const SendRequest &request, const std::string &who, std::string *lastResult = nullptr);

// Whether a file name ends in one of the extensions (case ignored; each
// given without the dot).
bool hasExtension(const std::string &path, std::initializer_list<const char *> extensions);

} // namespace qlnfaxjobs
