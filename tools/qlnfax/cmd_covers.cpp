// qlnfax covers add|list: adds a cover sheet template from an RTF file
// through the template browser's own store (as its New and Accept do), or
// lists the templates' descriptions in order, one a line. A template's merge
// fields stay fields; they are filled in when a fax uses the template.
#include "commands.h"

#include <cstdio>
#include <stdexcept>

#include <QFileInfo>

#include "common/datadir.h"
#include "compose/coverlibrary.h"
#include "records/faxtables.h"

namespace {

using namespace qln::compose;

constexpr const char *kUsage =
    "usage: qlnfax covers add --description TEXT FILE.rtf [--data-dir DIR]\n"
    "       qlnfax covers list [--data-dir DIR]";

int runCovers(const QlnArgs &argsIn)
{
    QlnArgs args = argsIn;
    std::string dir, description;
    if (qlnargs::takeOption(args, "--data-dir", dir))
        qln::setDataDirectoryOverride(dir);
    const bool haveDescription = qlnargs::takeOption(args, "--description", description);
    const bool add = !args.empty() && args[0] == "add";
    if (args.empty() || (add && (args.size() != 2 || !haveDescription)) ||
        (!add && (args[0] != "list" || args.size() != 1)))
        throw std::runtime_error(kUsage);

    qln::records::FaxTables tables(qln::dataDirectory());
    if (!tables.OpenCoverDBF()) {
        std::fprintf(stderr, "%s\n", texts::kCoverTableFailed);
        return 1;
    }
    CoverLibrary library(tables);
    if (add) {
        qln::richtext::RichDocument text;
        const QString path = QString::fromStdString(args[1]);
        if (!QFileInfo(path).isFile() || !text.loadFromFile(path)) {
            std::fprintf(stderr, "qlnfax covers add: cannot read \"%s\"\n", args[1].c_str());
            return 1;
        }
        const long recno = library.addTemplate(description, text);
        if (recno == 0)
            return 1;
        std::printf("%ld\n", recno);
        return 0;
    }
    for (const auto &c : library.entries())
        std::printf("%s\n", printableText(c.descript).c_str());
    return 0;
}

const QlnCommand reg{"covers", "covers add --description TEXT FILE.rtf | list [--data-dir DIR]",
                     "add a cover sheet template or list the templates", runCovers};

}  // namespace
