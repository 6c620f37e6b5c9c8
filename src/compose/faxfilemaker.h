// The rendering of the current outgoing fax record into one APF file
// (CreateFaxFile): its cover sheet and document are loaded from RTFCOVER
// and RTFDOC through the memo transfer into two rich texts, then rendered
// page by page and joined (FaxPageRenderer, pagerender.h). The main
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

    // Loads the current row's texts and renders them. Returns the joined
    // file's full name and sets pageCount; "" when both texts are empty
    // (after the message). Rendering errors are raised (pagerender.h).
    std::string CreateFaxFile(int &pageCount);

private:
    void load(const char *field, richtext::RichDocument &text);

    records::FaxTables &tables_;
    std::unique_ptr<FaxPageRenderer> renderer_;
};

}  // namespace qln::compose
