// Screenshot of the fax editor's "Fax Document" page with a PDF file
// attached as the document.
#include "shots.h"

#include "compose/faxcomposer.h"
#include "compose/faxeditor.h"
#include "records/faxtables.h"

#include <QCoreApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTabWidget>

static QlnShot attachShot{
    "editor-attached-pdf", "fax editor, Fax Document page with a PDF attached", [](ShotContext &ctx) {
        const QString pdf = ctx.dataDir + QStringLiteral("/Quarterly report.pdf");
        {
            QPdfWriter w(pdf);
            w.setPageSize(QPageSize(QPageSize::A4));
            QPainter p(&w);
            p.drawText(QPointF(500, 500), QStringLiteral("Quarterly report"));
        }
        qln::records::FaxTables tables(ctx.dataDir.toStdString() + "/");
        tables.OpenFaxDBF();
        qln::compose::FaxComposer composer(tables);
        qln::compose::TFaxEditor editor(composer, tables);
        composer.open(qln::compose::FaxEditMode::New, editor);
        qln::compose::FaxComposer::attachDocument(editor, pdf.toStdString());
        editor.showAttachment();
        // The first activation opens the Recipient page; go to the document
        // page after it.
        editor.show();
        editor.activateWindow();
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        editor.pages()->setCurrentIndex(qln::compose::TFaxEditor::DocumentPage);
        ctx.save(editor, QStringLiteral("editor-attached-pdf"));
    }};
