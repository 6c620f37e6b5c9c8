// The RTF writer: RtfContent to RTF 1.x bytes in 7-bit ASCII.
//
// Writes a font table, the page size and margins, and per paragraph its
// alignment, indents, spacing, line height and \pagebb for a paragraph that
// starts a new page, then its runs with \plain, font, size, bold, italic and
// underline. Characters of Windows-1252 are written as \'hh, all others as
// \uN with a '?' for readers without Unicode. A merge field is written as
// {\field{\*\fldinst QLNMERGE <tag>}{\fldrslt <label>}}, so word processors
// show its label as text. Pure function; thread-safe.
#pragma once

#include "richtext/rtfmodel.h"

#include <QByteArray>

namespace qln::richtext {

QByteArray writeRtf(const RtfContent &content);

}  // namespace qln::richtext
