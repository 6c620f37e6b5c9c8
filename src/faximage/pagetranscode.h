// Transcoding a page between the MH code of APF files and the MR or MMR code
// of a fax link, one line at a time: the page is never held whole, only the
// line being recoded and the reference line of the 2-D code.
//
// Sending: MhToTwoDim takes MH code as an APF page holds it (the bytes of
// its framed lines, or its unframed data, in pieces of any size; coded lines
// such as a header line may come first) and hands on the MR or MMR stream.
// Receiving: TwoDimToMh takes the MR or MMR stream in pieces of any size and
// hands on MH code as the receiver stores it (one unframed stream ending in
// the end-of-page codes) or as framed lines for ApfWriter.
//
// Lines of another width than the page's are cut or filled with white.
//
// Not thread-safe: one transcoder per thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "faximage/g3decoder.h"
#include "faximage/g3encoder.h"
#include "faximage/twodimdecoder.h"
#include "faximage/twodimencoder.h"

namespace qln::fax {

class ApfReader;

class MhToTwoDim {
public:
    // `coding` MR or MMR, `width` the page's width in pixels.
    MhToTwoDim(FaxCoding coding, int width, ByteSink out, const TwoDimOptions &options = {});

    // MH code. Each line is recoded when the EOL after it arrives. Returns
    // the bytes taken: all of them unless the MH end of page (three EOLs in
    // a row) came inside them; nothing after that until endPage().
    std::size_t feedMh(const uint8_t *data, std::size_t len);
    // One raster line of (width + 7) / 8 bytes, coded after the lines before.
    void addLine(const uint8_t *line);
    // Ends the page: a line still waiting for its EOL is coded, then RTC or
    // EOFB. Returns the number of lines the page had. The next page may
    // follow.
    uint32_t endPage();

    bool mhEnded() const { return mh_.pageEnded(); }
    // Lines coded on this page so far.
    uint32_t lines() const { return encoder_.linesCoded(); }
    const TwoDimEncoder &encoder() const { return encoder_; }

private:
    void onMhLine(const uint8_t *line, int bytes);

    TwoDimEncoder encoder_;
    G3Decoder mh_;
    std::vector<uint8_t> line_;
};

// How TwoDimToMh hands on MH code.
enum class MhFraming : uint8_t {
    // One stream: each line's EOL and runs (with the fill of its last byte)
    // in a call of the sink; endPage() adds the twelve end-of-page bytes.
    // What FaxReceiveFile::write stores as an unframed page.
    Stream,
    // One call of the sink per line, line start to tail, for
    // ApfWriter::writeFramedLine; endPage() adds nothing (ApfWriter::endPage
    // writes the framed end-of-page line).
    FramedLines,
};

class TwoDimToMh {
public:
    // `coding` MR or MMR (or MH), `width` the width the remote codes; the
    // MH lines are `mhWidth` wide (0: the same; at most 4096).
    TwoDimToMh(FaxCoding coding, int width, ByteSink out, MhFraming framing = MhFraming::Stream,
               int mhWidth = 0);

    // The remote's code. Returns the bytes taken, as TwoDimDecoder::feed.
    std::size_t feed(const uint8_t *data, std::size_t len);
    // The page's data has ended: the last line is handed on, then (Stream)
    // the end-of-page bytes. The next page may follow.
    void endPage();

    // Counts of the page so far (rows, damaged rows, RTC/EOFB seen, MMR
    // failure); valid until the next feed() after endPage().
    const TwoDimDecoder &decoder() const { return decoder_; }
    uint32_t linesOut() const { return linesOut_; }

private:
    void onLine(const uint8_t *line, int bytes);

    TwoDimDecoder decoder_;
    G3LineEncoder mh_;
    ByteSink out_;
    MhFraming framing_;
    int mhWidth_;
    std::vector<uint8_t> line_;
    uint32_t linesOut_ = 0;
    bool pageOpen_ = false;
};

// Codes page `page` of an open APF file (framed or unframed) in `coding`
// with K from the page's resolution (T.4's 2 or 4; the rest of `options` as
// given) and hands the stream to `out`, ending with RTC or EOFB. `lines`
// gets the number of lines coded. Errors as ApfReader's (-8001 for a page
// that does not exist or a file that ends early).
int encodeApfPage(ApfReader &reader, int page, FaxCoding coding, const ByteSink &out,
                  TwoDimOptions options = {}, uint32_t *lines = nullptr);

} // namespace qln::fax
