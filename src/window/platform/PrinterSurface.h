// The printer object of a job: an A4 document drawn in millimetres from the sheet's top left, with
// a current text position, texts and their extents, lines and pictures scaled into rectangles.
// Every job is written as a PDF under a scratch name first; only when the document ends is it moved
// to its place (the file printer) or handed to its CUPS queue. A job that fails or is dropped
// leaves nothing behind: no half-written file, no half-spooled job.
#pragma once

#include "window/platform/Printers.h"

#include <QFont>
#include <QPainter>
#include <QString>
#include <memory>

class QColor;
class QFileDevice;
class QImage;
class QPdfWriter;

namespace tavin {

class PrinterSurface {
public:
    // Opens the document for `printer`; `path` is the file printer's output, `options` a queue's
    // job options. Throws RuntimeError when the scratch file cannot be made.
    PrinterSurface(const PrinterEntry& printer, const QString& path, const QString& title, bool portrait,
                   const QStringList& options = {});
    ~PrinterSurface();  // a document that was not ended is dropped
    PrinterSurface(const PrinterSurface&) = delete;
    PrinterSurface& operator=(const PrinterSurface&) = delete;

    float CurrentX = 0;
    float CurrentY = 0;

    // A font by name; the Japanese serif stands in where the named one is missing.
    void setFontName(const QString& family);
    void setFontBold(bool bold);
    // Prints with the text's top left at CurrentX/CurrentY; CurrentY moves one line down.
    void Print(const QString& text);
    float TextWidth(const QString& text) const;
    float TextHeight() const;
    void Line(float x1, float y1, float x2, float y2, const QColor& colour);
    void PaintPicture(const QImage& image, float x, float y, float w, float h);
    void NewPage();
    // The lowest line anything may reach on a sheet.
    float printableBottom() const;

    // Ends the document: the file printer's PDF becomes a new file at `path`, or at the first free
    // "-2", "-3" ... beside it when that name is taken (no file is ever replaced); a queue receives
    // the job. Throws RuntimeError (and drops the document) when that fails.
    void EndDoc();
    // Where the file printer's PDF went (after EndDoc).
    const QString& writtenPath() const { return written_; }

private:
    float toDev(float mm) const { return mm * dotsPerMm_; }

    PrinterEntry printer_;
    QString path_, title_, written_;
    QStringList options_;
    bool portrait_;
    std::unique_ptr<QFileDevice> file_;  // the scratch file
    std::unique_ptr<QPdfWriter> writer_;
    QPainter painter_;
    QFont font_;
    float dotsPerMm_ = 1;
};

}  // namespace tavin
