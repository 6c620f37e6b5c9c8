#include "faximage/converteruser.h"

#include <algorithm>

#include "faximage/apferrors.h"

namespace qln::fax {

int UserLineReader::open(ConverterCore &core, const std::string &fileName)
{
    core.bytesConverted = core.bytesToConvert = 0;
    return open_ ? open_(fileName) : ecOK;
}

int UserLineReader::readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages)
{
    if (!read_) {
        endOfPage = true;
        morePages = false;
        return ecOK;
    }
    int len = 0;
    endOfPage = morePages = false;
    int rc = read_(raster, len, endOfPage, morePages);
    core.bytesConverted += std::max(len, 0);
    return rc < 0 ? rc : ecOK;
}

void UserLineReader::close()
{
    if (close_)
        close_();
}

} // namespace qln::fax
