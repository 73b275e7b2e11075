#pragma once
#include <QString>

class TReportDocument;
class TReportPage;

// Where printed pages go: a printer of the platform, or whatever a test puts in its place. The
// engine drives it page by page; each step says whether it succeeded, with the reason when not.
class TPrintTarget
{
public:
    virtual ~TPrintTarget() = default;
    // Starts a job on the document's paper.
    virtual bool Begin(const TReportDocument& document, QString* error) = 0;
    virtual bool PrintPage(const TReportDocument& document, const TReportPage& page, QString* error) = 0;
    // Ends the job; false when the pages did not reach the printer.
    virtual bool End(QString* error) = 0;
    // Drops the job unfinished: no further page goes out, and nothing of the job reaches the printer.
    virtual void Abort() = 0;

    // What a cancelled job tells the user: the pages are only handed to the printer once the job
    // is whole, so a cancelled job leaves nothing there.
    static QString CancelledMessage()
    {
        return QStringLiteral("Printing cancelled; nothing was sent to the printer.");
    }
};
