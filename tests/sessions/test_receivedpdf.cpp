// Received faxes kept as PDF files: names that never leave the directory
// and never overwrite an earlier fax.
#include "sessions/receivedpdf.h"

#include "faximage/converter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace qln;

namespace {
const QDateTime kWhen(QDate(2026, 12, 10), QTime(14, 5, 33));
}

void writeTextPageApf(const std::string &apfFile)
{
    const std::string text = apfFile + ".txt";
    {
        QFile f(QString::fromStdString(text));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("A received page.\n");
    }
    fax::TApdFaxConverter converter;
    converter.SetInputDocumentType(fax::idText);
    converter.SetDocumentFile(text);
    converter.SetOutFileName(apfFile);
    converter.ConvertDocument();
    QFile::remove(QString::fromStdString(text));
}

TEST(ReceivedPdfName, SenderCannotLeaveOrHideInTheDirectory)
{
    EXPECT_EQ(receivedPdfName(kWhen, "+1 555 0100"), "2026-12-10 14-05 from +1 555 0100.pdf");
    EXPECT_EQ(receivedPdfName(kWhen, "../../etc/passwd"), "2026-12-10 14-05 from etcpasswd.pdf");
    EXPECT_EQ(receivedPdfName(kWhen, "..\\..\\x"), "2026-12-10 14-05 from x.pdf");
    EXPECT_EQ(receivedPdfName(kWhen, " ACME\t\x01\x1b Ltd \n"), "2026-12-10 14-05 from ACME Ltd.pdf");
    EXPECT_EQ(receivedPdfName(kWhen, "  /\x7f. "), "2026-12-10 14-05 from unknown sender.pdf");
    EXPECT_EQ(receivedPdfName(kWhen, std::string(80, 'x')).size(),
              std::string("2026-12-10 14-05 from .pdf").size() + 40);
}

TEST(ReceivedPdfWrite, SecondFaxOfTheSameMinuteGetsItsOwnFile)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const std::string apf = tmp.filePath("FAX0001.APF").toStdString();
    writeTextPageApf(apf);

    const std::string dir = tmp.filePath("pdf/faxes").toStdString();  // made when missing
    std::string error;
    const std::string first = writeReceivedPdf(apf, dir, kWhen, "ACME", error);
    ASSERT_FALSE(first.empty()) << error;
    const std::string second = writeReceivedPdf(apf, dir, kWhen, "ACME", error);
    ASSERT_FALSE(second.empty()) << error;
    EXPECT_EQ(QFileInfo(QString::fromStdString(first)).fileName(), "2026-12-10 14-05 from ACME.pdf");
    EXPECT_EQ(QFileInfo(QString::fromStdString(second)).fileName(), "2026-12-10 14-05 from ACME (2).pdf");
    QFile pdf(QString::fromStdString(second));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
}

TEST(ReceivedPdfWrite, UnreadableFaxIsReportedNotWritten)
{
    QTemporaryDir tmp;
    std::string error;
    EXPECT_EQ(writeReceivedPdf(tmp.filePath("missing.apf").toStdString(), tmp.path().toStdString(), kWhen, "x",
                               error),
              "");
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(QDir(tmp.path()).entryList(QDir::Files).isEmpty());
}
