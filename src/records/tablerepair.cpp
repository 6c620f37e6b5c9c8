#include "records/tablerepair.h"

#include "records/dbffile.h"
#include "records/posixfile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace qln::records {

namespace {

constexpr uint64_t kCountOffset = 4;
constexpr uint64_t kGenerationOffset = 20;

std::string baseName(const std::string &path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Copies a file into dir under its own name, synced; a missing file is
// skipped. An existing copy is never overwritten.
Status copyInto(const std::string &path, const std::string &dir)
{
    if (!fileExists(path))
        return Status::ok();
    File in;
    if (Status s = in.open(path, false); !s.isOk())
        return s;
    uint64_t size = 0;
    if (Status s = in.size(size); !s.isOk())
        return s;
    const std::string target = dir + "/" + baseName(path);
    if (fileExists(target))
        return Status::invalid("backup " + target + " exists already");
    File out;
    if (Status s = out.create(target); !s.isOk())
        return s;
    std::string buf(1 << 20, '\0');
    for (uint64_t off = 0; off < size;) {
        const size_t n = size_t(std::min<uint64_t>(buf.size(), size - off));
        if (Status s = in.readAt(off, buf.data(), n); !s.isOk())
            return s;
        if (Status s = out.writeAt(off, buf.data(), n); !s.isOk())
            return s;
        off += n;
    }
    return out.sync();
}

} // namespace

Status checkTable(const std::string &dbfPath, TableCheck &out)
{
    out = TableCheck{};
    if (!fileExists(dbfPath))
        return Status::ok();
    out.exists = true;
    DbfFile dbf;
    if (Status s = dbf.open(dbfPath, false, false); !s.isOk())
        return s;
    out.headerRows = dbf.headerRecCount();
    out.fileRows = dbf.fileRecCount();
    out.damaged = !dbf.damage().empty();
    out.text = dbf.damage();
    return Status::ok();
}

Status repairTable(const std::string &dbfPath, const std::string &backupDir, TableRepair &out)
{
    out = TableRepair{};
    TableCheck check;
    if (Status s = checkTable(dbfPath, check); !s.isOk())
        return s;
    if (!check.exists)
        return Status::notFound(dbfPath + " does not exist");
    out.rowsBefore = out.rowsAfter = check.headerRows;
    if (!check.damaged)
        return Status::ok();

    if (::mkdir(backupDir.c_str(), 0755) != 0 && errno != EEXIST)
        return Status::ioError("cannot create " + backupDir + ": " + std::strerror(errno));
    for (const char *ext : {"", "FPT", "CDX"}) {
        const std::string p = *ext ? findCaseInsensitive(withExtension(dbfPath, ext)) : dbfPath;
        if (Status s = copyInto(p, backupDir); !s.isOk())
            return s;
    }
    if (Status s = syncDirectoryOf(backupDir + "/x"); !s.isOk())
        return s;

    File f;
    if (Status s = f.open(dbfPath, true); !s.isOk())
        return s;
    if (Status s = f.lockExclusive(); !s.isOk())
        return s;
    unsigned char field[4];
    if (Status s = f.readAt(kGenerationOffset, field, 4); !s.isOk())
        return s;
    putLE32(field, getLE32(field) + 1);
    if (Status s = f.writeAt(kGenerationOffset, field, 4); !s.isOk())
        return s;
    putLE32(field, check.fileRows);
    if (Status s = f.writeAt(kCountOffset, field, 4); !s.isOk())
        return s;
    if (Status s = f.sync(); !s.isOk())
        return s;
    out.repaired = true;
    out.rowsAfter = check.fileRows;
    out.backupDir = backupDir;
    return Status::ok();
}

} // namespace qln::records
