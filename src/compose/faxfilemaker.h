// The rendering of the current outgoing fax record into one APF file
// (CreateFaxFile): its cover sheet and document are loaded from RTFCOVER
// and RTFDOC through the memo transfer into two rich texts, then rendered
// page by page and joined (FaxPageRenderer, pagerender.h). A document
// memo may instead hold an attached PDF or TIFF file, rendered after the
// cover sheet. The main
// window's Send, View and Print commands and `qlnfax fax send` all render
// through this object.
//
// User-interface thread only.
#pragma once

#include "richtext/richdocument.h"

#include <functional>
#include <memory>
#include <string>

namespace qln::records {
class FaxTables;
}

namespace qln::compose {

class FaxPageRenderer;

class FaxFileMaker {
public:
    // dataDir ends with '/'; the screen's pixels per inch set the zoom.
    FaxFileMaker(records::FaxTables &tables, std::string dataDir,
                 int screenPixelsPerInch = richtext::RichDocument::screenPixelsPerInch());
    ~FaxFileMaker();

    // The status panel text ("" clears it), the hourglass with the button
    // bar disabled (true) or back (false), and letting pending events run.
    std::function<void(const std::string &)> onStatus;
    std::function<void(bool busy)> onBusy;
    std::function<void()> processMessages;

    // The texts of the last fax rendered.
    richtext::RichDocument WPCover;
    richtext::RichDocument WPDoc;
    // A document memo holding an attached PDF or TIFF file is copied here
    // (in the data directory) for the rendering, and removed after it.
    static constexpr const char *kDocumentCopy = "_FAXDOC.";

    // Loads the current row's texts and renders them. Returns the joined
    // file's full name and sets pageCount; "" when both texts are empty
    // (after the message). Rendering errors are raised (pagerender.h).
    std::string CreateFaxFile(int &pageCount);

private:
    void load(const char *field, richtext::RichDocument &text, std::string *documentFile = nullptr);

    records::FaxTables &tables_;
    std::string dataDir_;
    std::unique_ptr<FaxPageRenderer> renderer_;
};

}  // namespace qln::compose
