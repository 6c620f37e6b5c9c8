// Start-up and scrolling of the main window over 20,000 outgoing and 20,000
// received faxes, beside a reference grid that loads every row up front.
//
//   bench_app_startup [ROWS]     (runs on the offscreen platform by default)
#include "app/faxlistmodel.h"
#include "app/mainscreen.h"
#include "app/recordsfaxtables.h"
#include "common/datadir.h"
#include "common/messages.h"
#include "records/faxrows.h"
#include "records/faxtables.h"
#include "sampledata.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace qln;

namespace {

double startWindow(long *fetches, double *scrollTotal, double *scrollWorst)
{
    QElapsedTimer t;
    t.start();
    auto *w = new TMainScreen;
    QSignalSpy done(w, &TMainScreen::firstActivationDone);
    w->showForStart();
    done.wait(60000);
    QApplication::processEvents();
    w->faxGrid()->viewport()->repaint();
    const double startMs = t.nsecsElapsed() / 1e6;

    if (scrollTotal) {
        // Page through the whole outgoing list, painting each page.
        QTableView *grid = w->faxGrid();
        QScrollBar *bar = grid->verticalScrollBar();
        const int page = std::max(1, bar->pageStep());
        QElapsedTimer all;
        all.start();
        double worst = 0;
        for (int v = 0; v <= bar->maximum(); v += page) {
            QElapsedTimer step;
            step.start();
            bar->setValue(v);
            grid->viewport()->repaint();
            worst = std::max(worst, step.nsecsElapsed() / 1e6);
        }
        *scrollTotal = all.nsecsElapsed() / 1e6;
        *scrollWorst = worst;
        *fetches = w->faxModel()->fetchCount();
    }
    w->close();
    delete w;
    return startMs;
}

// The reference: a grid whose model holds every row, read at start.
double referenceLoad(const std::string &dataDir, long rows)
{
    QElapsedTimer t;
    t.start();
    records::FaxTables tables(dataDir);
    tables.OpenFaxDBF();
    QStandardItemModel model(0, 8);
    for (long p = 0; p < rows; ++p) {
        const records::OutgoingFax f = records::outgoingAt(tables.FaxTable, p);
        if (f.recNo == 0)
            break;
        QList<QStandardItem *> row;
        for (const std::string &s : {std::string(f.sent ? "Yes" : "No "), f.dateSent, f.timeSent,
                                     f.recipient, f.phone, std::to_string(f.pages), f.subject,
                                     f.lastResult})
            row << new QStandardItem(QString::fromStdString(s));
        model.appendRow(row);
    }
    QTableView view;
    view.setModel(&model);
    view.resize(590, 381);
    view.show();
    QApplication::processEvents();
    view.viewport()->repaint();
    tables.CloseAll();
    return t.nsecsElapsed() / 1e6;
}

// Reads the whole outgoing list block by block through the grid's source,
// without painting: what scrolling costs the table engine.
double readAllBlocks(const std::string &dataDir)
{
    RecordsFaxTables tables(dataDir);
    tables.open(FaxList::Outgoing);
    FaxListSource &source = tables.listSource(FaxList::Outgoing);
    QElapsedTimer t;
    t.start();
    const long n = source.rowCount();
    long seen = 0;
    for (long first = 0; first < n; first += FaxListModel::kBlockRows)
        seen += static_cast<long>(source.fetch(first, FaxListModel::kBlockRows).size());
    const double ms = t.nsecsElapsed() / 1e6;
    if (seen != n)
        std::printf("warning: %ld of %ld rows read\n", seen, n);
    tables.close(FaxList::Outgoing);
    return ms;
}

}  // namespace

int main(int argc, char **argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const long rows = argc > 1 ? std::atol(argv[1]) : 20000;

    QTemporaryDir dir;
    const std::string data = dir.path().toStdString() + "/";
    setDataDirectoryOverride(data);
    ScriptedMessages quiet;  // nothing may stop the run with a dialog
    setMessages(&quiet);
    {
        QFile ini(QString::fromStdString(data + "QLN.INI"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[Modem]\nComPort=0\n");
    }
    QElapsedTimer fill;
    fill.start();
    if (!sample::writeSampleFaxes(data, rows, rows, false)) {
        std::fprintf(stderr, "cannot write the sample tables\n");
        return 1;
    }
    std::printf("rows: %ld outgoing + %ld received (written in %.0f ms)\n", rows, rows,
                fill.nsecsElapsed() / 1e6);

    const double first = startWindow(nullptr, nullptr, nullptr);
    long fetches = 0;
    double scrollTotal = 0, scrollWorst = 0;
    const double warm = startWindow(&fetches, &scrollTotal, &scrollWorst);
    const double reference = referenceLoad(data, rows);
    const double blocks = readAllBlocks(data);

    std::printf("%-48s %10.1f ms\n", "first start incl. full index rebuild", first);
    std::printf("%-48s %10.1f ms   (target < 1000 ms)\n", "start-up to main window shown", warm);
    std::printf("%-48s %10.1f ms\n", "reference: grid loading every row at start", reference);
    std::printf("%-48s %10.1f ms\n", "scroll whole outgoing list, page by page", scrollTotal);
    std::printf("%-48s %10.1f ms\n", "worst single page step (repaint)", scrollWorst);
    std::printf("%-48s %10.1f ms\n", "of which: reading every block without painting", blocks);
    std::printf("%-48s %10ld (%ld rows each)\n", "block reads while scrolling", fetches,
                FaxListModel::kBlockRows);
    std::printf("quick information boxes during the run: %zu\n", quiet.calls().size());
    setMessages(nullptr);
    return 0;
}
