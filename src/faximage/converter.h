// TApdFaxConverter: the fax converter component. It turns a text file
// (built-in font or, as enhanced text, a system font), a BMP, PCX, DCX,
// TIFF (every page, any compression) or PDF file, an in-memory monochrome bitmap or lines supplied by the
// application into an APF file.
//
// Set the properties, then call ConvertDocument(), which builds a fresh
// ConverterCore from them and converts DocumentFile into OutFileName. A
// negative result is raised as EFaxConverterError (code and text); no partial
// output file is left behind. OnStatus is called at the start, after every
// input line and at the end; setting its Abort argument ends the conversion
// with -8003. While converting, pending Qt events are handled as the
// coYield / coYieldOften options ask.
//
// User-interface thread only.
#pragma once

#include <QFont>
#include <QImage>

#include <functional>
#include <memory>
#include <string>

#include "faximage/convertercore.h"
#include "faximage/convertererror.h"
#include "faximage/monobitmap.h"

namespace qln::fax {

// idPdf: a PDF document rendered page by page (pageimport.h).
enum TFaxInputDocumentType { idNone, idText, idTextEx, idTiff, idPcx, idDcx, idBmp, idBitmap, idUser, idPdf };
enum TFaxResolution { frNormal, frHigh };
enum TFaxWidth { fwNormal, fwWide };
enum TFaxFontType { ffStandard, ffSmall };
using TFaxCvtOptionsSet = unsigned; // ConverterOption bits

class TApdFaxConverter {
public:
    using TFaxStatusEvent = std::function<void(TApdFaxConverter &F, bool Starting, bool Ending, int PagesConverted,
                                               int LinesConverted, long BytesConverted, long BytesToConvert,
                                               bool &Abort)>;
    using TFaxOutputLineEvent =
        std::function<void(TApdFaxConverter &F, const uint8_t *Data, int Len, bool EndOfPage, bool MorePages)>;
    using TFaxOpenFileEvent = std::function<void(TApdFaxConverter &F, const std::string &FName)>;
    using TFaxCloseFileEvent = std::function<void(TApdFaxConverter &F)>;
    // Data has room for 4096 bytes; set Len to the bytes of the line.
    using TFaxReadLineEvent =
        std::function<void(TApdFaxConverter &F, uint8_t *Data, int &Len, bool &EndOfPage, bool &MorePages)>;

    TApdFaxConverter();
    ~TApdFaxConverter();

    TFaxInputDocumentType InputDocumentType() const { return inputType_; }
    void SetInputDocumentType(TFaxInputDocumentType t) { inputType_ = t; }
    // Choosing coYieldOften also turns coYield on.
    TFaxCvtOptionsSet Options() const { return options_; }
    void SetOptions(TFaxCvtOptionsSet o);
    TFaxResolution Resolution() const { return resolution_; }
    void SetResolution(TFaxResolution r) { resolution_ = r; }
    TFaxWidth Width() const { return width_; }
    void SetWidth(TFaxWidth w) { width_ = w; }
    int TopMargin() const { return topMargin_; }
    void SetTopMargin(int m) { topMargin_ = m < 0 ? 0 : m; }
    int LeftMargin() const { return leftMargin_; }
    void SetLeftMargin(int m) { leftMargin_ = m < 0 ? 0 : m; }
    int LinesPerPage() const { return linesPerPage_; }
    void SetLinesPerPage(int n) { linesPerPage_ = n < 0 ? 0 : n; }
    int TabStop() const { return tabStop_; }
    void SetTabStop(int t) { tabStop_ = t < 0 ? 0 : t; }
    const QFont &EnhFont() const { return enhFont_; }
    void SetEnhFont(const QFont &f) { enhFont_ = f; }
    // Carried for compatibility; the glyphs always come from the resource.
    const std::string &FontFile() const { return fontFile_; }
    void SetFontFile(const std::string &f) { fontFile_ = f; }
    TFaxFontType FontType() const { return fontType_; }
    void SetFontType(TFaxFontType t) { fontType_ = t; }
    const std::string &DocumentFile() const { return documentFile_; }
    // A different, non-empty name also sets OutFileName to it with ".APF".
    void SetDocumentFile(const std::string &name);
    const std::string &OutFileName() const { return outFileName_; }
    void SetOutFileName(const std::string &name) { outFileName_ = name; }
    const std::string &DefUserExtension() const { return defUserExtension_; }
    void SetDefUserExtension(const std::string &e) { defUserExtension_ = e.substr(0, 3); }
    const std::string &StationID() const { return stationId_; }
    void SetStationID(const std::string &s) { stationId_ = s.substr(0, 20); }

    TFaxStatusEvent OnStatus;
    TFaxOutputLineEvent OnOutputLine; // not raised by ConvertDocument
    TFaxOpenFileEvent OnOpenUserFile;
    TFaxCloseFileEvent OnCloseUserFile;
    TFaxReadLineEvent OnReadUserLine;

    // Handles one pending event while converting; returns false when the
    // application is quitting (-1003). The default runs Qt's event loop once
    // when a QCoreApplication exists.
    std::function<bool()> YieldHandler;

    // Converts DocumentFile into OutFileName; raises EFaxConverterError.
    // idNone and idBitmap: -1002.
    void ConvertDocument();
    // Converts an in-memory bitmap (1 = black) into `outFileName` as one
    // page, placed like a BMP file; raises EFaxConverterError. A null
    // bitmap: -1002.
    void ConvertBitmapToFile(const MonoBitmap &bitmap, const std::string &outFileName);

    // The same for a QImage, which must be monochrome (Format_Mono or
    // Format_MonoLSB), else -1002.
    void ConvertBitmapToFile(const QImage &image, const std::string &outFileName);

    // The same without raising: 0 or the negative code.
    int convertDocument();
    int convertBitmap(const MonoBitmap &bitmap, const std::string &outFileName);
    int convertBitmap(const QImage &image, const std::string &outFileName);

private:
    int buildCore(std::unique_ptr<FaxInputReader> reader);

    TFaxInputDocumentType inputType_ = idNone;
    TFaxCvtOptionsSet options_ = kDefaultConverterFlags;
    TFaxResolution resolution_ = frNormal;
    TFaxWidth width_ = fwNormal;
    int topMargin_ = 0;
    int leftMargin_ = 50;
    int linesPerPage_ = 60;
    int tabStop_ = 4;
    QFont enhFont_;
    std::string fontFile_ = "VOVAD.FNT";
    TFaxFontType fontType_ = ffStandard;
    std::string documentFile_;
    std::string outFileName_;
    std::string defUserExtension_;
    std::string stationId_;
    std::unique_ptr<ConverterCore> core_;
};

} // namespace qln::fax
