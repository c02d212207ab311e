#include "window/platform/DialogPrompts.h"

#include "window/platform/Printers.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QMainWindow>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStringList>
#include <QTreeView>

namespace tavin {

QStringList QtNameFilters(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        // "CSVファイル(*.csv)" names its pattern already: Qt reads it from the parentheses.
        const QString named = u'(' + patterns + u')';
        out << (parts[i].endsWith(named) ? parts[i] : parts[i] + u' ' + named);
    }
    return out;
}

namespace {

QMessageBox::Icon qtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::None: break;
    case MsgIcon::Critical: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::Exclamation: return QMessageBox::Warning;
    case MsgIcon::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void DialogPrompts::notice(const MessageBox& box)
{
    if (notice_) {
        // A few of the latest texts stay readable; the log keeps them all.
        QStringList texts = notice_->text().split(QStringLiteral("\n\n"));
        texts.append(box.text);
        while (texts.size() > 4)
            texts.removeFirst();
        notice_->setText(texts.join(QStringLiteral("\n\n")));
    } else {
        // Beside the main window: a modal box active now would take the notice with it when it closes.
        QWidget* main = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (!main && qobject_cast<QMainWindow*>(w))
                main = w;
        notice_ = new QMessageBox(qtIcon(box.icon), box.title.isEmpty() ? defaultTitle_ : box.title, box.text,
                                  QMessageBox::Ok, main);
        notice_->setAttribute(Qt::WA_DeleteOnClose);
        notice_->setWindowModality(Qt::NonModal);
    }
    notice_->show();
    notice_->raise();
}

MsgAnswer DialogPrompts::message(const MessageBox& box)
{
    QMessageBox mb(QApplication::activeWindow());
    mb.setWindowTitle(box.title.isEmpty() ? defaultTitle_ : box.title);
    mb.setText(box.text);
    mb.setIcon(qtIcon(box.icon));
    switch (box.buttons) {
    case MsgButtons::Ok: mb.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::OkCancel: mb.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MsgButtons::YesNo: mb.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        mb.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (mb.exec()) {
    case QMessageBox::Yes: return MsgAnswer::Yes;
    case QMessageBox::No: return MsgAnswer::No;
    case QMessageBox::Cancel: return MsgAnswer::Cancel;
    default: return box.buttons == MsgButtons::YesNo ? MsgAnswer::No : MsgAnswer::Ok;
    }
}

std::optional<QString> DialogPrompts::file(const FileDialog& dialog)
{
    const QStringList filters = QtNameFilters(dialog.filter);
    QFileDialog fd(QApplication::activeWindow(), dialog.title, dialog.initDir);
    // Wide enough for a whole recording name ("RQ4600_Datas-20261206-130034-1-20261206-140112.csv")
    // beside its date, which tell recordings apart.
    fd.setOption(QFileDialog::DontUseNativeDialog);
    fd.setViewMode(QFileDialog::Detail);
    fd.resize(1000, 560);
    if (auto* view = fd.findChild<QTreeView*>())
        for (const auto& [column, width] :
             {std::pair{0, 470}, {1, 80}, {2, 100}, {3, 200}})  // name, size, type, date
            view->header()->resizeSection(column, width);
    fd.setNameFilters(filters);
    if (dialog.filterIndex >= 1 && dialog.filterIndex <= filters.size())
        fd.selectNameFilter(filters[dialog.filterIndex - 1]);
    fd.setAcceptMode(dialog.kind == FileDialog::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    fd.setFileMode(dialog.kind == FileDialog::Save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program asks its own overwrite question where it needs one.
    fd.setOption(QFileDialog::DontConfirmOverwrite);
    if (!dialog.fileName.isEmpty())
        fd.selectFile(dialog.fileName);
    if (fd.exec() != QDialog::Accepted || fd.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(fd.selectedFiles().constFirst());
}

void DialogPrompts::printerProperties(const QString& printer, QStringList& options)
{
    QPrinter settings(QPrinterInfo::printerInfo(printer));
    ApplyQueueOptions(settings, options);
    QPrintDialog dialog(&settings, QApplication::activeWindow());
    dialog.setWindowTitle(printer + QStringLiteral(" のプロパティ"));
    // Only the queue's own settings: what and where to print is the program's.
    dialog.setOptions(QAbstractPrintDialog::PrintDialogOptions());
    // Choices made for another printer, or for a file, are not this queue's.
    if (dialog.exec() == QDialog::Accepted && settings.printerName() == printer &&
        settings.outputFormat() == QPrinter::NativeFormat)
        options = QueueOptionsOf(settings);
}

}  // namespace tavin
