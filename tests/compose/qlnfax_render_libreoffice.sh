#!/usr/bin/env bash
# Letters written by LibreOffice render to as many fax pages as LibreOffice
# itself prints, give or take one for layout differences, and a short
# letter to exactly one page more than it has hard page breaks.
# usage: qlnfax_render_libreoffice.sh QLNFAX
set -uo pipefail
qlnfax=$1
command -v soffice >/dev/null || { echo "soffice not installed (libreoffice-writer-nogui)"; exit 1; }
work=$(mktemp -d /tmp/qln-render-lo.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME=$work

fail() { echo "FAIL: $*"; exit 1; }

# A flat ODF text document: Letter paper, half-inch margins; BODY holds the
# paragraphs (a paragraph of style Break starts a new page).
write_fodt() {
    local out=$1 body=$2
    cat >"$out" <<FODT
<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
  xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
  xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
  xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
  office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:font-face-decls>
  <style:font-face style:name="Liberation Serif" svg:font-family="'Liberation Serif'"
    xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"/>
 </office:font-face-decls>
 <office:styles>
  <style:style style:name="Standard" style:family="paragraph">
   <style:text-properties style:font-name="Liberation Serif" fo:font-size="12pt"/>
  </style:style>
 </office:styles>
 <office:automatic-styles>
  <style:page-layout style:name="pm1">
   <style:page-layout-properties fo:page-width="8.5in" fo:page-height="11in" fo:margin-top="0.5in"
     fo:margin-bottom="0.5in" fo:margin-left="0.5in" fo:margin-right="0.5in"/>
  </style:page-layout>
  <style:style style:name="Break" style:family="paragraph" style:parent-style-name="Standard">
   <style:paragraph-properties fo:break-before="page"/>
  </style:style>
 </office:automatic-styles>
 <office:master-styles><style:master-page style:name="Standard" style:page-layout-name="pm1"/></office:master-styles>
 <office:body><office:text>
$body
 </office:text></office:body>
</office:document>
FODT
}

lo_convert() { # FORMAT FILE...
    local format=$1
    shift
    soffice "-env:UserInstallation=file://$work/profile" --headless --convert-to "$format" --outdir "$work" "$@" \
        >"$work/soffice.out" 2>&1 || fail "soffice --convert-to $format failed: $(cat "$work/soffice.out")"
}

# A long letter: about five pages of running text, and a short letter with
# two hard page breaks, converted by one LibreOffice run per format.
body=""
for i in $(seq 1 100); do
    body+="<text:p text:style-name=\"Standard\">Paragraph $i. The spring order covers twelve boxes of bolts, three crates of washers and the brackets we agreed on the phone; delivery is due within two weeks and payment within thirty days of delivery.</text:p>"$'\n'
done
write_fodt "$work/long.fodt" "$body"
write_fodt "$work/short.fodt" '<text:p text:style-name="Standard">Dear Jane,</text:p>
<text:p text:style-name="Standard">the quote follows.</text:p>
<text:p text:style-name="Break">Page two: prices.</text:p>
<text:p text:style-name="Break">Page three: terms.</text:p>'
lo_convert rtf "$work/long.fodt" "$work/short.fodt"
lo_convert pdf "$work/long.fodt"
lo_pages=$(pdfinfo "$work/long.pdf" | sed -n 's/^Pages: *//p')
q_pages=$("$qlnfax" render "$work/long.rtf" "$work/long.apf") || fail "qlnfax render failed on LibreOffice's RTF"
[[ $q_pages == $("$qlnfax" info "$work/long.apf" | sed -n 's/^Pages: //p') ]] || fail "printed count differs from the file"
echo "long letter: LibreOffice $lo_pages pages, Quillon $q_pages pages"
((lo_pages >= 3)) || fail "the long letter is only $lo_pages pages in LibreOffice"
diff=$((q_pages - lo_pages))
((diff >= -1 && diff <= 1)) || fail "Quillon renders $q_pages pages where LibreOffice prints $lo_pages"

# The short letter: three pages.
q_pages=$("$qlnfax" render "$work/short.rtf" "$work/short.apf") || fail "qlnfax render failed on the short letter"
echo "short letter with 2 hard page breaks: Quillon $q_pages pages"
[[ $q_pages == 3 ]] || fail "the short letter gives $q_pages pages, not 3"
# As a cover sheet in front of the long letter, it adds its own pages.
q_both=$("$qlnfax" render --cover "$work/short.rtf" "$work/long.rtf" "$work/both.apf") || fail "render with cover failed"
long_pages=$("$qlnfax" info "$work/long.apf" | sed -n 's/^Pages: //p')
[[ $q_both == $((q_pages + long_pages)) ]] || fail "cover and document give $q_both pages"
echo "ok"
