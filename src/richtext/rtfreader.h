// The RTF reader: turns RTF bytes into an RtfContent.
//
// It keeps what Quillon's documents use (fonts, sizes, bold, italic,
// underline, alignment, indents, spacing, line height, hard page breaks,
// merge fields, page size and margins) and reads the text of everything
// else: tables become one paragraph per cell, pictures, objects, headers,
// footers, footnotes and unknown destinations are skipped, unknown control
// words are ignored. Text is decoded from \uN and from \'hh bytes in the
// code page of the font or the document (\ansicpg).
//
// Any input is accepted: bytes that do not start with "{\rtf" are read as
// plain text (UTF-8 when valid, else Windows-1252), one paragraph a line,
// a form feed starting a new page. Unbalanced braces end the text where the
// input ends. Pure function; thread-safe.
#pragma once

#include "richtext/rtfmodel.h"

#include <QByteArrayView>

namespace qln::richtext {

// Whether the bytes start (after a byte-order mark and blanks) with "{\rtf".
bool looksLikeRtf(QByteArrayView data);

RtfContent readRtf(QByteArrayView data);

// Plain text as paragraphs (the "not RTF" case of readRtf).
RtfContent readPlainText(QByteArrayView data);

// The instruction Quillon writes for a merge field: "QLNMERGE <tag>".
inline constexpr const char *kMergeInstruction = "QLNMERGE";

}  // namespace qln::richtext
