#include "window/platform/PrinterSurface.h"

#include "core/platform/Errors.h"
#include "core/platform/FileOps.h"
#include "core/print/PrintLayout.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPdfWriter>
#include <QTemporaryFile>

namespace tavin {

namespace {
// The size of every printed text: the sheets carry no size of their own.
constexpr int PrintPointSize = 10;
}  // namespace

PrinterSurface::PrinterSurface(const PrinterEntry& printer, const QString& path, const QString& title,
                               bool portrait, const QStringList& options)
    : printer_(printer), path_(path), title_(title), options_(options), portrait_(portrait)
{
    file_ = std::make_unique<QTemporaryFile>();
    if (!file_->open(QIODevice::ReadWrite))
        throw RuntimeError((printer.file ? path : printer.name) + QStringLiteral(": ") +
                           file_->errorString());
    writer_ = std::make_unique<QPdfWriter>(file_.get());
    writer_->setTitle(title);
    writer_->setCreator(title);
    writer_->setPageSize(QPageSize(QPageSize::A4));
    writer_->setPageOrientation(portrait ? QPageLayout::Portrait : QPageLayout::Landscape);
    writer_->setPageMargins(QMarginsF(0, 0, 0, 0));
    dotsPerMm_ = float(writer_->resolution() / 25.4);
    if (!painter_.begin(writer_.get()))
        throw RuntimeError(printer.name + QStringLiteral(": PDF"));
    // Graphs are one-pixel lines: compressed lossless, not as photographs.
    painter_.setRenderHint(QPainter::LosslessImageRendering);
    setFontName(QStringLiteral("ＭＳ 明朝"));
    painter_.setPen(QPen(Qt::black, double(toDev(0.1f))));
}

PrinterSurface::~PrinterSurface()
{
    // A scratch file not committed or handed on vanishes with its object.
    if (painter_.isActive())
        painter_.end();
}

void PrinterSurface::setFontName(const QString& family)
{
    font_ = QFont(family, PrintPointSize);
    // IPA Mincho stands in for the Mincho of Japanese Windows. Noto Serif CJK is the last resort:
    // Qt writes some of its Latin glyphs into a PDF without their characters, so a copied or
    // searched file name would lose its digits.
    font_.setFamilies({family, QStringLiteral("IPAMincho"), QStringLiteral("Noto Serif CJK JP")});
    font_.setStyleHint(QFont::Serif);
    painter_.setFont(font_);
}

void PrinterSurface::setFontBold(bool bold)
{
    font_.setBold(bold);
    painter_.setFont(font_);
}

void PrinterSurface::Print(const QString& text)
{
    const QFontMetricsF m(font_, writer_.get());
    painter_.drawText(QPointF(toDev(CurrentX), toDev(CurrentY) + m.ascent()), text);
    CurrentY += TextHeight();
}

float PrinterSurface::TextWidth(const QString& text) const
{
    return float(QFontMetricsF(font_, writer_.get()).horizontalAdvance(text)) / dotsPerMm_;
}

float PrinterSurface::TextHeight() const
{
    return float(QFontMetricsF(font_, writer_.get()).height()) / dotsPerMm_;
}

void PrinterSurface::Line(float x1, float y1, float x2, float y2, const QColor& colour)
{
    QPen pen = painter_.pen();
    pen.setColor(colour);
    pen.setStyle(Qt::SolidLine);
    painter_.setPen(pen);
    painter_.drawLine(QPointF(toDev(x1), toDev(y1)), QPointF(toDev(x2), toDev(y2)));
}

void PrinterSurface::PaintPicture(const QImage& image, float x, float y, float w, float h)
{
    painter_.drawImage(QRectF(toDev(x), toDev(y), toDev(w), toDev(h)), image);
}

void PrinterSurface::NewPage() { writer_->newPage(); }

float PrinterSurface::printableBottom() const { return (portrait_ ? 297.0f : 210.0f) - SheetBottomMargin; }

void PrinterSurface::EndDoc()
{
    painter_.end();
    auto* scratch = static_cast<QTemporaryFile*>(file_.get());
    if (!scratch->flush() || scratch->error() != QFileDevice::NoError)
        throw RuntimeError((printer_.file ? path_ : printer_.name) + QStringLiteral(": ") +
                           scratch->errorString());
    if (!printer_.file) {
        SubmitToQueue(printer_.name, scratch->fileName(), title_, !portrait_, options_);
        return;
    }
    QString why;
    written_ = WriteNewFile(
        path_,
        [&](QIODevice& out) {
            scratch->seek(0);
            return out.write(scratch->readAll()) == scratch->size();
        },
        &why);
    if (written_.isEmpty())
        throw RuntimeError(path_ + QStringLiteral(": ") + why);
}

}  // namespace tavin
